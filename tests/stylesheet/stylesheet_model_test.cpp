// The Stylesheet model on real files: how rules are read, filed, named, split, rebuilt and written.
#include "FullDisk.h"
#include "stylesheet/Stylesheet.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <random>

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
                                  "@media (max-width: 640px) {\r\n  td {content: \"}\"}\r\n}\r\n"
                                  "@import \"x;y.css\";\r\n"
                                  "stray text}\r\n");
    EXPECT_EQ(describe(sheet), (std::vector<std::string>{
                                   "classes|a.link|a.link {color: blue }",
                                   "uids|#menu|#menu {width: 10px }",
                                   "tags|TD|td {margin: 2px }",
                                   "tags|P|p {margin: 0.5em }",
                                   "tags|A:HOVER  , TH|\ta:hover  , TH {color: red }",
                                   "classes|#nav li.active|#nav li.active {color: red }",
                                   // At-rules are no rules of the editor's.
                                   // Without "{" a rule is named by its whole text.
                                   "tags|stray text }|stray text }",
                               }));
}

// Files of every shape the editor meets. Read and saved untouched, each comes back byte for byte:
// line ends, blank lines, comments, indentation, repeated rules, text after the last rule, a
// byte-order mark, and bytes that are not UTF-8.
struct FileCase {
    const char* name;
    QByteArray content;
};

const std::vector<FileCase> kFileCases = {
    {"CR LF, comments, multi-line rules, trailing text",
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
     "/* end of file */ trailing text\r\n"},
    {"LF, indented, no line end at the end", "p {\n\tcolor: red;\n}\n\n\n  h1 { margin: 0 }"},
    {"CR only", "p {\rcolor: red;\r}\rh1 {\rmargin: 0 }\r"},
    {"mixed line ends", "p { color: red }\r\nh1 { margin: 0 }\nh2 { margin: 1px }\r\r\n"},
    {"byte-order mark", "\xEF\xBB\xBF" "p {\r\n  color: red;\r\n}\r\n"},
    {"Latin-1 bytes in a comment and a value",
     "/* \xA9 2024 Caf\xE9 Quillmere */\n"
     "body { font-family: \"Caf\xE9 Sans\" }\n"
     ".Note:before { content: \"\xA9\" }\n"},
    {"UTF-8 text", "/* \xC2\xA9 2024 */\nbody { font-family: \"Caf\xC3\xA9\" }\n"},
    {"no closing brace", "p { color: red;\r\n"},
    {"empty", ""},
    {"only a comment", "/* nothing yet */\n"},
    {"unclosed quote", "p { font-family: \"Arial }\r\nh1 { color: red }\r\nh2 { color: blue }\r\n"},
    {"several rules on a line, stray brace", "a{color:red}b{color:blue} }\n"},
};

TEST_F(StylesheetFiles, UntouchedFilesComeBackByteForByte)
{
    for (const FileCase& c : kFileCases) {
        const QString path = write(QStringLiteral("site.css"), c.content);
        Stylesheet sheet(dir.path());
        sheet.setPath(path);
        ASSERT_TRUE(sheet.LoadCSSData()) << c.name;
        const auto rules = describe(sheet);
        ASSERT_TRUE(sheet.Save()) << c.name;
        EXPECT_EQ(read(path), c.content) << c.name;

        // And once more: the rules read back are the same.
        ASSERT_TRUE(sheet.LoadCSSData()) << c.name;
        EXPECT_EQ(describe(sheet), rules) << c.name;
        ASSERT_TRUE(sheet.Save()) << c.name;
        EXPECT_EQ(read(path), c.content) << c.name;
    }
}

