// The stylesheets and the sample page delivered beside the program: the editor reads and writes
// the stylesheets without losing a rule, and the sample page shows every class and id they style
// and every class the site's pages use, so the preview shows the whole site.
#include "TestFolders.h"
#include "stylesheet/Stylesheet.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace qmtest;

namespace {

const QStringList kStylesheets = {QStringLiteral("default.css"), QStringLiteral("plain.css"),
                                  QStringLiteral("Colorful.css")};

QString readText(const QString& path)
{
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << path.toStdString();
    return QString::fromUtf8(f.readAll());
}

QSet<QString> captures(const QString& text, const QString& pattern)
{
    QSet<QString> found;
    auto it = QRegularExpression(pattern).globalMatch(text);
    while (it.hasNext()) {
        for (const QString& word : it.next().captured(1).split(u' ', Qt::SkipEmptyParts))
            found.insert(word);
    }
    return found;
}

// Blanks, line breaks and comments removed: what a rule count is taken from.
QString withoutBlanks(QString css)
{
    css.remove(QRegularExpression(QStringLiteral("/\\*.*?\\*/"), QRegularExpression::DotMatchesEverythingOption));
    css.remove(QRegularExpression(QStringLiteral("\\s")));
    return css;
}

TEST(DeliveredFiles, StylesheetsSurviveReadingAndWriting)
{
    for (const QString& name : kStylesheets) {
        QTemporaryDir program;
        ASSERT_TRUE(QFile::copy(sourceDir() + QStringLiteral("/data/") + name, program.filePath(name)));
        const QString original = readText(program.filePath(name));
        Stylesheet sheet(program.path());
        sheet.setPath(name);
        ASSERT_TRUE(sheet.LoadCSSData());
        // Every "}" before the @media blocks at the end ends a rule; the blocks are kept as text.
        const QString rules = original.left(original.indexOf(QStringLiteral("@media")));
        EXPECT_EQ(sheet.Rules().size(), withoutBlanks(rules).count(u'}')) << name.toStdString();
        ASSERT_TRUE(sheet.Save());
        // Saved untouched, the file is the delivered one byte for byte (the program's own
        // default.css is what every later project starts from).
        EXPECT_EQ(readText(program.filePath(name)), original) << name.toStdString();
    }
}

TEST(DeliveredFiles, SamplePageShowsEveryClassAndId)
{
    const QString page = readText(sourceDir() + QStringLiteral("/data/cssview.html"));
    EXPECT_EQ(page.count(QStringLiteral("foobar.css")), 1);
    const QSet<QString> classes = captures(page, QStringLiteral("class=\"([^\"]*)\""));
    const QSet<QString> ids = captures(page, QStringLiteral("id=\"([^\"]*)\""));

    // Classes and ids of the selectors: what is left once the declaration blocks are gone.
    QString selectors;
    for (const QString& name : kStylesheets)
        selectors += readText(sourceDir() + QStringLiteral("/data/") + name) + u'\n';
    selectors.remove(QRegularExpression(QStringLiteral("/\\*.*?\\*/|\\{[^}]*\\}"),
                                        QRegularExpression::DotMatchesEverythingOption));
    const QSet<QString> styledClasses = captures(selectors, QStringLiteral("\\.([A-Za-z][\\w-]*)"));
    const QSet<QString> styledIds = captures(selectors, QStringLiteral("#([A-Za-z][\\w-]*)"));

    // Class attributes the pages write as fixed text (a changing one, such as the row class, is
    // built from parts and not matched here).
    const QDir templates(sourceDir() + QStringLiteral("/data/templates"));
    QSet<QString> pageClasses;
    for (const QString& file : templates.entryList({QStringLiteral("*.php")}))
        pageClasses += captures(readText(templates.filePath(file)), QStringLiteral("class=\\\\?[\"']([A-Za-z][A-Za-z0-9 ]*)\\\\?[\"']"));

    EXPECT_FALSE(styledClasses.isEmpty());
    EXPECT_FALSE(pageClasses.isEmpty());
    for (const QString& c : styledClasses + pageClasses)
        EXPECT_TRUE(classes.contains(c)) << "class " << c.toStdString();
    for (const QString& id : styledIds)
        EXPECT_TRUE(ids.contains(id)) << "id " << id.toStdString();
}

// The pages' own layout rules (main.php's style block, which every stylesheet builds on) are
// copied into the static sample page, so the preview lays it out as the site does; the two copies
// must stay the same.
TEST(DeliveredFiles, SamplePageCarriesThePagesLayoutRules)
{
    const QRegularExpression block(QStringLiteral("<style>(.*?)</style>"), QRegularExpression::DotMatchesEverythingOption);
    const QString pages = block.match(readText(sourceDir() + QStringLiteral("/data/templates/main.php"))).captured(1);
    const QString sample = block.match(readText(sourceDir() + QStringLiteral("/data/cssview.html"))).captured(1);
    EXPECT_FALSE(pages.isEmpty());
    EXPECT_EQ(sample, pages);
}

}  // namespace
