#include "controls/PropertyBag.h"

#include <QStringList>

namespace {

QString quoted(const QString& text)
{
    QString out = QStringLiteral("\"");
    for (QChar c : text) {
        switch (c.unicode()) {
        case '"': out += QStringLiteral("\\\""); break;
        case '\\': out += QStringLiteral("\\\\"); break;
        case '\n': out += QStringLiteral("\\n"); break;
        case '\r': out += QStringLiteral("\\r"); break;
        case '\t': out += QStringLiteral("\\t"); break;
        default: out += c;
        }
    }
    return out + QLatin1Char('"');
}

std::optional<QString> unquoted(const QString& text)
{
    if (text.size() < 2 || !text.startsWith(QLatin1Char('"')) || !text.endsWith(QLatin1Char('"')))
        return std::nullopt;
    QString out;
    for (qsizetype i = 1; i < text.size() - 1; ++i) {
        QChar c = text[i];
        if (c == QLatin1Char('"'))
            return std::nullopt;
        if (c != QLatin1Char('\\')) {
            out += c;
            continue;
        }
        if (++i >= text.size() - 1)
            return std::nullopt;
        switch (text[i].unicode()) {
        case 'n': out += QLatin1Char('\n'); break;
        case 'r': out += QLatin1Char('\r'); break;
        case 't': out += QLatin1Char('\t'); break;
        case '"': out += QLatin1Char('"'); break;
        case '\\': out += QLatin1Char('\\'); break;
        default: return std::nullopt;
        }
    }
    return out;
}

std::optional<QString> valueText(const QVariant& value)
{
    switch (value.typeId()) {
    case QMetaType::Bool:
        return value.toBool() ? QStringLiteral("True") : QStringLiteral("False");
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
        return value.toString();
    case QMetaType::QString:
        return quoted(value.toString());
    case QMetaType::QByteArray:
        return QStringLiteral("bytes:") + QString::fromLatin1(value.toByteArray().toBase64());
    default:
        return std::nullopt;
    }
}

std::optional<QVariant> parseValue(const QString& text)
{
    if (text == QLatin1String("True"))
        return QVariant(true);
    if (text == QLatin1String("False"))
        return QVariant(false);
    if (text.startsWith(QLatin1Char('"'))) {
        auto s = unquoted(text);
        return s ? std::optional<QVariant>(QVariant(*s)) : std::nullopt;
    }
    if (text.startsWith(QLatin1String("bytes:"))) {
        auto decoded = QByteArray::fromBase64Encoding(text.mid(6).toLatin1(),
                                                      QByteArray::AbortOnBase64DecodingErrors);
        return decoded ? std::optional<QVariant>(QVariant(*decoded)) : std::nullopt;
    }
    bool ok = false;
    qlonglong n = text.toLongLong(&ok);
    return ok ? std::optional<QVariant>(QVariant(n)) : std::nullopt;
}

// Integers read back as 64-bit whatever width they were written with; compare them as numbers.
bool sameValue(const QVariant& a, const QVariant& b)
{
    auto isInteger = [](const QVariant& v) {
        int t = v.typeId();
        return t == QMetaType::Int || t == QMetaType::UInt || t == QMetaType::LongLong || t == QMetaType::ULongLong;
    };
    if (isInteger(a) && isInteger(b))
        return a.toLongLong() == b.toLongLong();
    return a.typeId() == b.typeId() && a == b;
}

}  // namespace

qsizetype PropertyBag::indexOf(const QString& name) const
{
    for (qsizetype i = 0; i < m_entries.size(); ++i) {
        if (m_entries[i].key.compare(name, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

QVariant PropertyBag::ReadProperty(const QString& name, const QVariant& defaultValue) const
{
    qsizetype i = indexOf(name);
    return i >= 0 ? m_entries[i].value : defaultValue;
}

void PropertyBag::WriteProperty(const QString& name, const QVariant& value, const QVariant& defaultValue)
{
    qsizetype i = indexOf(name);
    if (defaultValue.isValid() && sameValue(value, defaultValue)) {
        if (i >= 0)
            m_entries.removeAt(i);
        return;
    }
    if (i >= 0)
        m_entries[i].value = value;
    else
        m_entries.append({name, value});
}

QStringList PropertyBag::keys() const
{
    QStringList out;
    for (const Entry& e : m_entries)
        out << e.key;
    return out;
}

QString PropertyBag::toText() const
{
    QString out;
    for (const Entry& e : m_entries) {
        if (auto text = valueText(e.value))
            out += e.key + QStringLiteral(" = ") + *text + QLatin1Char('\n');
    }
    return out;
}

std::optional<PropertyBag> PropertyBag::fromText(const QString& text, QString* error)
{
    PropertyBag bag;
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (qsizetype n = 0; n < lines.size(); ++n) {
        QString line = lines[n].trimmed();
        if (line.isEmpty())
            continue;
        qsizetype eq = line.indexOf(QLatin1Char('='));
        std::optional<QVariant> value;
        if (eq > 0)
            value = parseValue(line.mid(eq + 1).trimmed());
        if (!value) {
            if (error)
                *error = QStringLiteral("line %1: %2").arg(n + 1).arg(line);
            return std::nullopt;
        }
        bag.WriteProperty(line.left(eq).trimmed(), *value);
    }
    return bag;
}