TEST_F(StylesheetFiles, RandomFilesComeBackByteForByte)
{
    // Files made of the characters that steer the reading (braces, quotes, escapes, comments,
    // line ends) and of bytes that are not UTF-8, in any order.
    const QByteArray alphabet = "ab{}{}\"'\\/**/;: \t\r\n\r\n#.[]()|>\xA9\xC3\xA9";
    std::mt19937 random(17);
    const QString path = dir.filePath(QStringLiteral("random.css"));
    for (int round = 0; round < 2000; ++round) {
        QByteArray content;
        const int length = int(random() % 60);
        for (int i = 0; i < length; ++i)
            content += alphabet.at(int(random() % alphabet.size()));
        write(QStringLiteral("random.css"), content);
        Stylesheet sheet(dir.path());
        sheet.setPath(path);
        ASSERT_TRUE(sheet.LoadCSSData());
        ASSERT_EQ(sheet.FileBytes(), content) << content.toHex().toStdString();

        // Removing and editing some of the rules keeps every other rule's bytes.
        QList<int> ids;
        for (const CssRule& r : sheet.Rules())
            ids << r.Id;
        for (int id : ids) {
            switch (random() % 3) {
            case 0:
                sheet.RemoveRule(id);
                break;
            case 1:
                sheet.SetRuleText(id, QStringLiteral("X    {c: d; }"));
                break;
            default:
                break;
            }
        }
        sheet.AddRule(QStringLiteral("tags"), QStringLiteral("EM"), QStringLiteral("EM    {e: f; }"));
        const QByteArray written = sheet.FileBytes();
        EXPECT_TRUE(written.contains("EM    {e: f; }")) << content.toHex().toStdString();
        // What was written reads back and comes back as it was written.
        write(QStringLiteral("random.css"), written);
        ASSERT_TRUE(sheet.LoadCSSData());
        ASSERT_EQ(sheet.FileBytes(), written) << content.toHex().toStdString();
    }
}

TEST_F(StylesheetFiles, MultiLineRulesStillShowAsOneLine)
{
    const Stylesheet sheet = load(kFileCases.front().content);
    EXPECT_EQ(describe(sheet), (std::vector<std::string>{
                                   "tags|BODY|body {  margin: 0;  font-family: \"Segoe UI\", sans-serif;  }",
                                   "classes|TR.Header|TR.Header { background: url(http://example.com/a.png)  }",
                                   "tags|TD|td {margin: 2px }",
                                   "tags|A:AFTER|  a:after { content: \"}\"  }",
                               }));
}

// One rule is edited (its properties rebuilt, as the editor does); everything else keeps its bytes
// and the edited rule stands where it stood.
struct EditCase {
    const char* name;
    QByteArray content;
    QString rule;   // display name of the rule that is edited
    QList<CssProperty> properties;
    QByteArray expected;
};

