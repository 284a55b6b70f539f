#include "wizard/modINI.h"

#include <QFile>
#include <QSaveFile>

namespace {

constexpr int kMaxValueLength = 254;

QList<QByteArray> readLines(const QString& file)
{
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    QList<QByteArray> lines = f.readAll().split('\n');
    for (QByteArray& line : lines) {
        if (line.endsWith('\r'))
            line.chop(1);
    }
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

// The section name of a "[name]" line, or nothing for any other line.
std::optional<QString> sectionOf(const QByteArray& line)
{
    const QByteArray t = line.trimmed();
    if (t.size() < 2 || !t.startsWith('['))
        return std::nullopt;
    const int end = t.indexOf(']');
    if (end < 0)
        return std::nullopt;
    return QString::fromLocal8Bit(t.mid(1, end - 1)).trimmed();
}

// Whether the line is "key=..." for the key, matched without letter case.
bool isKeyLine(const QByteArray& line, const QString& key)
{
    const int eq = line.indexOf('=');
    if (eq < 0)
        return false;
    return QString::fromLocal8Bit(line.left(eq)).trimmed().compare(key, Qt::CaseInsensitive) == 0;
}

QByteArray valueOf(const QByteArray& line)
{
    QByteArray v = line.mid(line.indexOf('=') + 1).trimmed();
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
        v = v.mid(1, v.size() - 2);
    return v.left(kMaxValueLength);
}

}  // namespace

QString ReadIniValue(const QString& section, const QString& key, const QString& file)
{
    return QString::fromLocal8Bit(ReadIniBytes(section, key, file));
}

bool WriteIniValue(const QString& section, const QString& key, const QString& value,
                   const QString& file)
{
    return WriteIniBytes(section, key, value.toLocal8Bit(), file);
}

QByteArray ReadIniBytes(const QString& section, const QString& key, const QString& file)
{
    bool inSection = false;
    for (const QByteArray& line : readLines(file)) {
        if (const auto name = sectionOf(line)) {
            inSection = name->compare(section, Qt::CaseInsensitive) == 0;
            continue;
        }
        if (inSection && isKeyLine(line, key))
            return valueOf(line);
    }
    return {};
}

bool WriteIniBytes(const QString& section, const QString& key, const QByteArray& value,
                   const QString& file)
{
    QList<QByteArray> lines = readLines(file);
    const QByteArray newLine = key.toLocal8Bit() + '=' + value;

    qsizetype sectionStart = -1;  // index of the section's header line
    qsizetype sectionEnd = -1;    // index after its last non-blank line
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (const auto name = sectionOf(lines[i])) {
            if (sectionStart >= 0)
                break;
            if (name->compare(section, Qt::CaseInsensitive) == 0)
                sectionStart = sectionEnd = i + 1;
            continue;
        }
        if (sectionStart < 0)
            continue;
        if (isKeyLine(lines[i], key)) {
            lines[i] = newLine;
            sectionEnd = -2;  // replaced in place
            break;
        }
        if (!lines[i].trimmed().isEmpty())
            sectionEnd = i + 1;
    }
    if (sectionStart < 0) {
        if (!lines.isEmpty() && !lines.last().trimmed().isEmpty())
            lines.append(QByteArray());
        lines.append('[' + section.toLocal8Bit() + ']');
        lines.append(newLine);
    } else if (sectionEnd >= 0) {
        lines.insert(sectionEnd, newLine);
    }

    QSaveFile out(file);
    if (!out.open(QIODevice::WriteOnly))
        return false;
    for (const QByteArray& line : lines)
        out.write(line + "\r\n");
    return out.commit();
}
