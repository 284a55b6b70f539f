#include "stylesheet/Stylesheet.h"

#include "common/SafeFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>
#include <QSet>

namespace {

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

bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t' || c == u'\f';
}

bool isLineBreak(QChar c)
{
    return c == u'\r' || c == u'\n';
}

// One rule of a file's text: where its source lies (from its selector to its "}") and its rule
// line (the source on one line, comments dropped, " }" at the end).
struct ParsedRule {
    qsizetype Start = 0;
    qsizetype End = 0;   // one past the "}"
    QString Line;
};

// The index of the last character of the at-rule starting at `at`: its ";" or the "}" that
// closes its block, with quoted texts and comments passed over; the end of the text when neither
// comes.
qsizetype endOfAtRule(const QString& fileText, qsizetype at)
{
    int depth = 0;
    QChar quote;
    const qsizetype n = fileText.size();
    for (qsizetype i = at; i < n; ++i) {
        const QChar c = fileText.at(i);
        if (!quote.isNull()) {
            if (c == u'\\')
                ++i;
            else if (c == quote || isLineBreak(c))
                quote = QChar();
            continue;
        }
        if (c == u'/' && i + 1 < n && fileText.at(i + 1) == u'*') {
            const qsizetype close = fileText.indexOf(QStringLiteral("*/"), i + 2);
            i = close < 0 ? n : close + 1;
        } else if (isQuote(c)) {
            quote = c;
        } else if (c == u';' && depth == 0) {
            return i;
        } else if (c == u'{') {
            ++depth;
        } else if (c == u'}' && --depth <= 0) {
            return i;
        }
    }
    return n;
}

QList<ParsedRule> parseRules(const QString& fileText)
{
    // Line breaks are dropped, so a rule spread over several lines becomes one line. Comments
    // are dropped too, and a "}" inside a quoted value does not end its rule. A string that is
    // not closed ends at the end of its line, as browsers read it, so one stray quote cannot
    // swallow the rest of the file. The text after the last "}" is no rule.
    QList<ParsedRule> rules;
    QString piece;
    qsizetype start = -1;   // the first character of the rule's source, once seen
    QChar quote;
    const qsizetype n = fileText.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = fileText.at(i);
        if (isLineBreak(c)) {
            quote = QChar();
            continue;
        }
        // A byte-order mark belongs to the file, not to the first selector.
        if (i == 0 && c == QChar(0xFEFF))
            continue;
        if (!quote.isNull()) {
            piece += c;
            if (c == u'\\' && i + 1 < n && !isLineBreak(fileText.at(i + 1)))
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
        // An at-rule (@media, @supports, @import, ...) is no rule of the editor's: its text, a
        // whole block with the rules inside included, stays between the rules as it was read.
        if (start < 0 && c == u'@') {
            i = endOfAtRule(fileText, i);
            continue;
        }
        if (c == u'}') {
            rules.append({start < 0 ? i : start, i + 1, piece + QStringLiteral(" }")});
            piece.clear();
            start = -1;
            continue;
        }
        if (start < 0 && !isBlank(c))
            start = i;
        if (isQuote(c))
            quote = c;
        piece += c;
    }
    return rules;
}

// The first line end of `text`; CR LF when it has none.
QString lineEndOf(const QString& text)
{
    const qsizetype i = text.indexOf(QRegularExpression(QStringLiteral("[\r\n]")));
    if (i < 0)
        return QStringLiteral("\r\n");
    if (text.at(i) == u'\n')
        return QStringLiteral("\n");
    return i + 1 < text.size() && text.at(i + 1) == u'\n' ? QStringLiteral("\r\n") : QStringLiteral("\r");
}

bool endsWithLineBreak(const QString& text)
{
    return !text.isEmpty() && isLineBreak(text.back());
}

bool startsWithLineBreak(const QString& text)
{
    return !text.isEmpty() && isLineBreak(text.front());
}