TEST_F(StylesheetFiles, EditedRuleIsWrittenInItsPlaceAndTheRestAsRead)
{
    const QString red = QStringLiteral("red");
    const std::vector<EditCase> cases = {
        {"CR LF", "/* top */\r\nbody {\r\n  margin: 0;\r\n}\r\n\r\ntd { padding: 2px }\r\n",
         QStringLiteral("BODY"), {{QStringLiteral("margin"), QStringLiteral("4px")}},
         "/* top */\r\nBODY    {margin: 4px; }\r\n\r\ntd { padding: 2px }\r\n"},
        {"LF, indented", "p {\n  color: blue;\n}\n\n  td { padding: 2px }\n",
         QStringLiteral("TD"), {{QStringLiteral("padding"), QStringLiteral("3px")}},
         "p {\n  color: blue;\n}\n\n  TD    {padding: 3px; }\n"},
        {"CR only", "p {\rcolor: blue;\r}\rh1 { margin: 0 }\r",
         QStringLiteral("P"), {{QStringLiteral("color"), red}},
         "P    {color: red; }\rh1 { margin: 0 }\r"},
        {"a repeated rule goes with the edit", "td {margin: 2px}\nh1 {margin: 0}\ntd {margin: 2px}\n",
         QStringLiteral("TD"), {{QStringLiteral("margin"), QStringLiteral("5px")}},
         "TD    {margin: 5px; }\nh1 {margin: 0}\n"},
        {"Latin-1 file: untouched bytes stay, the edited rule keeps its own",
         "/* \xA9 2024 */\nbody { font-family: \"Caf\xE9\"; color: black }\n.Note:before { content: \"\xA9\" }\n",
         QStringLiteral("BODY"),
         {{QStringLiteral("font-family"), QStringLiteral("\"Caf\u00E9\"")}, {QStringLiteral("color"), red}},
         "/* \xA9 2024 */\nBODY    {font-family: \"Caf\xE9\"; color: red; }\n.Note:before { content: \"\xA9\" }\n"},
        {"Latin-1 file: a character it cannot hold is escaped",
         "/* \xA9 */\np { color: black }\n",
         QStringLiteral("P"), {{QStringLiteral("content"), QStringLiteral("\"\u2014\U0001F600\"")}},
         "/* \xA9 */\nP    {content: \"\\2014 \\1F600 \"; }\n"},
        {"at-rules and their blocks stay as read",
         "@import url(\"a;b.css\");\nbody { margin: 0 }\n@media (max-width: 640px) {\n  body { margin: 1px }\n"
         "  td { content: \"}\" }\n}\ntd { padding: 2px }\n",
         QStringLiteral("TD"), {{QStringLiteral("padding"), QStringLiteral("3px")}},
         "@import url(\"a;b.css\");\nbody { margin: 0 }\n@media (max-width: 640px) {\n  body { margin: 1px }\n"
         "  td { content: \"}\" }\n}\nTD    {padding: 3px; }\n"},
        {"UTF-8 file", "/* \xC2\xA9 */\np { color: black }\n",
         QStringLiteral("P"), {{QStringLiteral("content"), QStringLiteral("\"\u2014\"")}},
         "/* \xC2\xA9 */\nP    {content: \"\xE2\x80\x94\"; }\n"},
    };
    for (const EditCase& c : cases) {
        Stylesheet sheet = load(c.content);
        const CssRule* rule = nullptr;
        for (const CssRule& r : sheet.Rules()) {
            if (r.DisplayName == c.rule)
                rule = &r;
        }
        ASSERT_NE(rule, nullptr) << c.name;
        sheet.SetRuleText(rule->Id, Stylesheet::RebuildRule(rule->DisplayName, c.properties));
        ASSERT_TRUE(sheet.Save()) << c.name;
        EXPECT_EQ(read(sheet.FilePath()), c.expected) << c.name;
    }
}

TEST_F(StylesheetFiles, RemovedRulesTakeTheirLineAndNewRulesUseTheFileLineEnd)
{
    struct Case {
        const char* name;
        QByteArray content;
        QStringList removed;
        QByteArray expected;
    };
    const std::vector<Case> cases = {
        {"alone on their lines", "a { x: 1 }\nb {\n  x: 2\n}\n  c { x: 3 }\nd { x: 4 }\n",
         {QStringLiteral("B"), QStringLiteral("C")}, "a { x: 1 }\nd { x: 4 }\nem    {color: red; }\n"},
        {"sharing a line", "a{x:1} b{x:2} c{x:3}\r\n/* end */\r\n", {QStringLiteral("B")},
         "a{x:1} c{x:3}\r\nem    {color: red; }\r\n/* end */\r\n"},
        {"the last one, no line end", "a{x:1}\rb{x:2}", {QStringLiteral("B")}, "a{x:1}\rem    {color: red; }\r"},
        {"every one", "/* head */\na{x:1}\nb{x:2}\n", {QStringLiteral("A"), QStringLiteral("B")},
         "/* head */\nem    {color: red; }\n"},
        {"no rules yet", "/* head */", {}, "/* head */\r\nem    {color: red; }\r\n"},
    };
    for (const Case& c : cases) {
        Stylesheet sheet = load(c.content);
        for (const QString& name : c.removed) {
            for (const CssRule& r : sheet.Rules()) {
                if (r.DisplayName == name) {
                    sheet.RemoveRule(r.Id);
                    break;
                }
            }
        }
        // A new rule the user never named or gave a property has nothing to write.
        sheet.AddRule(QStringLiteral("tags"), QStringLiteral("New1"));
        sheet.AddRule(QStringLiteral("tags"), QStringLiteral("EM"), QStringLiteral("em    {color: red; }"));
        ASSERT_TRUE(sheet.Save()) << c.name;
        EXPECT_EQ(read(sheet.FilePath()), c.expected) << c.name;
    }
}

