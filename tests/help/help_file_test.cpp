// The built help file: what the program opens by number is there, titled as the wizard's steps, and
// every page and link inside it resolves.
#include "TestFolders.h"
#include "wizard/cMain.h"

#include <QDir>
#include <QHelpEngineCore>
#include <QHelpLink>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace qmtest;

namespace {

const QString kNamespace = QStringLiteral("quillmere.onlinehelp");

class HelpFile : public ::testing::Test {
protected:
    QTemporaryDir work;
    QString file = programDir() + QStringLiteral("/Quillmere OnLine Help.qch");
    QHelpEngineCore engine{work.filePath(QStringLiteral("test.qhc"))};

    void SetUp() override
    {
        ASSERT_TRUE(QFileInfo(file).isFile()) << file.toStdString();
        engine.setReadOnly(false);
        engine.setUsesFilterEngine(true);
        ASSERT_TRUE(engine.setupData()) << engine.error().toStdString();
        ASSERT_TRUE(engine.registerDocumentation(file)) << engine.error().toStdString();
    }

    QUrl topic(const QString& identifier)
    {
        const QList<QHelpLink> links = engine.documentsForIdentifier(identifier);
        return links.size() == 1 ? links.first().url : QUrl();
    }
    QString page(const QUrl& url) { return QString::fromUtf8(engine.fileData(url)); }
    static QString titleOf(const QString& html)
    {
        const auto match = QRegularExpression(QStringLiteral("<title>(.*)</title>")).match(html);
        return match.hasMatch() ? match.captured(1) : QString();
    }
};

}  // namespace

TEST_F(HelpFile, EveryStepContextOpensThatStepsTopic)
{
    EXPECT_EQ(QHelpEngineCore::namespaceName(file), kNamespace);
    const cMain main;
    for (int step = 1; step <= 8; ++step) {
        const QUrl url = topic(QStringLiteral("context-%1").arg(step));
        ASSERT_TRUE(url.isValid()) << "context " << step;
        EXPECT_TRUE(url.fileName().startsWith(QStringLiteral("step%1-").arg(step))) << url.toString().toStdString();
        const QString expected = QStringLiteral("Step %1: %2").arg(step).arg(main.GetStepInfo(step).Title);
        EXPECT_EQ(titleOf(page(url)), expected);
    }
}

TEST_F(HelpFile, TopicsOutsideTheStepsHaveTheirOwnNumbersAndTheStartPageAName)
{
    const QList<std::pair<QString, QString>> topics = {
        {QStringLiteral("home"), QStringLiteral("index.html")},
        {QStringLiteral("context-101"), QStringLiteral("lookup-columns.html")},
        {QStringLiteral("context-102"), QStringLiteral("validation-rules.html")},
        {QStringLiteral("context-103"), QStringLiteral("saved-connections.html")},
        {QStringLiteral("context-104"), QStringLiteral("stylesheet-tools.html")},
        {QStringLiteral("context-105"), QStringLiteral("generated-site.html")},
        {QStringLiteral("context-106"), QStringLiteral("site-preview.html")},
    };
    for (const auto& [identifier, fileName] : topics)
        EXPECT_EQ(topic(identifier).fileName(), fileName) << identifier.toStdString();
    EXPECT_FALSE(topic(QStringLiteral("context-9")).isValid());
    EXPECT_FALSE(topic(QStringLiteral("context-0")).isValid());
}

TEST_F(HelpFile, EverySourcePageIsInTheFileAndEveryLinkResolves)
{
    const QStringList sources =
        QDir(sourceDir() + QStringLiteral("/data/help")).entryList({QStringLiteral("*.html")}, QDir::Files);
    ASSERT_EQ(sources.size(), 17);
    QStringList packed;
    for (const QUrl& url : engine.files(kNamespace, QString(), QStringLiteral("html")))
        packed << url.fileName();
    packed.sort();
    EXPECT_EQ(packed, sources);

    const QRegularExpression href(QStringLiteral("href=\"([^\"]*)\""));
    for (const QUrl& url : engine.files(kNamespace, QString(), QStringLiteral("html"))) {
        const QString html = page(url);
        EXPECT_FALSE(titleOf(html).isEmpty()) << url.fileName().toStdString();
        for (auto it = href.globalMatch(html); it.hasNext();) {
            const QUrl target = url.resolved(QUrl(it.next().captured(1)));
            EXPECT_FALSE(engine.fileData(target).isEmpty())
                << url.fileName().toStdString() << " links to " << target.toString().toStdString();
        }
    }
}

TEST_F(HelpFile, IndexKeywordsLeadToTheirTopics)
{
    const QList<std::pair<QString, QString>> keywords = {
        {QStringLiteral("lookup columns"), QStringLiteral("lookup-columns.html")},
        {QStringLiteral("sql.ini"), QStringLiteral("saved-connections.html")},
        {QStringLiteral("Open site..."), QStringLiteral("reopen-site.html")},
        {QStringLiteral("config.php"), QStringLiteral("generated-site.html")},
        {QStringLiteral("Run CSS Editor"), QStringLiteral("stylesheet-tools.html")},
        {QStringLiteral("Allow Nulls"), QStringLiteral("validation-rules.html")},
        {QStringLiteral("records per page"), QStringLiteral("step4-options.html")},
        {QStringLiteral("regenerate"), QStringLiteral("command-line.html")},
    };
    for (const auto& [keyword, fileName] : keywords) {
        const QList<QHelpLink> links = engine.documentsForKeyword(keyword);
        ASSERT_EQ(links.size(), 1) << keyword.toStdString();
        EXPECT_EQ(links.first().url.fileName(), fileName);
    }
}
