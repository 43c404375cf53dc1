#pragma once
// Numbers as they are typed: the locale's decimal separator becomes the point the settings file
// takes, before anything is checked, so "8,0" typed where a comma is the decimal separator is
// 8.0. A point is taken everywhere; the file's rule stays.

#include <QLocale>
#include <QValidator>

namespace view {
inline namespace window {

class DecimalInput : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString& input, int&) const override {
        const QString separator = QLocale().decimalPoint();
        if (separator != QLatin1String("."))
            input.replace(separator, QLatin1String("."));
        return Acceptable;
    }
};

} // namespace window
} // namespace view
