#include "wizard/modINI.h"

#include "common/SafeFile.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

namespace {

constexpr qsizetype kMaxValueLength = 254;
const QByteArray kUtf8ByteOrderMark = QByteArrayLiteral("\xEF\xBB\xBF");

QString folded(const QString& name)
{
    return name.toCaseFolded();
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

// The key of a "key=..." line, or nothing for a line without "=".
std::optional<QString> keyOf(const QByteArray& line)
{
    const int eq = line.indexOf('=');
    if (eq < 0)
        return std::nullopt;
    return QString::fromLocal8Bit(line.left(eq)).trimmed();
}

QByteArray valueOf(const QByteArray& line)
{
    QByteArray v = line.mid(line.indexOf('=') + 1).trimmed();
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
        v = v.mid(1, v.size() - 2);
    return v;
}

}  // namespace

IniDocument IniDocument::read(const QString& file)
{
    IniDocument doc;
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly)) {
        if (QFileInfo::exists(file))
            doc.m_readFailure = f.errorString();
        return doc;
    }
    const QByteArray data = f.readAll();
    if (f.error() != QFileDevice::NoError) {
        doc.m_readFailure = f.errorString();
        return doc;
    }
    qsizetype pos = 0;
    if (data.startsWith(kUtf8ByteOrderMark)) {
        doc.m_byteOrderMark = kUtf8ByteOrderMark;
        pos = kUtf8ByteOrderMark.size();
    }
    const qsizetype size = data.size();
    while (pos < size) {
        qsizetype end = pos;
        while (end < size && data[end] != '\n' && data[end] != '\r')
            ++end;
        Line line {data.mid(pos, end - pos), {}};
        if (end < size) {
            const bool crlf = data[end] == '\r' && end + 1 < size && data[end + 1] == '\n';
            line.ending = data.mid(end, crlf ? 2 : 1);
        }
        pos = end + line.ending.size();
        doc.m_lines.append(std::move(line));
    }
    return doc;
}

void IniDocument::buildIndex() const
{
    if (m_indexed)
        return;
    m_valueLines.clear();
    m_firstSectionKeys.clear();
    m_sections.clear();
    QString section;
    bool inSection = false;
    SectionPlace* place = nullptr;
    for (qsizetype i = 0; i < m_lines.size(); ++i) {
        if (const auto name = sectionOf(m_lines[i].text)) {
            section = folded(*name);
            inSection = true;
            place = nullptr;
            if (!m_sections.contains(section)) {
                place = &m_sections[section];
                place->header = i;
                place->end = i + 1;
            }
            continue;
        }
        if (inSection)
            indexLine(i, section, place);
    }
    m_indexed = true;
}

void IniDocument::indexLine(qsizetype i, const QString& section, SectionPlace* place) const
{
    const QByteArray& text = m_lines[i].text;
    if (const auto key = keyOf(text)) {
        const NameKey name {section, folded(*key)};
        // The first occurrence wins.
        if (!m_valueLines.contains(name))
            m_valueLines.insert(name, i);
        if (place && !m_firstSectionKeys.contains(name))
            m_firstSectionKeys.insert(name, i);
    }
    if (place && !text.trimmed().isEmpty())
        place->end = i + 1;
}

std::optional<QByteArray> IniDocument::rawValue(const QString& section, const QString& key) const
{
    buildIndex();
    const auto line = m_valueLines.constFind({folded(section), folded(key)});
    if (line == m_valueLines.cend())
        return std::nullopt;
    return valueOf(m_lines[*line].text);
}

QByteArray IniDocument::bytes(const QString& section, const QString& key) const
{
    return rawValue(section, key).value_or(QByteArray()).left(kMaxValueLength);
}

QString IniDocument::text(const QString& section, const QString& key) const
{
    const QByteArray value = rawValue(section, key).value_or(QByteArray());
    if (value.size() <= kMaxValueLength)
        return QString::fromLocal8Bit(value);
    // The decoder keeps a character cut in two as pending input instead of turning it into a
    // replacement character, so the text ends after the last character that fits whole.
    QStringDecoder decoder(QStringDecoder::System);
    return decoder.decode(value.left(kMaxValueLength));
}

void IniDocument::setBytes(const QString& section, const QString& key, const QByteArray& value)
{
    buildIndex();
    const QByteArray newLine = key.toLocal8Bit() + '=' + value;
    const QString sectionKey = folded(section);
    if (const auto line = m_firstSectionKeys.constFind({sectionKey, folded(key)}); line != m_firstSectionKeys.cend()) {
        m_lines[*line].text = newLine;
        return;
    }
    const auto place = m_sections.find(sectionKey);

    // New lines follow the file's own line breaks; a new file gets the Windows ones.
    QByteArray eol = "\r\n";
    for (const Line& l : std::as_const(m_lines)) {
        if (!l.ending.isEmpty()) {
            eol = l.ending;
            break;
        }
    }
    QList<Line> added;
    qsizetype insertAt = m_lines.size();
    if (place != m_sections.end())
        insertAt = place->end;
    else
        added.append({'[' + section.toLocal8Bit() + ']', eol});
    added.append({newLine, eol});
    // The line before the insertion point must end with a break for the new line to start.
    if (insertAt > 0 && m_lines[insertAt - 1].ending.isEmpty())
        m_lines[insertAt - 1].ending = eol;
    const bool atEnd = insertAt == m_lines.size();
    m_lines.insert(insertAt, added.size(), Line {});
    for (qsizetype j = 0; j < added.size(); ++j)
        m_lines[insertAt + j] = added[j];
    if (!atEnd) {
        m_indexed = false;
        return;
    }
    // Lines added at the end move no other line: the index grows instead of being rebuilt, so a
    // new section costs the same however long the file is.
    SectionPlace* target = place != m_sections.end() ? &*place : nullptr;
    if (!target) {
        target = &m_sections[sectionKey];
        target->header = insertAt;
    }
    indexLine(m_lines.size() - 1, sectionKey, target);
}

void IniDocument::setText(const QString& section, const QString& key, const QString& value)
{
    setBytes(section, key, value.toLocal8Bit());
}

QString IniDocument::write(const QString& file, QFileDevice::Permissions permissions) const
{
    // A file that exists but could not be read is not replaced by what little is known of it.
    if (!m_readFailure.isEmpty())
        return m_readFailure;
    QByteArray out = m_byteOrderMark;
    for (const Line& l : m_lines)
        out += l.text + l.ending;
    return writeWholeFile(file, out, permissions);
}

QString ReadIniValue(const QString& section, const QString& key, const QString& file)
{
    return IniDocument::read(file).text(section, key);
}

bool WriteIniValue(const QString& section, const QString& key, const QString& value,
                   const QString& file)
{
    return WriteIniBytes(section, key, value.toLocal8Bit(), file);
}

QByteArray ReadIniBytes(const QString& section, const QString& key, const QString& file)
{
    return IniDocument::read(file).bytes(section, key);
}

bool WriteIniBytes(const QString& section, const QString& key, const QByteArray& value,
                   const QString& file)
{
    IniDocument doc = IniDocument::read(file);
    doc.setBytes(section, key, value);
    return doc.write(file).isEmpty();
}
