#include "mysql/Variant.h"

#include <QLocale>

#include <cmath>
#include <limits>

Variant Variant::null()
{
    Variant v;
    v.m_kind = Kind::Null;
    return v;
}

QString Variant::toString() const
{
    switch (m_kind) {
    case Kind::Text:
        return m_text;
    case Kind::Number:
        return QString::number(m_number, 'g', 15);
    case Kind::DateTime: {
        QString text;
        if (m_date.isValid())
            text = m_date.toString(u"yyyy-MM-dd");
        if (m_time.isValid()) {
            if (!text.isEmpty())
                text += u' ';
            text += m_time.toString(m_time.msec() != 0 ? u"HH:mm:ss.zzz" : u"HH:mm:ss");
        }
        return text;
    }
    case Kind::Empty:
    case Kind::Null:
        break;
    }
    return QString();
}

std::optional<double> Variant::numericValue() const
{
    if (m_kind == Kind::Number)
        return m_number;
    if (m_kind != Kind::Text)
        return std::nullopt;
    return numberFromText(m_text);
}

std::optional<double> numberFromText(QStringView text)
{
    // Most texts handed in are column names: rule them out before the full parse.
    const QStringView trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return std::nullopt;
    const QChar first = trimmed.front();
    if (!first.isDigit() && first != u'-' && first != u'+' && first != u'.')
        return std::nullopt;
    bool ok = false;
    const double number = QLocale::c().toDouble(trimmed, &ok);
    if (!ok || !std::isfinite(number))
        return std::nullopt;
    return number;
}

bool operator==(const Variant& a, const Variant& b)
{
    using Kind = Variant::Kind;
    if (a.m_kind == Kind::Null || b.m_kind == Kind::Null)
        return false;
    if (a.m_kind == Kind::Empty || b.m_kind == Kind::Empty) {
        const Variant& other = a.m_kind == Kind::Empty ? b : a;
        switch (other.m_kind) {
        case Kind::Empty:
            return true;
        case Kind::Text:
            return other.m_text.isEmpty();
        case Kind::Number:
            return other.m_number == 0;
        case Kind::Null:
        case Kind::DateTime:
            break;
        }
        return false;
    }
    if (a.m_kind != b.m_kind)
        return false;
    if (a.m_kind == Kind::Text)
        return a.m_text == b.m_text;
    if (a.m_kind == Kind::DateTime)
        return a.m_date == b.m_date && a.m_time == b.m_time;
    return a.m_number == b.m_number;
}

std::optional<qint32> toInt32(const Variant& value)
{
    const std::optional<double> number = value.numericValue();
    return number ? toInt32(*number) : std::nullopt;
}

std::optional<qint32> roundedToInt32(double number)
{
    // nearbyint rounds halves to even in the default rounding mode.
    const double rounded = std::nearbyint(number);
    if (!(rounded >= std::numeric_limits<qint32>::min() && rounded <= std::numeric_limits<qint32>::max()))
        return std::nullopt;
    return static_cast<qint32>(rounded);
}
