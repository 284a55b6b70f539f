// Mouse, keyboard, hover, focus and drag-and-drop on real buttons in a shown window.

#include "controls/GlyphButton.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QElapsedTimer>
#include <QMimeData>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <iostream>

namespace {

class GlyphInput : public ::testing::Test {
protected:
    void SetUp() override
    {
        window.resize(340, 80);
        first = add("cmdFirst", "&First", 10);
        button = add("cmdNext", "&Next >", 120);
        last = add("cmdLast", "&Last", 230);
        window.show();
        window.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
        QTest::mouseMove(&window, QPoint(330, 70));  // start with the pointer on the window itself
        // Every event of the button, in the order raised.
        connect(&GlyphButton::MouseDown, [this](Qt::MouseButton b, Qt::KeyboardModifiers, int x, int y) {
            log << QStringLiteral("down %1 %2,%3").arg(int(b)).arg(x).arg(y); });
        connect(&GlyphButton::MouseUp, [this](Qt::MouseButton b, Qt::KeyboardModifiers, int x, int y) {
            log << QStringLiteral("up %1 %2,%3").arg(int(b)).arg(x).arg(y); });
        connect(&GlyphButton::KeyDown, [this](int key, Qt::KeyboardModifiers) { log << QStringLiteral("keydown %1").arg(key); });
        connect(&GlyphButton::KeyPress, [this](int c) { log << QStringLiteral("keypress %1").arg(c); });
        connect(&GlyphButton::KeyUp, [this](int key, Qt::KeyboardModifiers) { log << QStringLiteral("keyup %1").arg(key); });
        connect(&GlyphButton::MouseOnButton, [this](bool on) { log << QStringLiteral("hover %1").arg(on); });
        connect(&GlyphButton::Click, [this] { log << QStringLiteral("click"); });
        connect(&GlyphButton::DoubleClick, [this](Qt::MouseButton b) { log << QStringLiteral("dblclick %1").arg(int(b)); });
        QObject::connect(button, &QPushButton::clicked, [this] { log << QStringLiteral("clicked"); });
    }

    template <typename Signal, typename Slot>
    void connect(Signal signal, Slot slot) { QObject::connect(button, signal, slot); }

    GlyphButton* add(const char* name, const char* caption, int x)
    {
        auto* b = new GlyphButton(QString::fromLatin1(caption), &window);
        b->setObjectName(QString::fromLatin1(name));
        b->setGeometry(x, 10, 100, 30);
        return b;
    }

    // The timers registered for `root` and every object inside it.
    using Timer = QPair<QObject*, int>;
    static QList<Timer> timersIn(QObject& root)
    {
        QObjectList objects = root.findChildren<QObject*>();
        objects.prepend(&root);
        QList<Timer> timers;
        QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance();
        for (QObject* o : objects) {
            for (const QAbstractEventDispatcher::TimerInfo& t : dispatcher->registeredTimers(o))
                timers.append({o, t.timerId});
        }
        return timers;
    }

    QWidget window;
    GlyphButton* first = nullptr;
    GlyphButton* button = nullptr;
    GlyphButton* last = nullptr;
    QStringList log;
};

}  // namespace

TEST_F(GlyphInput, LeftClickClicksOtherButtonsOnlyReportPressAndRelease)
{
    QTest::mousePress(button, Qt::LeftButton, {}, QPoint(20, 12));
    EXPECT_TRUE(button->stateBits() & GlyphFace::Pressed);
    EXPECT_EQ(QWidget::mouseGrabber(), nullptr);  // Qt's implicit grab, not an explicit one
    QTest::mouseRelease(button, Qt::LeftButton, {}, QPoint(20, 12));
    EXPECT_FALSE(button->stateBits() & GlyphFace::Pressed);
    EXPECT_EQ(log, QStringList({"down 1 20,12", "up 1 20,12", "click", "clicked"}));

    log.clear();
    QTest::mouseClick(button, Qt::RightButton, {}, QPoint(5, 5));
    QTest::mouseClick(button, Qt::MiddleButton, {}, QPoint(6, 6));
    EXPECT_EQ(log, QStringList({"down 2 5,5", "up 2 5,5", "down 4 6,6", "up 4 6,6"}));

    // A double click reports itself, then acts as a left press.
    log.clear();
    QTest::mouseDClick(button, Qt::LeftButton, {}, QPoint(8, 8));
    EXPECT_TRUE(button->isDown());
    QTest::mouseRelease(button, Qt::LeftButton, {}, QPoint(8, 8));
    EXPECT_EQ(log, QStringList({"dblclick 1", "down 1 8,8", "up 1 8,8", "click", "clicked"}));
}

