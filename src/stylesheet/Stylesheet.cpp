#include "stylesheet/Stylesheet.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QSet>

namespace {

const QString kCrLf = QStringLiteral("\r\n");

// Trims blanks (spaces only) at both ends.
QString trimSpaces(const QString& text)
{
    qsizetype start = 0;
    qsizetype end = text.size();
    while (start < end && text.at(start) == u' ')
        ++start;
    while (end > start && text.at(end - 1) == u' ')
        --end;
    return text.mid(start, end - start);
}

// The selector of a rule line as the display name and the category take it.
QString selectorOf(const QString& ruleText)
{
    const qsizetype brace = ruleText.indexOf(u'{');
    QString selector = brace < 0 ? ruleText : ruleText.left(brace);
    return trimSpaces(selector).remove(u'\t');
}

bool isQuote(QChar c)
{
    return c == u'"' || c == u'\'';
}

}  // namespace

Stylesheet::Stylesheet(const QString& programFolder) : m_programFolder(programFolder) {}

const QList<StylesheetCategory>& Stylesheet::Categories()
{
    static const QList<StylesheetCategory> categories = {
        {QStringLiteral("tags"), QStringLiteral("HTML Tags")},
        {QStringLiteral("uids"), QStringLiteral("Unique IDs")},
        {QStringLiteral("classes"), QStringLiteral("Classes")},
    };
    return categories;
}

QString Stylesheet::CategoryCaption(const QString& key)
{
    for (const StylesheetCategory& c : Categories()) {
        if (c.Key == key)
            return c.Caption;
    }
    return {};
}

QString Stylesheet::NewRuleName(const QString& category)
{
    if (category == QStringLiteral("uids"))
        return QStringLiteral("#UID1");
    if (category == QStringLiteral("classes"))
        return QStringLiteral(".class1");
    return QStringLiteral("New1");
}

QString Stylesheet::FilePath() const
{
    // A full path names the file itself; a bare name is a file beside the program.
    if (QDir::isAbsolutePath(m_path))
        return m_path;
    return FullPath(m_programFolder, m_path);
}

bool Stylesheet::LoadCSSData(QString* error)
{
    m_rules.clear();
    QFile file(FilePath());
    if (!file.exists())
        return true;
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = file.errorString();
        return false;
    }
    QString text = QString::fromLocal8Bit(file.readAll());
    // A byte-order mark would end up glued to the first selector, in the middle of the file once
    // it is written back, where browsers drop the rule it stands in.
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);
    for (const QString& line : ParseRuleLines(text))
        AddRule(CategoryOf(line), GetCSSElementName(line), line);
    return true;
}

QStringList Stylesheet::ParseRuleLines(const QString& fileText)
{
    // Line breaks are dropped, so a rule spread over several lines becomes one line. Comments
    // are dropped too, and a "}" inside a quoted value does not end its rule. A string that is
    // not closed ends at the end of its line, as browsers read it, so one stray quote cannot
    // swallow the rest of the file. The text after the last "}" is no rule and is dropped.
    QStringList lines;
    QSet<QString> seen;
    QString piece;
    QChar quote;
    const qsizetype n = fileText.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = fileText.at(i);
        if (c == u'\r' || c == u'\n') {
            quote = QChar();
            continue;
        }
        if (!quote.isNull()) {
            piece += c;
            if (c == u'\\' && i + 1 < n && fileText.at(i + 1) != u'\r' && fileText.at(i + 1) != u'\n')
                piece += fileText.at(++i);
            else if (c == quote)
                quote = QChar();
            continue;
        }
        if (c == u'/' && i + 1 < n && fileText.at(i + 1) == u'*') {
            const qsizetype close = fileText.indexOf(QStringLiteral("*/"), i + 2);
            i = close < 0 ? n : close + 1;
            continue;
        }
        if (c == u'}') {
            const QString line = piece + QStringLiteral(" }");
            if (!seen.contains(line)) {
                seen.insert(line);
                lines << line;
            }
            piece.clear();
            continue;
        }
        if (isQuote(c))
            quote = c;
        piece += c;
    }
    return lines;
}

const CssRule* Stylesheet::Rule(int id) const
{
    const int i = indexOf(id);
    return i < 0 ? nullptr : &m_rules.at(i);
}

int Stylesheet::AddRule(const QString& category, const QString& displayName, const QString& ruleText)
{
    const int id = m_nextId++;
    m_rules.append({id, category, displayName, ruleText});
    return id;
}

