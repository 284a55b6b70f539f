#include "generator/PhpStatements.h"

#include <QByteArrayView>

#include <algorithm>

namespace {

constexpr qsizetype kShownStatementLength = 80;

bool isNameStart(char c)
{
    const auto u = static_cast<unsigned char>(c);
    return (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || u == '_' || u >= 0x80;
}

bool isNameChar(char c)
{
    return isNameStart(c) || (c >= '0' && c <= '9');
}

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

void appendUtf8(QByteArray& out, char32_t code)
{
    out += QString::fromUcs4(&code, 1).toUtf8();
}

class Scanner {
public:
    explicit Scanner(const QByteArray& bytes) : m_bytes(bytes) {}

    PhpScript run()
    {
        PhpScript script;
        if (m_bytes.startsWith("\xEF\xBB\xBF"))
            m_pos = 3;
        skipWhitespace();
        if (!lookingAtWord("<?php"))
            return script;
        m_pos += 5;
        script.opened = true;
        for (;;) {
            skipBlanks(&script.unread);
            if (atEnd())
                break;
            if (lookingAt("?>")) {
                m_pos += 2;
                skipWhitespace();
                if (!atEnd())
                    script.unread << PhpUnread{m_line, shown(m_pos, m_bytes.size()),
                                               QStringLiteral("text after the closing ?> tag"),
                                               m_bytes.mid(m_pos), true};
                break;
            }
            const qsizetype start = m_pos;
            const int line = m_line;
            PhpStatement statement;
            statement.line = line;
            if (parseStatement(statement)) {
                statement.raw = m_bytes.mid(start, m_pos - start);
                script.statements << statement;
                continue;
            }
            const QString reason = m_error;
            m_pos = start;
            m_line = line;
            skipRestOfStatement();
            script.unread << PhpUnread{line, shown(start, m_pos), reason, m_bytes.mid(start, m_pos - start)};
        }
        return script;
    }

private:
    bool atEnd() const { return m_pos >= m_bytes.size(); }
    char peek(qsizetype ahead = 0) const
    {
        const qsizetype at = m_pos + ahead;
        return at < m_bytes.size() ? m_bytes[at] : '\0';
    }
    void advance()
    {
        if (m_bytes[m_pos] == '\n')
            ++m_line;
        ++m_pos;
    }
    // Compared in place: a copy of the rest of the file at every character would make reading
    // a long comment or text take time in the square of its length.
    bool lookingAt(const char* text) const
    {
        return QByteArrayView(m_bytes).sliced(std::min(m_pos, m_bytes.size())).startsWith(text);
    }
    bool lookingAtWord(const char* word) const
    {
        const QByteArray w(word);
        return m_bytes.mid(m_pos, w.size()).compare(w, Qt::CaseInsensitive) == 0
               && !isNameChar(peek(w.size()));
    }

    QString shown(qsizetype from, qsizetype to) const
    {
        QString text = QString::fromLocal8Bit(m_bytes.mid(from, to - from)).simplified();
        if (text.size() > kShownStatementLength)
            text = text.left(kShownStatementLength - 3) + QStringLiteral("...");
        return text;
    }

    void skipWhitespace()
    {
        while (!atEnd() && QChar::isSpace(static_cast<unsigned char>(peek())))
            advance();
    }

    // Whitespace and comments. A line comment ends at the line's end or at "?>", as in PHP.
    // Comments between statements are kept in `comments` when given.
    void skipBlanks(QList<PhpUnread>* comments = nullptr)
    {
        for (;;) {
            skipWhitespace();
            const qsizetype start = m_pos;
            const int line = m_line;
            if (lookingAt("//") || lookingAt("#")) {
                while (!atEnd() && peek() != '\n' && !lookingAt("?>"))
                    advance();
            } else if (lookingAt("/*")) {
                m_pos += 2;
                while (!atEnd() && !lookingAt("*/"))
                    advance();
                m_pos = std::min(m_pos + 2, m_bytes.size());
            } else {
                return;
            }
            if (comments) {
                QByteArray raw = m_bytes.mid(start, m_pos - start);
                while (raw.endsWith('\r'))
                    raw.chop(1);
                *comments << PhpUnread{line, shown(start, m_pos), {}, raw};
            }
        }
    }

    bool fail(const QString& reason)
    {
        m_error = reason;
        return false;
    }

    bool expect(char c, const char* what)
    {
        skipBlanks();
        if (peek() != c)
            return fail(QStringLiteral("expected %1").arg(QLatin1String(what)));
        advance();
        return true;
    }

    QByteArray name()
    {
        const qsizetype start = m_pos;
        while (!atEnd() && isNameChar(peek()))
            advance();
        return m_bytes.mid(start, m_pos - start);
    }

    bool parseStatement(PhpStatement& statement)
    {
        if (peek() == '$') {
            advance();
            if (!isNameStart(peek()))
                return fail(QStringLiteral("not a statement of a generated script"));
            statement.name = name();
            skipBlanks();
            if (peek() == '[') {
                advance();
                statement.indexed = true;
                skipBlanks();
                if (peek() != ']') {
                    PhpValue key;
                    if (!parseValue(key))
                        return false;
                    if (key.kind != PhpValue::Kind::String && key.kind != PhpValue::Kind::Number)
                        return fail(QStringLiteral("an index that is not a text or a number"));
                    statement.key = key;
                }
                if (!expect(']', "]"))
                    return false;
                skipBlanks();
            }
            if (peek() != '=' || peek(1) == '=')
                return fail(QStringLiteral("not an assignment"));
            advance();
            skipBlanks();
            if (!parseValue(statement.value))
                return false;
        } else if (isNameStart(peek())) {
            statement.isCall = true;
            statement.name = name();
            statement.value.kind = PhpValue::Kind::Call;
            statement.value.text = statement.name;
            skipBlanks();
            if (peek() != '(')
                return fail(QStringLiteral("not a statement of a generated script"));
            if (!parseArguments(statement.value))
                return false;
        } else {
            return fail(QStringLiteral("not a statement of a generated script"));
        }
        skipBlanks();
        // "?>" ends a statement as well as ";" does.
        if (lookingAt("?>"))
            return true;
        return expect(';', "; at the end of the statement");
    }

    bool parseArguments(PhpValue& call)
    {
        advance();  // (
        skipBlanks();
        if (peek() == ')') {
            advance();
            return true;
        }
        for (;;) {
            skipBlanks();
            PhpValue argument;
            if (!parseValue(argument))
                return false;
            call.args.push_back(argument);
            skipBlanks();
            if (peek() == ',') {
                advance();
                continue;
            }
            return expect(')', ")");
        }
    }

    bool parseValue(PhpValue& value)
    {
        const char c = peek();
        if (c == '"') {
            value.kind = PhpValue::Kind::String;
            return parseDoubleQuoted(value.text);
        }
        if (c == '\'') {
            value.kind = PhpValue::Kind::String;
            return parseSingleQuoted(value.text);
        }
        if (c == '$') {
            advance();
            value.kind = PhpValue::Kind::Variable;
            value.text = name();
            return !value.text.isEmpty() || fail(QStringLiteral("a lone $"));
        }
        if (c == '-' || c == '+' || (c >= '0' && c <= '9')) {
            const qsizetype start = m_pos;
            advance();
            while (!atEnd() && ((peek() >= '0' && peek() <= '9') || peek() == '.'))
                advance();
            value.kind = PhpValue::Kind::Number;
            value.text = m_bytes.mid(start, m_pos - start);
            return true;
        }
        if (!isNameStart(c))
            return fail(QStringLiteral("a value that is not a text, a number or True/False"));
        const QByteArray word = name();
        const QByteArray lower = word.toLower();
        if (lower == "true" || lower == "false") {
            value.kind = PhpValue::Kind::Bool;
            value.flag = lower == "true";
            return true;
        }
        if (lower == "null") {
            value.kind = PhpValue::Kind::Null;
            return true;
        }
        skipBlanks();
        if (peek() != '(')
            return fail(QStringLiteral("the constant %1 is not known").arg(QString::fromLatin1(word)));
        value.kind = PhpValue::Kind::Call;
        value.text = word;
        return parseArguments(value);
    }

    // PHP's double-quoted literal: its escapes are decoded; a variable inside is not read, since
    // its value is not known here.
    bool parseDoubleQuoted(QByteArray& out)
    {
        advance();  // "
        for (;;) {
            if (atEnd())
                return fail(QStringLiteral("a text that is not closed"));
            const char c = peek();
            if (c == '"') {
                advance();
                return true;
            }
            if (c == '$' && isNameStart(peek(1)))
                return fail(QStringLiteral("a variable inside a text"));
            if (c == '{' && peek(1) == '$')
                return fail(QStringLiteral("a variable inside a text"));
            if (c != '\\') {
                out += c;
                advance();
                continue;
            }
            const char e = peek(1);
            switch (e) {
            case 'n': out += '\n'; break;
            case 't': out += '\t'; break;
            case 'r': out += '\r'; break;
            case 'v': out += '\v'; break;
            case 'e': out += '\x1b'; break;
            case 'f': out += '\f'; break;
            case '\\': case '$': case '"': out += e; break;
            default:
                if (e >= '0' && e <= '7') {
                    advance();
                    int code = 0;
                    for (int i = 0; i < 3 && peek() >= '0' && peek() <= '7'; ++i) {
                        code = code * 8 + (peek() - '0');
                        advance();
                    }
                    out += static_cast<char>(code & 0xFF);
                    continue;
                }
                if (e == 'x' && hexDigit(peek(2)) >= 0) {
                    m_pos += 2;
                    int code = 0;
                    for (int i = 0; i < 2 && hexDigit(peek()) >= 0; ++i) {
                        code = code * 16 + hexDigit(peek());
                        advance();
                    }
                    out += static_cast<char>(code);
                    continue;
                }
                if (e == 'u' && peek(2) == '{') {
                    qsizetype at = m_pos + 3;
                    char32_t code = 0;
                    while (at < m_bytes.size() && hexDigit(m_bytes[at]) >= 0 && code <= 0x10FFFF)
                        code = code * 16 + static_cast<char32_t>(hexDigit(m_bytes[at++]));
                    if (at == m_pos + 3 || at >= m_bytes.size() || m_bytes[at] != '}' || code > 0x10FFFF)
                        return fail(QStringLiteral("a \\u{...} escape that is not complete"));
                    appendUtf8(out, code);
                    m_pos = at + 1;
                    continue;
                }
                // Any other backslash stands for itself.
                out += '\\';
                advance();
                continue;
            }
            m_pos += 2;
        }
    }

    bool parseSingleQuoted(QByteArray& out)
    {
        advance();  // '
        for (;;) {
            if (atEnd())
                return fail(QStringLiteral("a text that is not closed"));
            const char c = peek();
            if (c == '\'') {
                advance();
                return true;
            }
            if (c == '\\' && (peek(1) == '\\' || peek(1) == '\'')) {
                out += peek(1);
                m_pos += 2;
                continue;
            }
            out += c;
            advance();
        }
    }

    // Past the next ";" outside texts and comments, or up to "?>" or the end.
    void skipRestOfStatement()
    {
        while (!atEnd()) {
            const char c = peek();
            if (c == ';') {
                advance();
                return;
            }
            if (lookingAt("?>"))
                return;
            if (c == '"' || c == '\'') {
                advance();
                while (!atEnd() && peek() != c) {
                    if (peek() == '\\')
                        advance();
                    if (!atEnd())
                        advance();
                }
                if (!atEnd())
                    advance();
                continue;
            }
            if (lookingAt("//") || lookingAt("#") || lookingAt("/*")) {
                skipBlanks();
                continue;
            }
            advance();
        }
    }

    const QByteArray& m_bytes;
    qsizetype m_pos = 0;
    int m_line = 1;
    QString m_error;
};

}  // namespace

PhpScript readPhpScript(const QByteArray& bytes)
{
    return Scanner(bytes).run();
}
