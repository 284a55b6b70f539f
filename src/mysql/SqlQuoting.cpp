#include "mysql/SqlQuoting.h"

#include <QRegularExpression>

namespace {

QString dateText(const QDate& date)
{
    return date.toString(u"yyyy-MM-dd");
}

QString timeText(const DateTimeParts& parts)
{
    return parts.time.toString(u"HH:mm:ss") + parts.fraction;
}

QTime timeFrom(const QString& hours, const QString& minutes, const QString& seconds)
{
    return QTime(hours.toInt(), minutes.toInt(), seconds.isEmpty() ? 0 : seconds.toInt());
}

}  // namespace

QString quoteName(QStringView name)
{
    QString quoted;
    quoted.reserve(name.size() + 2);
    quoted += u'`';
    for (const QChar c : name) {
        quoted += c;
        if (c == u'`')
            quoted += c;
    }
    quoted += u'`';
    return quoted;
}

QString escapeLiteral(QStringView text, bool noBackslashEscapes)
{
    QString escaped;
    escaped.reserve(text.size() + 8);
    for (const QChar c : text) {
        if (noBackslashEscapes) {
            escaped += c;
            if (c == u'\'')
                escaped += c;
            continue;
        }
        // One pass gives the same as replacing each character over the whole text in turn
        // (backslash first), since no replacement brings in a character replaced later.
        switch (c.unicode()) {
        case u'\\':
            escaped += QLatin1String("\\\\");
            break;
        case 0:
            escaped += QLatin1String("\\0");
            break;
        case 8:
            escaped += QLatin1String("\\b");
            break;
        case 9:
            escaped += QLatin1String("\\t");
            break;
        case u'\'':
            escaped += QLatin1String("\\'");
            break;
        case u'"':
            escaped += QLatin1String("\\\"");
            break;
        case 10:
            escaped += QLatin1String("\\n");
            break;
        case 13:
            escaped += QLatin1String("\\r");
            break;
        default:
            escaped += c;
        }
    }
    return escaped;
}

QString escapeLikePattern(QStringView text, bool noBackslashEscapes)
{
    QString pattern;
    pattern.reserve(text.size() + 4);
    for (const QChar c : text) {
        if (c == u'\\' || c == u'_' || c == u'%')
            pattern += u'\\';
        pattern += c;
    }
    return escapeLiteral(pattern, noBackslashEscapes);
}

std::optional<DateTimeParts> readDateTime(const Variant& value)
{
    if (value.isDateTime()) {
        if (!value.date().isValid() && !value.time().isValid())
            return std::nullopt;
        DateTimeParts parts {value.date(), value.time(), QString()};
        if (parts.time.isValid() && parts.time.msec() != 0)
            parts.fraction = parts.time.toString(u".zzz");
        return parts;
    }
    if (!value.isText())
        return std::nullopt;

    // Date and time, date alone, time alone; digits are ASCII digits only.
    static const QRegularExpression form(QStringLiteral(
        "^(?:([0-9]{4})-([0-9]{1,2})-([0-9]{1,2}))?"
        "(?:(?:(?<=[0-9])[ T]|^)([0-9]{1,2}):([0-9]{2})(?::([0-9]{2})(\\.[0-9]{1,6})?)?)?$"));
    const QRegularExpressionMatch match = form.match(value.text().trimmed());
    const bool hasDate = match.hasMatch() && match.capturedLength(1) > 0;
    const bool hasTime = match.hasMatch() && match.capturedLength(4) > 0;
    if (!hasDate && !hasTime)
        return std::nullopt;

    DateTimeParts parts;
    if (hasDate) {
        parts.date =
            QDate(match.captured(1).toInt(), match.captured(2).toInt(), match.captured(3).toInt());
        if (!parts.date.isValid())
            return std::nullopt;
    }
    if (hasTime) {
        parts.time = timeFrom(match.captured(4), match.captured(5), match.captured(6));
        if (!parts.time.isValid())
            return std::nullopt;
        parts.fraction = match.captured(7);
    }
    return parts;
}

QString quoteText(const Variant& value, bool noBackslashEscapes)
{
    if (value.isNull())
        return QStringLiteral("NULL");
    return u'\'' + escapeLiteral(value.toString(), noBackslashEscapes) + u'\'';
}

QString quoteValue(const Variant& value, int columnType, bool noBackslashEscapes)
{
    if (value.isNull())
        return QStringLiteral("NULL");
    QString text;
    switch (columnType) {
    case DateColumnType: {
        const auto parts = readDateTime(value);
        text =
            parts && parts->date.isValid() ? dateText(parts->date) : QStringLiteral("0000-00-00");
        break;
    }
    case TimeColumnType: {
        // A date alone is the start of its day.
        const auto parts = readDateTime(value);
        text = !parts               ? QStringLiteral("00:00:00")
            : parts->time.isValid() ? timeText(*parts)
                                    : QStringLiteral("00:00:00");
        break;
    }
    case DateTimeColumnType: {
        const auto parts = readDateTime(value);
        if (parts && parts->date.isValid())
            text = dateText(parts->date) + u' '
                + (parts->time.isValid() ? timeText(*parts) : QStringLiteral("00:00:00"));
        else
            text = QStringLiteral("0000-00-00 00:00:00");
        break;
    }
    default:
        text = escapeLiteral(value.toString(), noBackslashEscapes);
    }
    return u'\'' + text + u'\'';
}
