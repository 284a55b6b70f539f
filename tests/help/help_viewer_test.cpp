// The help viewer on the built help file: topics by context number, the wizard's Help button and
// F1, the search pane, Unload, and what the user is told when the file or a topic is missing.
#include "DarkPalette.h"
#include "DialogRecorder.h"
#include "HelpTestFolders.h"
#include "WizardDriver.h"
#include "dialogs/HTMLHelpViewer.h"
#include "wizard/frmWizard.h"

#include <QDir>
#include <QHelpEngine>
#include <QHelpSearchEngine>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>

using namespace helptest;
using namespace qmtest;

namespace {

class HelpViewer : public ::testing::Test {
protected:
    UserDataFolder userData;
    TempProgramFolder folder;
    DialogRecorder dialogs;
    HTMLHelpViewer viewer;

    void SetUp() override { viewer.SetHelpFile(helpFileIn(folder)); }

    QString shownPage() { return viewer.Window()->currentTopic().fileName(); }
};

// Types `word` into the search pane of `window` as a user does and returns the pages found.
QStringList searchFor(HelpWindow* window, const QString& word)
{
    auto* query = window->findChild<QWidget*>(QStringLiteral("searchQuery"))->findChild<QLineEdit*>();
    if (!query)
        return {QStringLiteral("no query box")};
    QSignalSpy finished(window, &HelpWindow::searchFinished);
    query->clear();
    QTest::keyClicks(query, word);
    QTest::keyClick(query, Qt::Key_Return);
    if (!finished.wait(30000))
        return {QStringLiteral("no answer")};
    QStringList pages;
    const int hits = finished.first().first().toInt();
    for (const QHelpSearchResult& result : window->engine()->searchEngine()->searchResults(0, hits))
        pages << result.url().fileName();
    return pages;
}

QStringList entries(const QString& path)
{
    return QDir(path).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
}

}  // namespace

TEST_F(HelpViewer, ShowContextOpensTheTopicOfEveryStepInOneWindow)
{
    const char* pages[] = {"step1-connection.html", "step2-tables.html", "step3-fields.html",
                           "step4-options.html", "step5-validation.html", "step6-security.html",
                           "step7-appearance.html", "step8-generate.html"};
    for (int step = 1; step <= 8; ++step) {
        ASSERT_TRUE(viewer.ShowContext(step)) << step;
        EXPECT_EQ(shownPage(), QString::fromLatin1(pages[step - 1]));
        EXPECT_TRUE(browserText(viewer.Window()).startsWith(QStringLiteral("Step %1: ").arg(step)));
    }
    EXPECT_EQ(visibleHelpWindows().size(), 1);
    EXPECT_TRUE(dialogs.messages.isEmpty());
}

TEST_F(HelpViewer, KeepsItsCollectionInTheUserDataFolderAndLeavesTheProgramFolderAlone)
{
    const QStringList before = entries(folder.path());
    ASSERT_TRUE(viewer.ShowContext(1));
    EXPECT_EQ(entries(folder.path()), before);
    ASSERT_TRUE(HTMLHelpViewer::CollectionFile().startsWith(userData.path()));
    EXPECT_TRUE(QFileInfo::exists(HTMLHelpViewer::CollectionFile()));
}

TEST_F(HelpViewer, ContentsIndexAndSearchOpenTheirPanesOnTheStartPage)
{
    auto panes = [&] { return viewer.Window()->findChild<QTabWidget*>(QStringLiteral("tabPanes")); };
    ASSERT_TRUE(viewer.ShowIndex());
    EXPECT_EQ(panes()->tabText(panes()->currentIndex()), QStringLiteral("Index"));
    EXPECT_EQ(shownPage(), QStringLiteral("index.html"));
    ASSERT_TRUE(viewer.ShowSearch());
    EXPECT_EQ(panes()->tabText(panes()->currentIndex()), QStringLiteral("Search"));
    ASSERT_TRUE(viewer.ShowContext(6));
    ASSERT_TRUE(viewer.ShowContents());
    EXPECT_EQ(panes()->tabText(panes()->currentIndex()), QStringLiteral("Contents"));
    EXPECT_EQ(shownPage(), QStringLiteral("step6-security.html"));  // keeps the topic shown
    ASSERT_TRUE(viewer.Show());
    EXPECT_EQ(shownPage(), QStringLiteral("index.html"));
}

TEST_F(HelpViewer, SearchFindsATopicByAWordOfItsBody)
{
    ASSERT_TRUE(viewer.ShowSearch());
    EXPECT_EQ(searchFor(viewer.Window(), QStringLiteral("scrambled")),
              QStringList{QStringLiteral("saved-connections.html")});
    EXPECT_EQ(searchFor(viewer.Window(), QStringLiteral("quadratically")), QStringList());
}

TEST_F(HelpViewer, UnloadClosesTheWindowAndDoesNothingWithoutOne)
{
    viewer.Unload();
    EXPECT_EQ(viewer.Window(), nullptr);
    EXPECT_TRUE(visibleHelpWindows().isEmpty());

    ASSERT_TRUE(viewer.ShowContext(2));
    viewer.Unload();
    EXPECT_TRUE(visibleHelpWindows().isEmpty());
    viewer.Unload();
    EXPECT_TRUE(dialogs.messages.isEmpty());

    ASSERT_TRUE(viewer.ShowContext(4));  // shows again after being closed
    EXPECT_EQ(visibleHelpWindows().size(), 1);
}

