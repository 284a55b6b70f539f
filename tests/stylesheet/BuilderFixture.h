#pragma once
// The appearance builder shown offscreen, with a dialog recorder that also keeps where each colour
// dialog started and what each file dialog was asked, and a private folder for saved stylesheets.

#include "DialogRecorder.h"
#include "stylesheet/UpDown.h"
#include "stylesheet/frmCSSBuilder.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

namespace qmtest {

class BuilderDialogs : public DialogRecorder {
public:
    QList<QColor> colorStarts;   // the colour each colour dialog started at
    QStringList saveFolders;     // the folder each save dialog started in
    QStringList saveFilters;

    std::optional<QColor> color(QWidget* parent, const QColor& initial) override
    {
        colorStarts.append(initial);
        return DialogRecorder::color(parent, initial);
    }
    QString saveFileName(QWidget* parent, const QString& caption, const QString& dir,
                         const QString& filter) override
    {
        saveFolders.append(dir);
        saveFilters.append(filter);
        return DialogRecorder::saveFileName(parent, caption, dir, filter);
    }
};

class BuilderFixture : public ::testing::Test {
protected:
    QTemporaryDir folder;
    BuilderDialogs dialogs;
    QPointer<frmCSSBuilder> builder;

    // The list entries in order, and the object names of each item's controls.
    struct Item {
        const char* entry;
        const char* page;
        const char* font;
        const char* size;
        const char* upDown;
        const char* color;
        const char* colorButton;
        const char* bold;
        const char* italic;
        const char* underline;
        const char* background;
        const char* backgroundButton;
    };
    static constexpr Item kItems[4] = {
        {"Body", "pBody", "cFonts", "Text2", "UpDown1", "Text3", "Command12", "Check1", "Check2", "Check3",
         "Text4", "Command13"},
        {"Header Row", "pHeader", "Combo1", "Text7", "UpDown2", "Text6", "Command10", "Check6", "Check5",
         "Check4", "Text5", "Command11"},
        {"Default Row", "pDefault", "Combo2", "Text8", "UpDown3", "Text9", "Command8", "Check7", "Check8",
         "Check9", "Text10", "Command9"},
        {"Links", "pStrip", "Combo3", "Text13", "UpDown4", "Text12", "Command6", "Check12", "Check11",
         "Check10", "Text11", "Command7"},
    };

    void SetUp() override
    {
        ASSERT_TRUE(folder.isValid());
        builder = new frmCSSBuilder(folder.path());
        builder->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(builder));
    }
    void TearDown() override { delete builder.data(); }

    template <typename T = QPushButton>
    T* control(const char* name)
    {
        T* c = builder->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(c, nullptr) << name;
        return c;
    }
    void click(const char* name)
    {
        auto* b = control(name);
        ASSERT_TRUE(b->isVisible()) << name;
        QTest::mouseClick(b, Qt::LeftButton);
    }
    // Clicks an item in the list, as the user picks a page.
    void showItem(int index)
    {
        auto* list = control<QListWidget>("lstTags");
        QListWidgetItem* entry = list->item(index);
        ASSERT_NE(entry, nullptr);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(entry).center());
        ASSERT_TRUE(control<QWidget>(kItems[index].page)->isVisible());
    }
    void tick(const char* name)
    {
        auto* box = control<QCheckBox>(name);
        ASSERT_TRUE(box->isVisible()) << name;
        const bool before = box->isChecked();
        QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(box->height() / 2, box->height() / 2));
        ASSERT_NE(box->isChecked(), before) << name;
    }
    void type(const char* name, const QString& text)
    {
        auto* box = control<QLineEdit>(name);
        box->selectAll();
        if (text.isEmpty())
            QTest::keyClick(box, Qt::Key_Delete);
        else
            QTest::keyClicks(box, text);
        ASSERT_EQ(box->text(), text) << name;
    }
    void typeFont(const char* name, const QString& font)
    {
        auto* combo = control<QComboBox>(name);
        combo->lineEdit()->selectAll();
        QTest::keyClicks(combo->lineEdit(), font);
        ASSERT_EQ(combo->currentText(), font) << name;
    }
    void stepSize(const char* upDown, int steps)
    {
        auto* arrows = control<UpDown>(upDown);
        QToolButton* b = steps > 0 ? arrows->upButton() : arrows->downButton();
        for (int i = 0; i < std::abs(steps); ++i)
            QTest::mouseClick(b, Qt::LeftButton);
    }
    void generate() { click("Command3"); }
    QString text() { return control<QPlainTextEdit>("Text1")->toPlainText(); }
    QStringList lines() { return text().split(u'\n'); }

    static QByteArray read(const QString& path)
    {
        QFile f(path);
        if (!f.open(QIODevice::ReadOnly))
            return {};
        return f.readAll();
    }
};

}  // namespace qmtest
