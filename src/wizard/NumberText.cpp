#include "wizard/NumberText.h"

#include <QLocale>

#include <cmath>

std::optional<double> parseDecimal(const QString& text)
{
    const QString t = text.trimmed();
    if (t.isEmpty())
        return std::nullopt;
    bool ok = false;
    const double value = QLocale::c().toDouble(t, &ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

Int16Result toInt16(const QString& text)
{
    const std::optional<double> value = parseDecimal(text);
    if (!value)
        return {0, QStringLiteral("Type mismatch")};
    // nearbyint follows the default rounding mode, round-half-to-even.
    const double rounded = std::nearbyint(*value);
    if (rounded < -32768.0 || rounded > 32767.0)
        return {0, QStringLiteral("Overflow")};
    return {static_cast<int16_t>(rounded), {}};
}
