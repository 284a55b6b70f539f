// While the wizard waits on a server that does not answer, the window goes on repainting, shows
// that it waits and holds its controls, and Cancel asks its question: No lets the wait go on, Yes
// leaves the program at once instead of after the connection's timeouts.
#include "PrivateServer.h"
#include "TestFolders.h"
#include "WizardDriver.h"

#include <QElapsedTimer>
#include <QListWidget>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

using namespace qmtest;

namespace {

struct WaitCase {
    const char* what;
    std::function<void(WizardDriver&)> prepare;  // before the server is paused
    const char* button;                          // clicked while the server is paused
    MessageAnswer cancelAnswer;                  // No resumes the server once Cancel is answered
    std::deque<MessageAnswer> laterAnswers;
    QStringList messages;  // everything shown, in order
    int stepAfter;
};

}  // namespace

TEST(ServerWait, WindowRepaintsAndCancelAnswersWhileTheServerDoesNotAnswer)
{
    PrivateServer server;
    ASSERT_GT(server.port, 0);
    TempProgramFolder folder;
    DialogRecorder dialogs;
    frmWizard wizard(folder.path());
    wizard.show();
    WizardDriver ui(wizard, dialogs);
    const QString sure = QStringLiteral("Are you sure?");

    const QList<WaitCase> cases = {
        {"Connect",
         [&](WizardDriver& d) { d.typeConnection(QStringLiteral("127.0.0.1"), server.port, server.password); },
         "Command1", MessageAnswer::No, {},
         {sure, QStringLiteral("Connection to server established successfully")}, 1},
        {"Next on step 1", [](WizardDriver& d) { d.type("cmbDBSelect", QStringLiteral("mysql")); }, "cmdNext",
         MessageAnswer::No, {MessageAnswer::No},
         {sure, QStringLiteral("Would you like to save the current connection settings?")}, 2},
        {"Next on step 2",
         [](WizardDriver& d) {
             auto* available = d.get<QListWidget>("lstAvTables");
             available->setCurrentItem(available->findItems(QStringLiteral("db"), Qt::MatchExactly).value(0));
             d.click("cmdAppendTables");
         },
         "cmdNext", MessageAnswer::No, {}, {sure}, 3},
        // The program's read timeout is 30 s: Yes must not wait for it.
        {"Next on step 3", {}, "cmdNext", MessageAnswer::Yes, {}, {sure}, 3},
    };

    for (const WaitCase& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.prepare)
            c.prepare(ui);
        server.pause();
        dialogs.clear();
        dialogs.answers = {c.cancelAnswer};
        dialogs.answers.insert(dialogs.answers.end(), c.laterAnswers.begin(), c.laterAnswers.end());

        // A timer of the window's thread measures how long the window goes without handling events.
        QElapsedTimer clock;
        qint64 lastTick = 0;
        qint64 longestGap = 0;
        bool cancelled = false;
        bool controlsHeld = false;
        QTimer ticker;
        ticker.setInterval(10);
        QObject::connect(&ticker, &QTimer::timeout, [&] {
            longestGap = std::max(longestGap, clock.elapsed() - lastTick);
            lastTick = clock.elapsed();
            auto* waiting = wizard.findChild<QWidget*>(QStringLiteral("lblWaiting"));
            if (cancelled || !waiting || !waiting->isVisible())
                return;
            cancelled = true;
            controlsHeld = !ui.get("cmdNext")->isEnabled() && !ui.get("cmdPrevious")->isEnabled()
                           && !ui.get("Command1")->isEnabled();
            ui.click("cmdCancel");
            if (c.cancelAnswer == MessageAnswer::No)
                server.resume();
        });
        clock.start();
        ticker.start();
        ui.click(c.button);
        ticker.stop();
        longestGap = std::max(longestGap, clock.elapsed() - lastTick);

        EXPECT_LT(longestGap, 100);
        EXPECT_TRUE(cancelled);
        EXPECT_TRUE(controlsHeld);
        EXPECT_EQ(dialogs.texts(), c.messages);
        EXPECT_EQ(ui.step(), c.stepAfter);
        EXPECT_EQ(wizard.isVisible(), c.cancelAnswer == MessageAnswer::No);
        if (c.cancelAnswer == MessageAnswer::Yes)
            EXPECT_LT(clock.elapsed(), 5000);
        else
            EXPECT_TRUE(ui.get("cmdNext")->isEnabled());
    }
}
