#include "view/model/fields.h"

#include <charconv>
#include <cstdlib>

namespace view {
inline namespace model {

namespace {

// The bounds of a field's values in billionths, and how they are said.
struct Bounds {
    std::int64_t low, high; // of the magnitude for gains
    const char* said;
};
Bounds boundsOf(Field f) {
    constexpr std::int64_t k = kBillion;
    switch (f) {
    case Offset:
    case Offset2:
        return {-100000 * k, 100000 * k, "an offset lies between -100000 and 100000"};
    case Gain:
    case Gain2:
        return {k / 1000, 1000 * k, "a gain lies between 0.001 and 1000, or -1000 and -0.001"};
    case ActivationEnergy:
        return {1, 1000 * k, "an activation energy lies above 0, at most 1000 kJ/mol"};
    default:
        return {-1000000 * k, 1000000 * k, "a limit lies between -1000000 and 1000000"};
    }
}

QString decimalString(Decimal d) {
    return QString::fromLatin1(decimalText(d));
}
QString decimalString(double d) {
    return fieldText(d);
}

// The pairs of one section, its values exact or as doubles that compare alike.
template <typename Values>
QList<Problem> limitProblems(const QString& sensor, const Values& own, const Values* shared) {
    QList<Problem> out;
    const auto above = [](auto low, auto high) {
        return QStringLiteral("the low limit %1 is above the high limit %2")
            .arg(decimalString(low), decimalString(high));
    };
    for (int q = 0; q < kMeasures; ++q) {
        const Field lo = lowField(Measure(q)), hi = highField(Measure(q));
        const auto &low = own[lo], &high = own[hi];
        if (low && high) {
            if (*low > *high)
                for (const Field f : {lo, hi})
                    out.append({sensor, f, Reason::LowAboveHigh, above(*low, *high)});
            continue;
        }
        if (!shared || (!low && !high))
            continue;
        const auto other = low ? (*shared)[hi] : (*shared)[lo];
        if (other && (low ? *low > *other : *other > *high))
            out.append({sensor, low ? lo : hi, Reason::AgainstShared,
                        (low ? above(*low, *other) : above(*other, *high)) +
                            QStringLiteral(" (with the limits for all sensors)")});
    }
    return out;
}

} // namespace

std::optional<Problem> checkField(const QString& sensor, Field f, const QString& text,
                                  Decimal& value) {
    const QByteArray t = text.trimmed().toLatin1();
    const DecimalError error = t.size() > 64 ? DecimalError::NotANumber : parseDecimal(t, value);
    if (error == DecimalError::NotANumber)
        return Problem{sensor, f, Reason::NotANumber,
                       QStringLiteral("not a number (digits, a point as decimal separator, no "
                                      "comma)")};
    if (error == DecimalError::TooPrecise)
        return Problem{sensor, f, Reason::TooPrecise,
                       QStringLiteral("more than %1 decimals (shown values are exact to the "
                                      "thousandth)")
                           .arg(kSettingDecimals)};
    const bool gain = f == Gain || f == Gain2;
    if (gain && error == DecimalError::None && value.billionths == 0)
        return Problem{sensor, f, Reason::ZeroGain,
                       QStringLiteral("a gain of 0 would show every reading as the offset")};
    const Bounds b = boundsOf(f);
    const std::int64_t v = gain ? std::abs(value.billionths) : value.billionths;
    if (error == DecimalError::TooLarge || v < b.low || v > b.high)
        return Problem{sensor, f, Reason::OutOfBounds,
                       QStringLiteral("out of bounds: %1").arg(QLatin1String(b.said))};
    return std::nullopt;
}

std::optional<Problem> checkField(const QString& sensor, Field f, const QString& text,
                                  double& value) {
    Decimal exact;
    std::optional<Problem> problem = checkField(sensor, f, text, exact);
    if (!problem)
        value = exact.toDouble();
    return problem;
}

QList<Problem> checkLimits(const QString& sensor, const FieldValues& own,
                           const FieldValues* shared) {
    return limitProblems(sensor, own, shared);
}

QList<Problem> checkLimits(const QString& sensor, const ExactValues& own,
                           const ExactValues* shared) {
    return limitProblems(sensor, own, shared);
}

QString fieldText(double value) {
    char text[400];
    const auto r = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed);
    return QString::fromLatin1(text, r.ptr - text); // the shortest that reads back equal
}

QString fieldLabel(Field f) {
    constexpr const char* kLabels[kFields] = {
        "Offset",           "Gain",         "Offset 2",         "Gain 2", "Temperature low",
        "Temperature high", "Humidity low", "Humidity high",    "RX low", "RX high",
        "Battery low",      "Battery high", "Activation energy"};
    return QString::fromLatin1(kLabels[f]);
}

} // namespace model
} // namespace view
