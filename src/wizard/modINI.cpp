#include "wizard/modINI.h"

#include <QFile>
#include <QSaveFile>

namespace {

constexpr int kMaxValueLength = 254;

// One line of the file without its line break, and the break itself ("\r\n", "\n" or none for
// a last line without one), so that rewriting the file keeps every other line byte for byte.
struct Line {
    QByteArray text;
    QByteArray ending;
};

QList<Line> readLines(const QString& file)
{
    QList<Line> lines;
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly))
        return lines;
    const QByteArray data = f.readAll();
    qsizetype pos = 0;
    while (pos < data.size()) {
        qsizetype nl = data.indexOf('\n', pos);
        Line line;
        if (nl < 0) {
            line.text = data.mid(pos);
            pos = data.size();
        } else {
            line.text = data.mid(pos, nl - pos);
            line.ending = "\n";
            pos = nl + 1;
        }
        if (line.text.endsWith('\r')) {
            line.text.chop(1);
            line.ending.prepend('\r');
        }
        lines.append(line);
    }
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
    for (const Line& l : readLines(file)) {
        const QByteArray& line = l.text;
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
    QList<Line> lines = readLines(file);
    // New lines follow the file's own line breaks; a new file gets the Windows ones.
    QByteArray eol = "\r\n";
    for (const Line& l : lines) {
        if (!l.ending.isEmpty()) {
            eol = l.ending;
            break;
        }
    }
    const QByteArray newLine = key.toLocal8Bit() + '=' + value;

    qsizetype sectionStart = -1;  // index of the line after the section's header
    qsizetype insertAt = -1;      // index after the section's last non-blank line
    bool replaced = false;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (const auto name = sectionOf(lines[i].text)) {
            if (sectionStart >= 0)
                break;
            if (name->compare(section, Qt::CaseInsensitive) == 0)
                sectionStart = insertAt = i + 1;
            continue;
        }
        if (sectionStart < 0)
            continue;
        if (isKeyLine(lines[i].text, key)) {
            lines[i].text = newLine;
            replaced = true;
            break;
        }
        if (!lines[i].text.trimmed().isEmpty())
            insertAt = i + 1;
    }
    if (!replaced) {
        QList<Line> added;
        if (sectionStart < 0)
            added.append({'[' + section.toLocal8Bit() + ']', eol});
        added.append({newLine, eol});
        if (sectionStart < 0)
            insertAt = lines.size();
        // The line before the insertion point must end with a break for the new line to start.
        if (insertAt > 0 && lines[insertAt - 1].ending.isEmpty())
            lines[insertAt - 1].ending = eol;
        for (qsizetype j = 0; j < added.size(); ++j)
            lines.insert(insertAt + j, added[j]);
    }

    QSaveFile out(file);
    if (!out.open(QIODevice::WriteOnly))
        return false;
    for (const Line& l : lines)
        out.write(l.text + l.ending);
    return out.commit();
}
