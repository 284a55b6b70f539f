#pragma once
// A .css file as the stylesheet editor sees it: a flat list of rules, each kept as one line of text
// and filed under one of three fixed categories (tags, unique ids, classes). A rule is split into
// property/value pairs only while it is edited. No widgets here.
//
// The file as read is kept too, cut into the rules and the text between them (blank lines,
// comments, line ends, text after the last rule). Saving writes that text and every rule nobody
// changed exactly as read, byte for byte; only a changed rule is written from its new text, in
// its old place, and a new rule goes after the last rule with the file's own line end.
// At-rules (an @media block with the rules inside it, @import, ...) are not the editor's rules:
// they are kept as text between the rules.

#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

struct StylesheetCategory {
    QString Key;
    QString Caption;
};

struct CssRule {
    int Id = 0;            // stable for the life of the stylesheet; never reused
    QString Category;      // one of the category keys
    QString DisplayName;   // shown in the editor's tree
    QString RuleText;      // the complete rule on one line; empty for a new rule until rebuilt
};

struct CssProperty {
    QString Name;
    QString Value;
    bool operator==(const CssProperty&) const = default;
};

class Stylesheet {
public:
    // `programFolder` is where a bare file name is read from and written to.
    explicit Stylesheet(const QString& programFolder = {});

    // "tags", "uids", "classes", always in this order.
    static const QList<StylesheetCategory>& Categories();
    // The caption of a category key; empty for anything else.
    static QString CategoryCaption(const QString& key);
    // The display name a new rule gets in `category`: "New1", "#UID1" or ".class1".
    static QString NewRuleName(const QString& category);

    const QString& Path() const { return m_path; }
    void setPath(const QString& path) { m_path = path; }
    const QString& ProgramFolder() const { return m_programFolder; }
    // The file read and written: the path itself when it is a full path, otherwise the file of
    // that name in the program folder.
    QString FilePath() const;

    // Replaces the rules with those of the stylesheet file. A file that does not exist yet gives
    // no rules and succeeds; a file that exists but cannot be read gives no rules and fails.
    bool LoadCSSData(QString* error = nullptr);

    const QList<CssRule>& Rules() const { return m_rules; }
    const CssRule* Rule(int id) const;
    // Appends a rule and returns its id.
    int AddRule(const QString& category, const QString& displayName, const QString& ruleText = {});
    bool RemoveRule(int id);
    void SetDisplayName(int id, const QString& name);
    void SetRuleText(int id, const QString& text);

    // The whole file as Save writes it: the file as read, with removed rules taken out (with the
    // line they stood alone on), changed rules in their new text and new rules after the last rule.
    // A file that is not valid UTF-8 is read byte for byte as Latin-1 and written back the same
    // way; a character such a file cannot hold is written as a CSS escape ("\2014 ").
    QByteArray FileBytes() const;
    // The line end the file uses (its first one); CR LF for a file without any.
    const QString& LineEnd() const { return m_lineEnd; }
    // Writes FileBytes() to FilePath() through writeWholeFile: the old file is replaced only once
    // every byte of the new one is on the disk, so a failure leaves it as it was. A file that could
    // not be read is not overwritten. On failure `error` gets the reason.
    bool Save(QString* error = nullptr) const;

    // The selector part of a rule (before its first "{", blanks trimmed, tabs removed). For tag
    // selectors (not starting with "#", holding no ".") the tag names, and the names of pseudo-
    // classes which CSS reads in any case, are upper-cased; ids, classes, attribute selectors and
    // other arguments keep their case, since they match case-sensitively. A text without "{" is
    // returned unchanged.
    static QString GetCSSElementName(const QString& ruleText);
    // `selector` with its tag names (and pseudo-class names) in upper case, everything else as is.
    static QString UpperCaseTagNames(const QString& selector);
    // The category key a rule line is filed under, decided on its selector.
    static QString CategoryOf(const QString& ruleText);
    // A copy of `text` in which every quoted part, quotes included, is blanked out, so that
    // positions in the copy match positions in the original.
    static QString NoStrings(const QString& text);
    // `folder`, a "/" unless it ends with one, and `file`.
    static QString FullPath(const QString& folder, const QString& file);
    // The text after the last "." of `fileName`; empty when it has none.
    static QString Ext(const QString& fileName);

    // The declarations of a rule as name/value pairs, in order. A value keeps any ":" it holds
    // (a URL) and any ";" or "}" inside quotes.
    static QList<CssProperty> SplitRule(const QString& ruleText);
    // "name    {p1: v1; p2: v2; }".
    static QString RebuildRule(const QString& displayName, const QList<CssProperty>& properties);
    // The rule lines of a stylesheet's text, each ending " }", duplicates dropped.
    static QStringList ParseRuleLines(const QString& fileText);

private:
    // A stretch of the file as read: text between rules (RuleId 0) or the source of a rule, from
    // its selector to its "}". A rule line that repeats an earlier one is the same rule.
    struct Piece {
        QString Text;       // as read
        int RuleId = 0;     // 0: text between rules
        QString ReadText;   // the rule text as read; the rule is untouched while it still has it
    };

    int indexOf(int id) const;
    void clearFile();
    // The text of a changed or new rule as it goes into the file.
    QString encodable(const QString& text) const;

    QString m_programFolder;
    QString m_path;
    QList<CssRule> m_rules;
    int m_nextId = 1;

    QList<Piece> m_pieces;           // the file as read, in order
    QSet<int> m_readIds;             // the rules that come from the file
    bool m_latin1 = false;           // the file is not UTF-8 and is read and written as Latin-1
    QString m_lineEnd = QStringLiteral("\r\n");
    QString m_readError;             // why the file, which exists, could not be read; empty when read
};
