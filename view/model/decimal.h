#pragma once
// Exact decimals for every number zelm-view shows. A reading is tenths as decoded; a gain, an
// offset or a limit is the decimal its settings line writes, held as whole billionths; a shown
// value is gain x decoded + offset rounded once, half away from zero, to thousandths; a mean or
// a standard deviation comes from exact sums of shown values and is rounded once to the digits
// it is printed with. No binary floating point lies between a text and its rounding: 1.9 with an
// offset of 0.0005 is 1.9005 and shows as 1.901.

#include <QByteArray>
#include <QByteArrayView>
#include <compare>
#include <cstdint>

namespace view {
inline namespace model {

/// '0' to '9' and nothing else, whatever the locale.
inline bool isAsciiDigit(char c) {
    return c >= '0' && c <= '9';
}

/// Integers wide enough for sums over millions of readings and their squares (g++, clang and
/// MinGW-w64 all have them).
__extension__ using Int128 = __int128;

/// Decimals a setting may have: its value is a whole number of billionths.
inline constexpr int kSettingDecimals = 9;
inline constexpr std::int64_t kBillion = 1000000000;

/// A number of the settings file, exactly, in billionths. Settings stay within +-1 000 000 (see
/// checkField), so every intermediate below fits its type.
struct Decimal {
    std::int64_t billionths = 0;
    /// The double nearest to it (for drawing and for the mean kinetic temperature only).
    double toDouble() const { return double(billionths) / double(kBillion); }
    auto operator<=>(const Decimal&) const = default;
};

enum class DecimalError {
    None,
    NotANumber, // not digits with a point as decimal separator
    TooPrecise, // more than kSettingDecimals decimals
    TooLarge    // beyond 1 000 000 000, far beyond any bound
};
/// Reads "[+-]digits[.digits][e[+-]ddd]" (also ".5", "5.") exactly, without blanks around it.
DecimalError parseDecimal(QByteArrayView text, Decimal& value);
/// The shortest text of a decimal, a point as separator: "8", "-0.3", "1.00402".
QByteArray decimalText(Decimal value);

/// How a value is shown: gain x decoded + offset. Gains lie within +-1000 and offsets within
/// +-100 000, as checkField allows.
struct Calibration {
    Decimal gain{kBillion};
    Decimal offset{};
    bool identity() const { return gain.billionths == kBillion && offset.billionths == 0; }
    /// The shown value of a decoded one (tenths, within +-999 999) in thousandths, rounded half
    /// away from zero: (gain x tenths + 10 x offset) / 10^7 with every term at most 1.001e18.
    std::int64_t shown(std::int32_t tenths) const {
        if (identity())
            return std::int64_t(tenths) * 100;
        const std::int64_t n = gain.billionths * tenths + 10 * offset.billionths;
        const std::int64_t q = n / 10000000, r = n % 10000000;
        return r >= 5000000 ? q + 1 : r <= -5000000 ? q - 1 : q;
    }
};

/// A shown value in thousandths as the CSV and the tables write it: three decimals at most,
/// trailing zeros dropped down to one ("8.0", "1.901", "-0.05"); never "-0.0".
QByteArray thousandthsText(std::int64_t thousandths);
/// Writes the same into out, returning its end: out has room for 24 characters.
char* writeThousandths(std::int64_t thousandths, char* out);
/// units / 10^decimals with exactly that many decimals ("7.08", "-0.0500"); never "-0.00".
QByteArray fixedText(Int128 units, int decimals);
/// The shown value nearest to a double that is one (a chart's point): exact, since a shown value
/// is at most about 1e11 thousandths and a double holds it to far better than half of one.
std::int64_t thousandthsOf(double shown);

/// The mean and sample standard deviation of shown values, from exact sums. Below 2^40 values
/// (more than any memory holds) every intermediate stays below 2^120.
class Moments {
public:
    void add(std::int64_t thousandths) {
        ++n_;
        sum_ += thousandths;
        squares_ += Int128(thousandths) * thousandths;
    }
    std::int64_t count() const { return n_; }
    /// The mean in units of 10^-decimals, rounded half away from zero; at least one value.
    Int128 mean(int decimals) const;
    /// The sample standard deviation (n - 1) in units of 10^-decimals (at most 4), its exact
    /// value rounded half up; at least two values.
    Int128 deviation(int decimals) const;
    /// Either as text with that many decimals; empty where it is not defined.
    QByteArray meanText(int decimals) const;
    QByteArray deviationText(int decimals) const;

private:
    std::int64_t n_ = 0;
    Int128 sum_ = 0, squares_ = 0;
};

} // namespace model
} // namespace view