TEST_F(GlyphInput, HoverEndsWithinOneIntervalAfterThePointerLeavesAndIsReportedOnce)
{
    QTest::mouseMove(button, QPoint(30, 15));
    QTest::mouseMove(button, QPoint(40, 16));
    EXPECT_EQ(log, QStringList("hover 1"));
    EXPECT_TRUE(button->stateBits() & GlyphFace::Hovered);

    QSignalSpy hover(button, &GlyphButton::MouseOnButton);
    QElapsedTimer clock;
    clock.start();
    QTest::mouseMove(&window, QPoint(330, 70));
    ASSERT_TRUE(hover.wait(1000));
    const qint64 elapsed = clock.elapsed();
    std::cout << "hover ended " << elapsed << " ms after the pointer left" << std::endl;
    EXPECT_LE(elapsed, GlyphButton::HoverInterval + 100) << "hover ended after " << elapsed << " ms";
    EXPECT_FALSE(button->stateBits() & GlyphFace::Hovered);
    EXPECT_FALSE(hover.wait(4 * GlyphButton::HoverInterval));
    EXPECT_EQ(log, QStringList({"hover 1", "hover 0"}));

    // Into another button and back: each entry and exit once.
    QTest::mouseMove(last, QPoint(10, 10));
    const QList<Timer> beforeEntry = timersIn(window);
    QTest::mouseMove(button, QPoint(10, 10));
    EXPECT_EQ(log.last(), "hover 1");

    // A button destroyed while hovered stops its timer: the timer the entry started, wherever it
    // was registered, is gone with the button.
    QList<Timer> started = timersIn(window);
    for (const Timer& t : beforeEntry)
        started.removeAll(t);
    ASSERT_FALSE(started.isEmpty()) << "no timer runs while the button is hovered";
    delete button;
    button = nullptr;
    for (const Timer& t : started)
        EXPECT_FALSE(QAbstractEventDispatcher::instance()->unregisterTimer(t.second)) << "timer " << t.second;
}

TEST_F(GlyphInput, SpacePressesAndClicksArrowsMoveFocusOtherKeysAreReported)
{
    button->setFocus();
    ASSERT_TRUE(button->hasFocus());
    EXPECT_TRUE(button->stateBits() & GlyphFace::Focused);
    QTest::keyPress(button, Qt::Key_Space);
    EXPECT_TRUE(button->stateBits() & GlyphFace::Pressed);
    EXPECT_EQ(log, QStringList({"keydown 32", "keypress 32"}));
    QTest::keyRelease(button, Qt::Key_Space);
    EXPECT_FALSE(button->stateBits() & GlyphFace::Pressed);
    EXPECT_EQ(log, QStringList({"keydown 32", "keypress 32", "click", "clicked", "keyup 32"}));

    log.clear();
    QTest::keyClick(button, Qt::Key_A);
    QTest::keyClick(button, Qt::Key_Shift);
    EXPECT_EQ(log, QStringList({"keydown 65", "keypress 97", "keyup 65"}));

    log.clear();
    QTest::keyClick(button, Qt::Key_Right);
    EXPECT_TRUE(last->hasFocus());
    EXPECT_EQ(button->stateBits(), 0);
    QTest::keyClick(last, Qt::Key_Up);
    QTest::keyClick(button, Qt::Key_Left);
    EXPECT_TRUE(first->hasFocus());
    QTest::keyClick(first, Qt::Key_Down);
    EXPECT_TRUE(button->hasFocus());
    EXPECT_TRUE(log.isEmpty()) << log.join(", ").toStdString();
}

TEST_F(GlyphInput, AccessKeyEnterAndEscapeShowPressedThenClick)
{
    QSignalSpy click(button, &GlyphButton::Click);
    QTest::keyClick(&window, Qt::Key_N, Qt::AltModifier);
    EXPECT_TRUE(button->isDown());
    ASSERT_TRUE(click.wait(1000));
    EXPECT_FALSE(button->isDown());

    // Only the last single ampersand makes an access key, and "&&" makes none.
    button->setCaption("&Back && &Onward");
    QTest::keyClick(&window, Qt::Key_B, Qt::AltModifier);
    EXPECT_FALSE(button->isDown());
    QTest::keyClick(&window, Qt::Key_O, Qt::AltModifier);
    EXPECT_TRUE(button->isDown());
    ASSERT_TRUE(click.wait(1000));

    first->setFocus();
    button->setDefault(true);
    QTest::keyClick(first, Qt::Key_Return);
    EXPECT_TRUE(button->isDown());
    ASSERT_TRUE(click.wait(1000));
    QSignalSpy cancel(last, &GlyphButton::Click);
    QTest::keyClick(first, Qt::Key_Escape);
    EXPECT_FALSE(last->isDown());
    last->setCancel(true);
    QTest::keyClick(first, Qt::Key_Escape);
    ASSERT_TRUE(cancel.wait(1000));
    EXPECT_EQ(click.count(), 3);
}

