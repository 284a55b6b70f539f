// The Stylesheet model on real files: how rules are read, filed, named, split, rebuilt and written.
#include "stylesheet/Stylesheet.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

class StylesheetFiles : public ::testing::Test {
protected:
    QTemporaryDir dir;

    QString write(const QString& name, const QByteArray& content)
    {
        QFile f(dir.filePath(name));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(content);
        return f.fileName();
    }
    QByteArray read(const QString& path)
    {
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << path.toStdString();
        return f.readAll();
    }
    // Loads `content` from a file and returns the model.
    Stylesheet load(const QByteArray& content)
    {
        Stylesheet sheet(dir.path());
        sheet.setPath(write(QStringLiteral("in.css"), content));
        QString error;
        EXPECT_TRUE(sheet.LoadCSSData(&error)) << error.toStdString();
        return sheet;
    }
};

std::vector<std::string> describe(const Stylesheet& sheet)
{
    std::vector<std::string> out;
    for (const CssRule& r : sheet.Rules())
        out.push_back((r.Category + u'|' + r.DisplayName + u'|' + r.RuleText).toStdString());
    return out;
}

TEST_F(StylesheetFiles, RulesAreFiledAndNamedBySelector)
{
    const Stylesheet sheet = load("a.link {color: blue}\r\n"
                                  "#menu {width: 10px}\r\n"
                                  "td {margin: 2px}\r\n"
                                  "p {margin: 0.5em}\r\n"
                                  "\ta:hover  , TH {color: red}\r\n"
                                  "#nav li.active {color: red}\r\n"
                                  "stray text}\r\n");
    EXPECT_EQ(describe(sheet), (std::vector<std::string>{
                                   "classes|a.link|a.link {color: blue }",
                                   "uids|#menu|#menu {width: 10px }",
                                   "tags|TD|td {margin: 2px }",
                                   "tags|P|p {margin: 0.5em }",
                                   "tags|A:HOVER  , TH|\ta:hover  , TH {color: red }",
                                   "classes|#nav li.active|#nav li.active {color: red }",
                                   // Without "{" a rule is named by its whole text.
                                   "tags|stray text }|stray text }",
                               }));
}

TEST_F(StylesheetFiles, UntouchedFileIsWrittenOneRulePerLine)
{
    // Multi-line rules, a comment (one holding a brace), a duplicate and trailing text.
    const QString path = write(QStringLiteral("site.css"),
                               "/* Site colours } and layout */\r\n"
                               "body {\r\n"
                               "  margin: 0;\r\n"
                               "  font-family: \"Segoe UI\", sans-serif; /* the text face */\r\n"
                               "}\r\n"
                               "\r\n"
                               "TR.Header { background: url(http://example.com/a.png) }\r\n"
                               "td {margin: 2px}\r\n"
                               "td {margin: 2px}\r\n"
                               "  a:after { content: \"}\" }\r\n"
                               "/* end of file */ trailing text\r\n");
    Stylesheet sheet(dir.path());
    sheet.setPath(path);
    ASSERT_TRUE(sheet.LoadCSSData());
    ASSERT_EQ(sheet.Rules().size(), 4);
    EXPECT_EQ(sheet.Rules().at(0).DisplayName, QStringLiteral("BODY"));
    ASSERT_TRUE(sheet.Save());
    EXPECT_EQ(read(path), QByteArray("\r\n"
                                     "body {  margin: 0;  font-family: \"Segoe UI\", sans-serif;  }\r\n"
                                     "TR.Header { background: url(http://example.com/a.png)  }\r\n"
                                     "td {margin: 2px }\r\n"
                                     "  a:after { content: \"}\"  }\r\n"
                                     "\r\n"));

    // Read again and written again, the file does not change any more.
    ASSERT_TRUE(sheet.LoadCSSData());
    ASSERT_TRUE(sheet.Save());
    EXPECT_EQ(sheet.FileText().toUtf8(), read(path));
    EXPECT_EQ(sheet.Rules().size(), 4);
}

