#include "view/fields.h"

#include <QRegularExpression>
#include <charconv>
#include <cmath>

namespace view {

namespace {

// The bounds of a field's values, and how they are said.
struct Bounds {
    double low, high; // of the magnitude for gains
    const char* said;
};
Bounds boundsOf(Field f) {
    switch (f) {
    case Offset:
    case Offset2:
        return {-1e5, 1e5, "an offset lies between -100000 and 100000"};
    case Gain:
    case Gain2:
        return {1e-3, 1e3, "a gain lies between 0.001 and 1000, or -1000 and -0.001"};
    case ActivationEnergy:
        return {0, 1e3, "an activation energy lies above 0, at most 1000 kJ/mol"};
    default:
        return {-1e6, 1e6, "a limit lies between -1000000 and 1000000"};
    }
}

} // namespace

std::optional<Problem> checkField(const QString& sensor, Field f, const QString& text,
                                  double& value) {
    // Only this form: a comma is no decimal separator here, nor a thousands separator.
    static const QRegularExpression number(
        QStringLiteral("^[+-]?([0-9]+(\\.[0-9]*)?|\\.[0-9]+)([eE][+-]?[0-9]{1,3})?$"));
    const QByteArray t = text.trimmed().toLatin1();
    const char* from = t.constData() + (t.startsWith('+') ? 1 : 0);
    if (t.size() > 64 || !number.match(QString::fromLatin1(t)).hasMatch() ||
        std::from_chars(from, t.constData() + t.size(), value).ec != std::errc() ||
        !std::isfinite(value))
        return Problem{sensor, f, Reason::NotANumber,
                       QStringLiteral("not a number (digits, a point as decimal separator, no "
                                      "comma)")};
    const bool gain = f == Gain || f == Gain2;
    if (gain && value == 0)
        return Problem{sensor, f, Reason::ZeroGain,
                       QStringLiteral("a gain of 0 would show every reading as the offset")};
    const Bounds b = boundsOf(f);
    const double v = gain ? std::abs(value) : value;
    if (v < b.low || v > b.high || (f == ActivationEnergy && value <= 0))
        return Problem{sensor, f, Reason::OutOfBounds,
                       QStringLiteral("out of bounds: %1").arg(QLatin1String(b.said))};
    return std::nullopt;
}

QList<Problem> checkLimits(const QString& sensor, const FieldValues& own,
                           const FieldValues* shared) {
    QList<Problem> out;
    const auto above = [](double low, double high) {
        return QStringLiteral("the low limit %1 is above the high limit %2")
            .arg(fieldText(low), fieldText(high));
    };
    for (int q = 0; q < kMeasures; ++q) {
        const Field lo = lowField(Measure(q)), hi = highField(Measure(q));
        const std::optional<double>&low = own[lo], &high = own[hi];
        if (low && high) {
            if (*low > *high)
                for (const Field f : {lo, hi})
                    out.append({sensor, f, Reason::LowAboveHigh, above(*low, *high)});
            continue;
        }
        if (!shared || (!low && !high))
            continue;
        const std::optional<double> other = low ? (*shared)[hi] : (*shared)[lo];
        if (other && (low ? *low > *other : *other > *high))
            out.append({sensor, low ? lo : hi, Reason::AgainstShared,
                        (low ? above(*low, *other) : above(*other, *high)) +
                            QStringLiteral(" (with the limits for all sensors)")});
    }
    return out;
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

} // namespace view