TEST_F(GlyphInput, DisabledButtonRaisesNothing)
{
    QTest::mouseMove(button, QPoint(10, 10));
    ASSERT_EQ(log, QStringList("hover 1"));
    button->setDefault(true);
    button->setEnabled(false);
    log.clear();
    QTest::mouseMove(button, QPoint(20, 10));
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(20, 10));
    QTest::mouseClick(button, Qt::RightButton, {}, QPoint(20, 10));
    QTest::mouseDClick(button, Qt::LeftButton, {}, QPoint(20, 10));
    QTest::mouseRelease(button, Qt::LeftButton, {}, QPoint(20, 10));
    button->setFocus();
    QTest::keyClick(button, Qt::Key_Space);
    QTest::keyClick(&window, Qt::Key_N, Qt::AltModifier);
    QTest::keyClick(&window, Qt::Key_Return);
    QTest::mouseMove(&window, QPoint(330, 70));
    QSignalSpy hover(button, &GlyphButton::MouseOnButton);
    EXPECT_FALSE(hover.wait(3 * GlyphButton::HoverInterval));
    EXPECT_TRUE(log.isEmpty()) << log.join(", ").toStdString();
}

TEST_F(GlyphInput, DragAndDropNotificationsPassThrough)
{
    button->setAcceptDrops(true);
    QMimeData data;
    data.setText("payload");
    QObject::connect(button, &GlyphButton::OLEDragOver,
                     [this](const QMimeData* d, Qt::DropAction& effect, Qt::MouseButtons, Qt::KeyboardModifiers, int x, int, int state) {
                         log << QStringLiteral("over %1 %2 %3").arg(state).arg(x).arg(d ? d->text() : "-");
                         if (state == 2)
                             effect = Qt::CopyAction;
                     });
    QObject::connect(button, &GlyphButton::OLEDragDrop,
                     [this](const QMimeData* d, Qt::DropAction& effect, Qt::MouseButtons, Qt::KeyboardModifiers, int, int) {
                         log << QStringLiteral("drop %1").arg(d->text());
                         effect = Qt::IgnoreAction;
                     });
    const Qt::DropActions actions = Qt::CopyAction | Qt::MoveAction;
    QDragEnterEvent enter(QPoint(5, 6), actions, &data, Qt::LeftButton, {});
    QApplication::sendEvent(button, &enter);
    QDragMoveEvent move(QPoint(7, 6), actions, &data, Qt::LeftButton, {});
    QApplication::sendEvent(button, &move);
    EXPECT_TRUE(move.isAccepted());
    EXPECT_EQ(move.dropAction(), Qt::CopyAction);
    QDropEvent drop(QPointF(9, 6), actions, &data, Qt::LeftButton, {});
    QApplication::sendEvent(button, &drop);
    EXPECT_FALSE(drop.isAccepted());
    QDragEnterEvent again(QPoint(3, 4), actions, &data, Qt::LeftButton, {});
    QApplication::sendEvent(button, &again);
    QDragLeaveEvent leave;
    QApplication::sendEvent(button, &leave);
    ASSERT_EQ(log.size(), 5) << log.join(", ").toStdString();
    EXPECT_EQ(log.mid(0, 4), QStringList({"over 0 5 payload", "over 2 7 payload", "drop payload", "over 0 3 payload"}));
    EXPECT_TRUE(log[4].startsWith("over 1 ") && log[4].endsWith(" payload")) << log[4].toStdString();

    // As a source: the starter fills the data, a promised format is asked for when read.
    log.clear();
    QObject::connect(button, &GlyphButton::OLEStartDrag, [this](QMimeData* d, Qt::DropActions& allowed) {
        d->setData("text/x-later", {});
        allowed = Qt::CopyAction;
        log << QStringLiteral("start, read %1").arg(QString::fromLatin1(d->data("text/x-later")));
    });
    QObject::connect(button, &GlyphButton::OLESetData, [this](QMimeData* d, const QString& format) {
        log << "set " + format;
        d->setData(format, "filled");
    });
    QObject::connect(button, &GlyphButton::OLECompleteDrag, [this](Qt::DropAction a) { log << QStringLiteral("complete %1").arg(int(a)); });
    button->OLEDrag();
    EXPECT_EQ(log, QStringList({"set text/x-later", "start, read filled", "complete 0"}));
}