bool Stylesheet::RemoveRule(int id)
{
    const int i = indexOf(id);
    if (i < 0)
        return false;
    m_rules.removeAt(i);
    return true;
}

void Stylesheet::SetDisplayName(int id, const QString& name)
{
    const int i = indexOf(id);
    if (i >= 0)
        m_rules[i].DisplayName = name;
}

void Stylesheet::SetRuleText(int id, const QString& text)
{
    const int i = indexOf(id);
    if (i >= 0)
        m_rules[i].RuleText = text;
}

int Stylesheet::indexOf(int id) const
{
    for (int i = 0; i < m_rules.size(); ++i) {
        if (m_rules.at(i).Id == id)
            return i;
    }
    return -1;
}

QString Stylesheet::FileText() const
{
    QString text = kCrLf;
    for (const CssRule& rule : m_rules)
        text += rule.RuleText + kCrLf;
    return text + kCrLf;
}

bool Stylesheet::Save(QString* error) const
{
    QSaveFile file(FilePath());
    if (!file.open(QIODevice::WriteOnly)) {
        if (error)
            *error = file.errorString();
        return false;
    }
    file.write(FileText().toLocal8Bit());
    if (!file.commit()) {
        if (error)
            *error = file.errorString();
        return false;
    }
    return true;
}

QString Stylesheet::GetCSSElementName(const QString& ruleText)
{
    if (!ruleText.contains(u'{'))
        return ruleText;
    const QString selector = selectorOf(ruleText);
    if (!selector.startsWith(u'#') && !selector.contains(u'.'))
        return selector.toUpper();
    return selector;
}

QString Stylesheet::CategoryOf(const QString& ruleText)
{
    const QString selector = selectorOf(ruleText);
    if (selector.contains(u'.'))
        return QStringLiteral("classes");
    if (selector.startsWith(u'#'))
        return QStringLiteral("uids");
    return QStringLiteral("tags");
}

QString Stylesheet::NoStrings(const QString& text)
{
    // A backslash inside a string escapes the next character, so an escaped quote does not end it;
    // a string left open runs to the end of the text.
    QString masked = text;
    QChar quote;
    for (qsizetype i = 0; i < masked.size(); ++i) {
        const QChar c = masked.at(i);
        if (quote.isNull()) {
            if (isQuote(c)) {
                quote = c;
                masked[i] = u' ';
            }
            continue;
        }
        masked[i] = u' ';
        if (c == u'\\' && i + 1 < masked.size())
            masked[++i] = u' ';
        else if (c == quote)
            quote = QChar();
    }
    return masked;
}

QString Stylesheet::FullPath(const QString& folder, const QString& file)
{
    return folder.endsWith(u'/') ? folder + file : folder + u'/' + file;
}

QString Stylesheet::Ext(const QString& fileName)
{
    const qsizetype dot = fileName.lastIndexOf(u'.');
    return dot < 0 ? QString() : fileName.mid(dot + 1);
}

QList<CssProperty> Stylesheet::SplitRule(const QString& ruleText)
{
    QList<CssProperty> properties;
    const qsizetype open = ruleText.indexOf(u'{');
    if (open < 0)
        return properties;
    const QString masked = NoStrings(ruleText);
    const qsizetype close = masked.indexOf(u'}', open + 1);
    if (close < 0)
        return properties;

    // Declarations end at a ";" outside quotes; the name ends at the first ":", and the value
    // keeps everything after it.
    const qsizetype bodyStart = open + 1;
    qsizetype start = bodyStart;
    for (qsizetype i = bodyStart; i <= close; ++i) {
        if (i < close && masked.at(i) != u';')
            continue;
        const QString piece = ruleText.mid(start, i - start).trimmed();
        start = i + 1;
        if (piece.isEmpty())
            continue;
        const qsizetype colon = NoStrings(piece).indexOf(u':');
        if (colon < 0)
            properties.append({piece, QString()});
        else
            properties.append({piece.left(colon).trimmed(), piece.mid(colon + 1).trimmed()});
    }
    return properties;
}

QString Stylesheet::RebuildRule(const QString& displayName, const QList<CssProperty>& properties)
{
    QString text = displayName + QStringLiteral("    {");
    for (const CssProperty& p : properties)
        text += p.Name + QStringLiteral(": ") + p.Value + QStringLiteral("; ");
    return text + u'}';
}