// Takes a removed rule's place at `pos` out of `text` together with the line it stood alone on:
// the blanks before it back to the line's start and the blanks and the line break after it. A
// rule that shared its line loses only the blanks that would be left dangling or doubled. Returns where the
// removed stretch began and how long it was.
std::pair<qsizetype, qsizetype> closeGap(QString& text, qsizetype pos)
{
    qsizetype start = pos;
    while (start > 0 && isBlank(text.at(start - 1)))
        --start;
    const bool lineStart = start == 0 || isLineBreak(text.at(start - 1));
    qsizetype end = pos;
    while (end < text.size() && isBlank(text.at(end)))
        ++end;
    bool lineEnd = end == text.size();
    if (!lineEnd && text.at(end) == u'\r') {
        ++end;
        if (end < text.size() && text.at(end) == u'\n')
            ++end;
        lineEnd = true;
    } else if (!lineEnd && text.at(end) == u'\n') {
        ++end;
        lineEnd = true;
    }
    if (!lineStart && !lineEnd) {
        // In the middle of a line: of the blanks on both sides, one side's go.
        if (start == pos)
            return {pos, 0};
        text.remove(pos, end - pos);
        return {pos, end - pos};
    }
    if (!lineStart) {
        // Something stays before it on the line: only the blanks between that and the line end go.
        text.remove(start, pos - start);
        return {start, pos - start};
    }
    if (!lineEnd) {
        // Something follows on its line: the blanks before that go, the indentation stays.
        text.remove(pos, end - pos);
        return {pos, end - pos};
    }
    text.remove(start, end - start);
    return {start, end - start};
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

void Stylesheet::clearFile()
{
    m_rules.clear();
    m_pieces.clear();
    m_readIds.clear();
    m_latin1 = false;
    m_lineEnd = QStringLiteral("\r\n");
    m_readError.clear();
}

bool Stylesheet::LoadCSSData(QString* error)
{
    clearFile();
    QFile file(FilePath());
    if (!file.exists())
        return true;
    QByteArray bytes;
    if (file.open(QIODevice::ReadOnly))
        bytes = file.readAll();
    if (!file.isOpen() || file.error() != QFileDevice::NoError) {
        m_readError = file.errorString();
        if (error)
            *error = m_readError;
        return false;
    }

    // UTF-8 when the bytes are UTF-8 through and through (a byte-order mark is kept as a
    // character of the text); otherwise every byte is one Latin-1 character, so that the bytes
    // come back as they were.
    const bool bom = bytes.startsWith("\xEF\xBB\xBF");
    const QByteArray body = bom ? bytes.mid(3) : bytes;
    QString text = QString::fromUtf8(body);
    if (text.toUtf8() == body) {
        if (bom)
            text.prepend(QChar(0xFEFF));
    } else {
        m_latin1 = true;
        text = QString::fromLatin1(bytes);
    }
    m_lineEnd = lineEndOf(text);

    QHash<QString, int> ids;   // rule line -> rule
    qsizetype at = 0;
    for (const ParsedRule& parsed : parseRules(text)) {
        m_pieces.append({text.mid(at, parsed.Start - at), 0, {}});
        const QString source = text.mid(parsed.Start, parsed.End - parsed.Start);
        const auto seen = ids.constFind(parsed.Line);
        if (seen != ids.constEnd()) {
            m_pieces.append({source, *seen, parsed.Line});
        } else {
            const int id = AddRule(CategoryOf(parsed.Line), GetCSSElementName(parsed.Line), parsed.Line);
            ids.insert(parsed.Line, id);
            m_readIds.insert(id);
            m_pieces.append({source, id, parsed.Line});
        }
        at = parsed.End;
    }
    m_pieces.append({text.mid(at), 0, {}});
    return true;
}

QStringList Stylesheet::ParseRuleLines(const QString& fileText)
{
    QStringList lines;
    QSet<QString> seen;
    for (const ParsedRule& parsed : parseRules(fileText)) {
        if (!seen.contains(parsed.Line)) {
            seen.insert(parsed.Line);
            lines << parsed.Line;
        }
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

QString Stylesheet::encodable(const QString& text) const
{
    if (!m_latin1)
        return text;
    // A Latin-1 file cannot hold the character itself: CSS reads the escape as that character
    // in selectors, strings and values alike.
    QString out;
    for (qsizetype i = 0; i < text.size(); ++i) {
        char32_t code = text.at(i).unicode();
        if (code <= 0xFF) {
            out += text.at(i);
            continue;
        }
        if (text.at(i).isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            code = QChar::surrogateToUcs4(text.at(i), text.at(i + 1));
            ++i;
        }
        out += QStringLiteral("\\%1 ").arg(uint(code), 0, 16).toUpper();
    }
    return out;
}

QByteArray Stylesheet::FileBytes() const
{
    QString out;
    QList<qsizetype> removedAt;   // where a rule was taken out
    qsizetype afterLastRule = -1;
    QSet<int> written;
    for (const Piece& piece : m_pieces) {
        if (piece.RuleId == 0) {
            out += piece.Text;
            continue;
        }
        const CssRule* rule = Rule(piece.RuleId);
        if (rule && rule->RuleText == piece.ReadText) {
            out += piece.Text;   // untouched: as read
        } else if (rule && !written.contains(rule->Id) && !rule->RuleText.isEmpty()) {
            // Changed: the new text takes the place of the first copy; repeats of the old text
            // go, or they would undo the change.
            out += encodable(rule->RuleText);
            written.insert(rule->Id);
        } else {
            removedAt << out.size();
        }
        afterLastRule = out.size();
    }
    if (afterLastRule < 0)
        afterLastRule = out.size();

    // Removed rules take the line they stood alone on with them; from the end, so that earlier
    // places stay valid.
    for (auto it = removedAt.crbegin(); it != removedAt.crend(); ++it) {
        if (it + 1 != removedAt.crend() && *(it + 1) == *it)
            continue;
        const auto [start, length] = closeGap(out, *it);
        if (afterLastRule > start)
            afterLastRule -= std::min(afterLastRule, start + length) - start;
    }

    // New rules follow the last rule of the file, one a line. A rule that was never given a text
    // (a new rule not yet named or edited) has nothing to write.
    QString added;
    const QString before = out.left(afterLastRule);
    for (const CssRule& rule : m_rules) {
        if (!m_readIds.contains(rule.Id) && !rule.RuleText.isEmpty()) {
            if (!(before + added).isEmpty() && !endsWithLineBreak(before + added))
                added += m_lineEnd;
            added += encodable(rule.RuleText);
        }
    }
    if (!added.isEmpty()) {
        const QString after = out.mid(afterLastRule);
        if (!startsWithLineBreak(after))
            added += m_lineEnd;
        out = before + added + after;
    }
    return m_latin1 ? out.toLatin1() : out.toUtf8();
}

bool Stylesheet::Save(QString* error) const
{
    QString reason;
    if (!m_readError.isEmpty()) {
        reason = QStringLiteral("It could not be read (%1), so it is not replaced.").arg(m_readError);
    } else {
        reason = writeWholeFile(FilePath(), FileBytes());
    }
    if (reason.isEmpty())
        return true;
    if (error)
        *error = reason;
    return false;
}

QString Stylesheet::GetCSSElementName(const QString& ruleText)
{
    if (!ruleText.contains(u'{'))
        return ruleText;
    const QString selector = selectorOf(ruleText);
    if (!selector.startsWith(u'#') && !selector.contains(u'.'))
        return UpperCaseTagNames(selector);
    return selector;
}

namespace {

bool isNameChar(QChar c)
{
    return c.isLetterOrNumber() || c == u'-' || c == u'_' || c.unicode() >= 0x80;
}

// Copies the name (letters, digits, "-", "_", escapes) that starts at `i`; returns where it ends.
qsizetype nameEnd(const QString& text, qsizetype i)
{
    while (i < text.size()) {
        if (text.at(i) == u'\\' && i + 1 < text.size())
            i += 2;
        else if (isNameChar(text.at(i)))
            ++i;
        else
            break;
    }
    return i;
}

QString asciiUpper(const QString& text)
{
    QString out = text;
    for (qsizetype i = 0; i < out.size(); ++i) {
        if (out.at(i) == u'\\') {
            ++i;   // an escaped character stays as written
            continue;
        }
        if (out.at(i) >= u'a' && out.at(i) <= u'z')
            out[i] = QChar(out.at(i).unicode() - 32);
    }
    return out;
}

// The end of the bracketed or parenthesised part that opens at `i` (one past its closing
// character), skipping quoted strings and nested brackets; -1 when it is not closed.
qsizetype groupEnd(const QString& text, qsizetype i)
{
    const QChar open = text.at(i);
    const QChar close = open == u'[' ? u']' : u')';
    int depth = 0;
    QChar quote;
    for (; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (!quote.isNull()) {
            if (c == u'\\')
                ++i;
            else if (c == quote)
                quote = QChar();
        } else if (c == u'\\') {
            ++i;
        } else if (isQuote(c)) {
            quote = c;
        } else if (c == open) {
            ++depth;
        } else if (c == close && --depth == 0) {
            return i + 1;
        }
    }
    return -1;
}

// Pseudo-classes whose argument is itself a selector list.
bool takesSelectors(const QString& pseudo)
{
    static const QSet<QString> names = {
        QStringLiteral("not"), QStringLiteral("is"), QStringLiteral("where"), QStringLiteral("has"),
        QStringLiteral("matches"), QStringLiteral("-webkit-any"), QStringLiteral("-moz-any"),
        QStringLiteral("host"), QStringLiteral("host-context"), QStringLiteral("slotted"),
    };
    return names.contains(pseudo.toLower());
}

}  // namespace

QString Stylesheet::UpperCaseTagNames(const QString& selector)
{
    // Tag names (and namespace-less "*") stand at the start of a compound selector; ids, classes
    // and attribute selectors follow "#", "." and "[", and pseudo-classes ":". Only the tag names,
    // which HTML matches in any case, and the pseudo-class keywords, which CSS reads in any case,
    // are upper-cased.
    QString out;
    const qsizetype n = selector.size();
    qsizetype i = 0;
    while (i < n) {
        const QChar c = selector.at(i);
        if (c == u'#' || c == u'.') {
            const qsizetype end = nameEnd(selector, i + 1);
            out += selector.mid(i, end - i);
            i = end;
        } else if (c == u'[') {
            const qsizetype end = groupEnd(selector, i);
            out += selector.mid(i, end < 0 ? -1 : end - i);
            i = end < 0 ? n : end;
        } else if (c == u':') {
            qsizetype start = i + 1;
            if (start < n && selector.at(start) == u':')
                ++start;
            const qsizetype end = nameEnd(selector, start);
            const QString name = selector.mid(start, end - start);
            out += selector.mid(i, start - i) + asciiUpper(name);
            i = end;
            if (i < n && selector.at(i) == u'(') {
                const qsizetype close = groupEnd(selector, i);
                if (close < 0) {
                    out += selector.mid(i);
                    i = n;
                } else {
                    const QString argument = selector.mid(i + 1, close - i - 2);
                    out += u'(' + (takesSelectors(name) ? UpperCaseTagNames(argument) : argument) + u')';
                    i = close;
                }
            }
        } else if (isQuote(c)) {
            // Not a selector character; kept as it stands up to its closing quote.
            qsizetype end = i + 1;
            while (end < n && selector.at(end) != c)
                end += selector.at(end) == u'\\' ? 2 : 1;
            end = std::min(end + 1, n);
            out += selector.mid(i, end - i);
            i = end;
        } else if (isNameChar(c) || (c == u'\\' && i + 1 < n)) {
            const qsizetype end = nameEnd(selector, i);
            const QString name = selector.mid(i, end - i);
            if (end < n && selector.at(end) == u'|' && (end + 1 >= n || selector.at(end + 1) != u'=')) {
                // A namespace prefix: matched as written.
                out += name;
            } else {
                out += asciiUpper(name);
            }
            i = end;
        } else {
            out += c;
            ++i;
        }
    }
    return out;
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