TEST_F(StylesheetFiles, LineEndsOfEveryKindAndByteOrderMarkGiveTheSameRules)
{
    const auto crlf = describe(load("p {\r\ncolor: red;\r\n}\r\nh1 {\r\nmargin: 0 }\r\n"));
    EXPECT_EQ(describe(load("p {\ncolor: red;\n}\nh1 {\nmargin: 0 }\n")), crlf);
    EXPECT_EQ(describe(load("p {\rcolor: red;\r}\rh1 {\rmargin: 0 }\r")), crlf);
    EXPECT_EQ(describe(load("\xEF\xBB\xBFp {\r\ncolor: red;\r\n}\r\nh1 {\r\nmargin: 0 }\r\n")), crlf);
    EXPECT_EQ(crlf, (std::vector<std::string>{"tags|P|p {color: red; }", "tags|H1|h1 {margin: 0  }"}));
}

TEST_F(StylesheetFiles, FileWithoutClosingBraceOrNotThereYetHasNoRules)
{
    EXPECT_TRUE(load("p { color: red;\r\n").Rules().isEmpty());

    Stylesheet fresh(dir.path());
    fresh.setPath(QStringLiteral("new.css"));
    EXPECT_TRUE(fresh.LoadCSSData());
    EXPECT_TRUE(fresh.Rules().isEmpty());

    // A folder where the file should be exists but cannot be read: that is a failure.
    QDir(dir.path()).mkdir(QStringLiteral("folder.css"));
    Stylesheet folder(dir.path());
    folder.setPath(QStringLiteral("folder.css"));
    QString error;
    EXPECT_FALSE(folder.LoadCSSData(&error));
    EXPECT_FALSE(error.isEmpty());
}

TEST_F(StylesheetFiles, UnclosedQuoteDoesNotSwallowTheRestOfTheFile)
{
    // The string left open ends with its line, so the braces after it still count and every
    // rule is still there to be written back.
    const Stylesheet sheet = load("p { font-family: \"Arial }\r\nh1 { color: red }\r\nh2 { color: blue }\r\n");
    EXPECT_EQ(describe(sheet), (std::vector<std::string>{"tags|P|p { font-family: \"Arial }h1 { color: red  }",
                                                         "tags|H2|h2 { color: blue  }"}));
}

TEST_F(StylesheetFiles, BareNameLivesInProgramFolderAndFullPathIsItself)
{
    Stylesheet bare(dir.path());
    bare.setPath(QStringLiteral("default.css"));
    EXPECT_EQ(bare.FilePath(), dir.filePath(QStringLiteral("default.css")));
    bare.AddRule(QStringLiteral("tags"), QStringLiteral("BODY"), QStringLiteral("BODY    {margin: 0; }"));
    ASSERT_TRUE(bare.Save());
    EXPECT_EQ(read(dir.filePath(QStringLiteral("default.css"))), QByteArray("\r\nBODY    {margin: 0; }\r\n\r\n"));

    QTemporaryDir elsewhere;
    const QString full = elsewhere.filePath(QStringLiteral("mine.css"));
    Stylesheet other(dir.path());
    other.setPath(full);
    other.AddRule(QStringLiteral("uids"), QStringLiteral("#UID1"));
    other.AddRule(QStringLiteral("tags"), QStringLiteral("P"), QStringLiteral("P    {}"));
    ASSERT_TRUE(other.Save());
    // A new rule that was never rebuilt has no text and is written as an empty line.
    EXPECT_EQ(read(full), QByteArray("\r\n\r\nP    {}\r\n\r\n"));
    EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("mine.css"))));
}

