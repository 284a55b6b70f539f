#pragma once
// The stylesheet editor on a private program folder holding the delivered sample page, with the
// dialog recorder standing in for message boxes and modal windows.

#include "DialogRecorder.h"
#include "TestFolders.h"
#include "stylesheet/frmCSS.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace qmtest {

class EditorFixture : public ::testing::Test {
protected:
    QTemporaryDir program;
    DialogRecorder dialogs;
    std::unique_ptr<frmCSS> editor;

    void SetUp() override
    {
        ASSERT_TRUE(QFile::copy(sourceDir() + QStringLiteral("/data/cssview.html"),
                                program.filePath(QStringLiteral("cssview.html"))));
        editor = std::make_unique<frmCSS>(program.path());
        editor->resize(800, 600);
        editor->show();
    }

    template <typename T = QPushButton>
    T* control(const char* name)
    {
        T* c = editor->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(c, nullptr) << name;
        return c;
    }
    QTreeWidget* tree() { return control<QTreeWidget>("tvCSS"); }
    QTreeWidget* props() { return control<QTreeWidget>("lvProps"); }
    void click(const char* name) { QTest::mouseClick(control(name), Qt::LeftButton); }

    QString write(const QString& name, const QByteArray& content)
    {
        const QString path = program.filePath(name);
        QDir().mkpath(QFileInfo(path).path());
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(content);
        return path;
    }
    static QByteArray read(const QString& path)
    {
        QFile f(path);
        if (!f.open(QIODevice::ReadOnly))
            return {};
        return f.readAll();
    }

    // The tree's node with `text` under the category captioned `category` (or the category).
    QTreeWidgetItem* node(const QString& category, const QString& text = {})
    {
        const auto found = tree()->findItems(category, Qt::MatchExactly);
        if (found.isEmpty())
            return nullptr;
        if (text.isEmpty())
            return found.first();
        for (int i = 0; i < found.first()->childCount(); ++i) {
            if (found.first()->child(i)->text(0) == text)
                return found.first()->child(i);
        }
        return nullptr;
    }
    QStringList childTexts(const QString& category)
    {
        QStringList texts;
        QTreeWidgetItem* c = node(category);
        for (int i = 0; c && i < c->childCount(); ++i)
            texts << c->child(i)->text(0);
        return texts;
    }
    // Clicks a node as the user does; its category is opened first so that it can be seen.
    void clickNode(QTreeWidgetItem* item)
    {
        ASSERT_NE(item, nullptr);
        if (item->parent())
            item->parent()->setExpanded(true);
        tree()->scrollToItem(item);
        QTest::mouseClick(tree()->viewport(), Qt::LeftButton, {}, tree()->visualItemRect(item).center());
        ASSERT_EQ(tree()->currentItem(), item);
    }
    void clickProperty(const QString& name)
    {
        const auto found = props()->findItems(name, Qt::MatchExactly, 0);
        ASSERT_EQ(found.size(), 1) << name.toStdString();
        QTest::mouseClick(props()->viewport(), Qt::LeftButton, {},
                          props()->visualItemRect(found.first()).center());
    }
    // Types into the label editor open in `view` and presses Enter; the editor hands the text on
    // once the event loop runs.
    static QLineEdit* openEditor(QAbstractItemView* view)
    {
        for (QLineEdit* edit : view->viewport()->findChildren<QLineEdit*>()) {
            if (edit->isVisible())
                return edit;
        }
        return nullptr;
    }
    void typeIntoEditor(QAbstractItemView* view, const QString& text)
    {
        QLineEdit* edit = openEditor(view);
        ASSERT_NE(edit, nullptr);
        edit->clear();
        QTest::keyClicks(edit, text);
        QTest::keyClick(edit, Qt::Key_Return);
        QCoreApplication::processEvents();
    }
    void enterValue(const QString& value)
    {
        auto* box = control<QLineEdit>("txData");
        box->clear();
        QTest::keyClicks(box, value);
        QTest::keyClick(box, Qt::Key_Return);
    }
    QList<QPair<QString, QString>> propertyRows()
    {
        QList<QPair<QString, QString>> rows;
        for (int i = 0; i < props()->topLevelItemCount(); ++i)
            rows.append({props()->topLevelItem(i)->text(0), props()->topLevelItem(i)->text(1)});
        return rows;
    }

    // Waits for `done` while the event loop runs, up to `ms` milliseconds.
    static bool waitUntil(const std::function<bool()>& done, int ms = 30000)
    {
        QElapsedTimer timer;
        timer.start();
        while (!done()) {
            if (timer.elapsed() > ms)
                return false;
            QTest::qWait(20);
        }
        return true;
    }
};

}  // namespace qmtest