TEST_F(StylesheetFiles, OnlyTagNamesAreUpperCased)
{
    // Ids, classes and attribute values match case-sensitively: an edited rule keeps them.
    const QList<std::pair<QString, QString>> names = {
        {QStringLiteral("td {}"), QStringLiteral("TD")},
        {QStringLiteral("\ta:hover  , TH {}"), QStringLiteral("A:HOVER  , TH")},
        {QStringLiteral("div > #Main {}"), QStringLiteral("DIV > #Main")},
        {QStringLiteral("ul#Nav li + li ~ a {}"), QStringLiteral("UL#Nav LI + LI ~ A")},
        {QStringLiteral("input[type=\"Text\"], a[href^=Http] {}"), QStringLiteral("INPUT[type=\"Text\"], A[href^=Http]")},
        {QStringLiteral("p:not(#Intro):first-child::first-line {}"), QStringLiteral("P:NOT(#Intro):FIRST-CHILD::FIRST-LINE")},
        {QStringLiteral("li:nth-child(2n+1 of #Odd) {}"), QStringLiteral("LI:NTH-CHILD(2n+1 of #Odd)")},
        {QStringLiteral(":is(h1, #Big) em {}"), QStringLiteral(":IS(H1, #Big) EM")},
        {QStringLiteral("svg|rect, *|circle {}"), QStringLiteral("svg|RECT, *|CIRCLE")},
        {QStringLiteral("caf\u00E9-x {}"), QStringLiteral("CAF\u00E9-X")},
        // Classes and ids are named as written.
        {QStringLiteral("div.Main > p {}"), QStringLiteral("div.Main > p")},
        {QStringLiteral("#Main div {}"), QStringLiteral("#Main div")},
    };
    for (const auto& [rule, name] : names)
        EXPECT_EQ(Stylesheet::GetCSSElementName(rule), name) << rule.toStdString();

    Stylesheet sheet = load("div > #Main { color: red }\n");
    const CssRule& rule = sheet.Rules().at(0);
    sheet.SetRuleText(rule.Id, Stylesheet::RebuildRule(rule.DisplayName, {{QStringLiteral("color"), QStringLiteral("blue")}}));
    ASSERT_TRUE(sheet.Save());
    EXPECT_EQ(read(sheet.FilePath()), QByteArray("DIV > #Main    {color: blue; }\n"));
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
    EXPECT_EQ(read(dir.filePath(QStringLiteral("default.css"))), QByteArray("BODY    {margin: 0; }\r\n"));

    QTemporaryDir elsewhere;
    const QString full = elsewhere.filePath(QStringLiteral("mine.css"));
    Stylesheet other(dir.path());
    other.setPath(full);
    other.AddRule(QStringLiteral("uids"), QStringLiteral("#UID1"));
    other.AddRule(QStringLiteral("tags"), QStringLiteral("P"), QStringLiteral("P    {}"));
    ASSERT_TRUE(other.Save());
    // A new rule that was never rebuilt has no text and writes nothing.
    EXPECT_EQ(read(full), QByteArray("P    {}\r\n"));
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
    EXPECT_EQ(read(path), QByteArray("P    {color: blue; }\r\n"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList({QStringLiteral("keep.css")}));
}

// A save on a full disk fails, says so, and leaves the file byte for byte, however small the
// new content is (Qt 6.4's QSaveFile would commit a short file).
TEST(StylesheetSave, FullDiskLeavesTheFileAsItWas)
{
    for (const bool small : {true, false}) {
        qmtest::FullDisk disk;
        const QString path = disk.file(QStringLiteral("site.css"));
        const QByteArray old = QByteArray("p { color: red }\r\n").repeated(small ? 3 : 4000);
        {
            QFile f(path);
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
            ASSERT_EQ(f.write(old), old.size());
        }
        Stylesheet sheet(disk.path());
        sheet.setPath(path);
        ASSERT_TRUE(sheet.LoadCSSData());
        sheet.SetRuleText(sheet.Rules().at(0).Id, QStringLiteral("P    {color: blue; }"));
        disk.fill();
        QString error;
        const bool saved = sheet.Save(&error);
        disk.release();
        EXPECT_FALSE(saved) << "small " << small;
        EXPECT_FALSE(error.isEmpty()) << "small " << small;
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        EXPECT_EQ(f.readAll(), old) << "small " << small;
    }
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