TEST_F(HelpViewer, AMissingFileAnUnknownContextAndAForeignFileAreReported)
{
    const QString missing = folder.file(QStringLiteral("nothing here.qch"));
    viewer.SetHelpFile(missing);
    EXPECT_FALSE(viewer.ShowContext(1));
    EXPECT_EQ(viewer.Window(), nullptr);

    viewer.SetHelpFile(helpFileIn(folder));
    EXPECT_FALSE(viewer.ShowContext(99));
    EXPECT_TRUE(visibleHelpWindows().isEmpty());

    QFile foreign(folder.file(QStringLiteral("not help.qch")));
    ASSERT_TRUE(foreign.open(QIODevice::WriteOnly));
    foreign.write("just some bytes");
    foreign.close();
    viewer.SetHelpFile(foreign.fileName());
    EXPECT_FALSE(viewer.ShowContents());
    EXPECT_TRUE(visibleHelpWindows().isEmpty());

    ASSERT_EQ(dialogs.messages.size(), 3);
    EXPECT_EQ(dialogs.messages[0].text, QStringLiteral("The help file was not found:\n") + missing);
    EXPECT_EQ(dialogs.messages[1].text, QStringLiteral("The help file has no topic for context number 99."));
    EXPECT_TRUE(dialogs.messages[2].text.startsWith(QStringLiteral("The help file could not be opened:\n")
                                                    + foreign.fileName()));
    for (const RecordedMessage& m : dialogs.messages)
        EXPECT_EQ(m.icon, MessageIcon::Exclamation);
}

TEST_F(HelpViewer, AHelpFileInAnotherFolderReplacesTheOneRegisteredBefore)
{
    ASSERT_TRUE(viewer.ShowContext(1));
    viewer.Unload();

    // The program moved (or a second copy runs): the same help file from another folder.
    TempProgramFolder moved;
    HTMLHelpViewer other;
    other.SetHelpFile(helpFileIn(moved));
    ASSERT_TRUE(other.ShowContext(5));
    EXPECT_EQ(other.Window()->currentTopic().fileName(), QStringLiteral("step5-validation.html"));
    QHelpEngine* engine = other.Window()->engine();
    EXPECT_EQ(QFileInfo(engine->documentationFileName(QStringLiteral("quillmere.onlinehelp"))).canonicalFilePath(),
              QFileInfo(helpFileIn(moved)).canonicalFilePath());
    // Its search index is built afresh.
    EXPECT_EQ(searchFor(other.Window(), QStringLiteral("scrambled")),
              QStringList{QStringLiteral("saved-connections.html")});
    EXPECT_TRUE(dialogs.messages.isEmpty());
}

// The wizard's Help button opens the topic of the step shown; F1 opens the window's help context,
// which Next sets and Back leaves as it was. Both use the one help window.
TEST_F(HelpViewer, WizardHelpButtonOnStep3OpensContext3AndF1OpensTheHelpContext)
{
    ScratchDatabase db(QStringLiteral("help"));
    db.exec({QStringLiteral("CREATE TABLE a (x INT)")});
    frmWizard wizard(folder.path());
    wizard.show();
    ASSERT_EQ(wizard.HelpFile(), helpFileIn(folder));
    WizardDriver ui(wizard, dialogs);
    ui.reachFieldStep(db.name(), {QStringLiteral("a")});
    ui.next();
    ui.back();
    ASSERT_EQ(ui.step(), 3);
    ASSERT_EQ(wizard.HelpContext(), 4);
    dialogs.clear();

    QTest::mouseClick(wizard.findChild<QPushButton*>(QStringLiteral("cmdHelp")), Qt::LeftButton);
    ASSERT_EQ(visibleHelpWindows().size(), 1);
    HelpWindow* window = visibleHelpWindows().first();
    EXPECT_EQ(window->currentTopic().fileName(), QStringLiteral("step3-fields.html"));

    QTest::keyClick(&wizard, Qt::Key_F1);
    EXPECT_EQ(visibleHelpWindows(), QList<HelpWindow*>{window});
    EXPECT_EQ(window->currentTopic().fileName(), QStringLiteral("step4-options.html"));
    EXPECT_TRUE(dialogs.messages.isEmpty());

    // Escape closes the help window.
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    QTest::keyClick(window, Qt::Key_Escape);
    EXPECT_TRUE(visibleHelpWindows().isEmpty());
}

// The pages take the palette's colours: a dark page with light text in a dark palette, also when
// the palette turns dark while a page is shown.
TEST_F(HelpViewer, PagesFollowALightOrDarkPalette)
{
    ASSERT_TRUE(viewer.ShowContext(1));
    auto* browser = viewer.Window()->findChild<QTextBrowser*>(QStringLiteral("browser"));
    std::optional<DarkPalette> palette;
    for (const bool dark : {false, true}) {
        SCOPED_TRACE(dark ? "dark" : "light");
        if (dark)
            palette.emplace();
        QCoreApplication::processEvents();
        const QImage page = browser->viewport()->grab().toImage();
        const QColor background = page.pixelColor(page.width() - 2, 2);
        // The text most unlike the page: the heading and the body's words.
        int farthest = 0;
        for (int y = 0; y < page.height(); ++y) {
            for (int x = 0; x < page.width(); ++x)
                farthest = std::max(farthest, std::abs(page.pixelColor(x, y).lightness() - background.lightness()));
        }
        EXPECT_EQ(background, browser->palette().color(QPalette::Base));
        EXPECT_GT(farthest, 150);
    }
}
