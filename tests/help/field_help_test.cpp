// The "What's this" window: its texts, Escape hiding it for the next showing, closing discarding
// it, and its link opening the help file's topic on lookup columns.
#include "DialogRecorder.h"
#include "HelpTestFolders.h"
#include "dialogs/HTMLHelpViewer.h"
#include "dialogs/frmHelp.h"

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QTest>

#include <gtest/gtest.h>

using namespace helptest;
using namespace qmtest;

namespace {

const QString kBody = QStringLiteral(
    "This feature controls how you want foreign keys to be displayed  in the result script for example "
    "if you have two tables Customers and Orders, in the Orders table there would be a column for "
    "storing the customer ID related to each order (foreign key).\r\n\r\n"
    "However, in orders table, if you don't want to see Customer ID. Instead, you would rather see the "
    "name of the customer, which the order belongs to (i.e. JOHN SMITH instead of 5467) Not only that, "
    "but you would like to be able to use a drop-down to easily select the name of the Customer, to "
    "save typing it every time. To achieve these two things we use a Lookup Column.\r\n\r\n"
    "parent field:\r\n\r\n"
    "Parent Field is the field that contain values you want to include in your lookup column , in the "
    "Previous example the parent field is Customer Name (in the customers table) while the lookup "
    "column is customer ID (in the Orders table) .");

struct Shown {
    QString caption, title, body, label1, seeAlso, ref;
    bool visibleAfter = true;
};

class FieldHelp : public ::testing::Test {
protected:
    UserDataFolder userData;
    DialogRecorder dialogs;
    QPointer<frmHelp> form = new frmHelp;
    QList<Shown> showings;

    void SetUp() override
    {
        // Each showing runs the window's own modal loop, as the program does; inside it the texts
        // on screen are recorded and Escape is pressed where the user's focus is.
        dialogs.modalHandlers[QStringLiteral("frmHelp")] = [this](QDialog& dialog) {
            QMetaObject::invokeMethod(
                &dialog, [this, &dialog] { recordAndPressEscape(dialog); }, Qt::QueuedConnection);
            return dialog.exec();
        };
    }
    void recordAndPressEscape(QDialog& dialog)
    {
        Shown s{dialog.windowTitle(),
                text<QLineEdit>(dialog, "title"),
                dialog.findChild<QPlainTextEdit*>(QStringLiteral("body"))->toPlainText(),
                text<QLabel>(dialog, "Label1"),
                text<QLabel>(dialog, "lblseealso"),
                text<QLabel>(dialog, "lblref")};
        dialog.findChild<QPlainTextEdit*>(QStringLiteral("body"))->setFocus();
        QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : &dialog, Qt::Key_Escape);
        s.visibleAfter = dialog.isVisible();
        showings << s;
        if (dialog.isVisible())  // Escape failed: end the loop so that the test can report it
            dialog.reject();
    }
    void TearDown() override { delete form.data(); }

    template <typename T>
    static QString text(QDialog& dialog, const char* name)
    {
        return dialog.findChild<T*>(QString::fromLatin1(name))->text();
    }
    static void processDeferredDeletes() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }
};

// A text box holds the paragraphs with the platform's own line breaks.
QString asShown(QString text)
{
    return text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

}  // namespace

TEST_F(FieldHelp, TopicOneShowsItsTextsAndEscapeHidesUntilTheNextShowing)
{
    form->HelpTopic = 1;
    EXPECT_EQ(form->ShowModal(), QDialog::Rejected);
    processDeferredDeletes();
    ASSERT_FALSE(form.isNull()) << "Escape must only hide the window";
    EXPECT_EQ(form->ShowModal(), QDialog::Rejected);

    ASSERT_EQ(showings.size(), 2);
    for (const Shown& s : showings) {
        EXPECT_EQ(s.caption, QStringLiteral("What's this"));
        EXPECT_EQ(s.title, QStringLiteral("  Lookup columns"));
        EXPECT_EQ(s.body, asShown(kBody));
        EXPECT_EQ(s.label1, QStringLiteral("Quillmere Online Help"));
        EXPECT_EQ(s.seeAlso, QStringLiteral("For more details please see"));
        EXPECT_EQ(s.ref, QStringLiteral("Quillmere Online Help"));
        EXPECT_FALSE(s.visibleAfter);
    }
    EXPECT_EQ(dialogs.modals, (QStringList{QStringLiteral("frmHelp"), QStringLiteral("frmHelp")}));
}

TEST_F(FieldHelp, AnotherTopicNumberChangesNothing)
{
    for (const int16_t topic : {2, 1, 7}) {
        ASSERT_FALSE(form.isNull()) << "one window serves every showing";
        form->HelpTopic = topic;
        form->ShowModal();
    }

    ASSERT_EQ(showings.size(), 3);
    EXPECT_EQ(showings[0].title, QString());
    EXPECT_EQ(showings[0].body, QString());
    EXPECT_EQ(showings[2].title, showings[1].title);
    EXPECT_EQ(showings[2].body, asShown(kBody));
}

TEST_F(FieldHelp, ClosingByTheFrameDiscardsTheWindow)
{
    form->show();
    form->close();
    processDeferredDeletes();
    EXPECT_TRUE(form.isNull());
}

TEST_F(FieldHelp, TheLinkOpensTheLookupColumnsTopicInTheSharedViewer)
{
    TempProgramFolder folder;
    HTMLHelpViewer viewer;
    form->SetHelpViewer(&viewer);
    form->SetHelpFile(helpFileIn(folder));
    form->show();
    QApplication::processEvents();

    auto* link = form->findChild<QLabel*>(QStringLiteral("lblref"));
    QTest::mouseClick(link, Qt::LeftButton);
    ASSERT_NE(viewer.Window(), nullptr);
    EXPECT_EQ(visibleHelpWindows(), QList<HelpWindow*>{viewer.Window()});
    EXPECT_EQ(viewer.Window()->currentTopic().fileName(), QStringLiteral("lookup-columns.html"));
    EXPECT_TRUE(dialogs.messages.isEmpty());

    viewer.Unload();
    link->setFocus();
    QTest::keyClick(link, Qt::Key_Return);
    EXPECT_EQ(visibleHelpWindows().size(), 1);
}