TEST_F(StylesheetFiles, FailedWriteReportsAndLeavesOldFile)
{
    Stylesheet sheet(dir.path());
    sheet.setPath(dir.filePath(QStringLiteral("missing/folder/x.css")));
    QString error;
    EXPECT_FALSE(sheet.Save(&error));
    EXPECT_FALSE(error.isEmpty());

    // The old file stays whole until the new one is complete: no stray temporary file either.
    const QString path = write(QStringLiteral("keep.css"), "p {color: red}\r\n");
    Stylesheet keep(dir.path());
    keep.setPath(path);
    ASSERT_TRUE(keep.LoadCSSData());
    keep.SetRuleText(keep.Rules().at(0).Id, QStringLiteral("P    {color: blue; }"));
    ASSERT_TRUE(keep.Save());
    EXPECT_EQ(read(path), QByteArray("\r\nP    {color: blue; }\r\n\r\n"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList({QStringLiteral("keep.css")}));
}

TEST(StylesheetRules, ElementNameAndCategory)
{
    // No "{": no properties.
    EXPECT_TRUE(Stylesheet::SplitRule(QStringLiteral("just text; a: b")).isEmpty());
    // A value with a "." does not make a rule a class.
    EXPECT_EQ(Stylesheet::CategoryOf(QStringLiteral("p {margin: 0.5em}")), QStringLiteral("tags"));
    EXPECT_EQ(Stylesheet::CategoryOf(QStringLiteral("#a {margin: 0.5em}")), QStringLiteral("uids"));
    EXPECT_EQ(Stylesheet::CategoryOf(QStringLiteral("#a .b {}")), QStringLiteral("classes"));
}

TEST(StylesheetRules, SplitKeepsQuotedAndColonValuesWhole)
{
    const auto props = Stylesheet::SplitRule(
        QStringLiteral("a:after { content: \"}; x\" ; background:url(http://h/i.png) ;; "
                       "font-family: 'A;B', serif; filler ; color : red }  p {b: c}"));
    EXPECT_EQ(props, (QList<CssProperty>{
                         {QStringLiteral("content"), QStringLiteral("\"}; x\"")},
                         {QStringLiteral("background"), QStringLiteral("url(http://h/i.png)")},
                         {QStringLiteral("font-family"), QStringLiteral("'A;B', serif")},
                         {QStringLiteral("filler"), QString()},
                         {QStringLiteral("color"), QStringLiteral("red")},
                     }));
    EXPECT_TRUE(Stylesheet::SplitRule(QStringLiteral("p {color: red")).isEmpty());
}

TEST(StylesheetRules, RebuildJoinsNameAndProperties)
{
    EXPECT_EQ(Stylesheet::RebuildRule(QStringLiteral("BODY"), {{QStringLiteral("color"), QStringLiteral("red")},
                                                               {QStringLiteral("margin"), QStringLiteral("0")}}),
              QStringLiteral("BODY    {color: red; margin: 0; }"));
    EXPECT_EQ(Stylesheet::RebuildRule(QStringLiteral("#UID1"), {}), QStringLiteral("#UID1    {}"));
    // Split and rebuilt, a quoted value survives.
    const QString rule = Stylesheet::RebuildRule(
        QStringLiteral("A:AFTER"), Stylesheet::SplitRule(QStringLiteral("a:after {content: \"a}b;c\"}")));
    EXPECT_EQ(rule, QStringLiteral("A:AFTER    {content: \"a}b;c\"; }"));
}

TEST(StylesheetRules, HelpersForTextAndPaths)
{
    const QString text = QStringLiteral("a \"b}c\" d 'e\\'f' g");
    const QString masked = Stylesheet::NoStrings(text);
    EXPECT_EQ(masked, QStringLiteral("a") + QString(7, u' ') + u'd' + QString(8, u' ') + u'g');
    EXPECT_EQ(masked.size(), text.size());

    EXPECT_EQ(Stylesheet::FullPath(QStringLiteral("/opt/q"), QStringLiteral("a.css")), QStringLiteral("/opt/q/a.css"));
    EXPECT_EQ(Stylesheet::FullPath(QStringLiteral("/opt/q/"), QStringLiteral("a.css")), QStringLiteral("/opt/q/a.css"));
    EXPECT_EQ(Stylesheet::Ext(QStringLiteral("/x/site.min.CSS")), QStringLiteral("CSS"));
    EXPECT_EQ(Stylesheet::Ext(QStringLiteral("style")), QString());
}

}  // namespace
