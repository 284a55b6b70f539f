#pragma once
// A .css file as the stylesheet editor sees it: a flat list of rules, each kept as one line of text
// and filed under one of three fixed categories (tags, unique ids, classes). A rule is split into
// property/value pairs only while it is edited. No widgets here.

#include <QList>
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

    // The whole file as it is written: an empty first line, one rule per line, an empty last line.
    QString FileText() const;
    // Writes FileText() to FilePath(). The old file is replaced only once the new one is complete,
    // so a failure leaves it as it was. On failure `error` gets the reason.
    bool Save(QString* error = nullptr) const;

    // The selector part of a rule (before its first "{", blanks trimmed, tabs removed), upper-cased
    // for tag selectors; a text without "{" is returned unchanged.
    static QString GetCSSElementName(const QString& ruleText);
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
    int indexOf(int id) const;

    QString m_programFolder;
    QString m_path;
    QList<CssRule> m_rules;
    int m_nextId = 1;
};
