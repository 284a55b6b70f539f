// The destination folder chooser, driven through its widgets on a temporary tree where two folders
// stand in for drives: c (holding the current folder c/work) and d/, given with a trailing "/" as a
// real root such as "/" is.

#include "DialogRecorder.h"
#include "dialogs/frmFolder.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QIcon>
#include <QLineEdit>
#include <QPushButton>
#include <QStorageInfo>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>

#include <gtest/gtest.h>

#include <memory>

namespace {

class FolderChooserTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        base = QDir(temp.path()).canonicalPath();
        for (const char* dir : {"c/work/out", "c/work/site", "d/pages"})
            ASSERT_TRUE(QDir(base).mkpath(QString::fromLatin1(dir)));
        QFile file(c("work/build"));  // a file named like a folder
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        ASSERT_TRUE(QDir::setCurrent(c("work")));
    }
    void TearDown() override { QDir::setCurrent(previousCurrent); }

    QString c(const QString& rest = {}) const { return base + (rest.isEmpty() ? "/c" : "/c/" + rest); }
    QString d(const QString& rest = {}) const { return base + "/d/" + rest; }

    frmFolder& open(const QString& destination = QStringLiteral("/earlier/"))
    {
        chooser = std::make_unique<frmFolder>(destination, QStringList{c(), d()});
        chooser->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(chooser.get()));
        return *chooser;
    }
    template <typename T> T* control(const char* name) const { return chooser->findChild<T*>(name); }
    QTreeWidget* tree() const { return control<QTreeWidget>("folder"); }
    QString pathBox() const { return control<QLineEdit>("txtpath")->text(); }
    void typePath(const QString& text) const
    {
        control<QLineEdit>("txtpath")->clear();
        QTest::keyClicks(control<QLineEdit>("txtpath"), text);
    }
    void press(const char* button) const { QTest::mouseClick(control<QPushButton>(button), Qt::LeftButton); }
    QTreeWidgetItem* item(const QString& path) const
    {
        for (QTreeWidgetItemIterator it(tree()); *it; ++it) {
            if ((*it)->data(0, Qt::UserRole).toString() == path)
                return *it;
        }
        return nullptr;
    }
    void clickFolder(const QString& path) const
    {
        QTest::mouseClick(tree()->viewport(), Qt::LeftButton, {}, tree()->visualItemRect(item(path)).center());
    }
    static QStringList childNames(const QTreeWidgetItem* parent)
    {
        QStringList names;
        for (int i = 0; i < parent->childCount(); ++i)
            names << parent->child(i)->text(0);
        return names;
    }

    qmtest::DialogRecorder recorder;
    QTemporaryDir temp;
    QString base;
    const QString previousCurrent = QDir::currentPath();
    std::unique_ptr<frmFolder> chooser;
};

TEST_F(FolderChooserTest, OpensOnTheCurrentFolderAndFollowsClicksAndDrives)
{
    open();
    EXPECT_EQ(control<QComboBox>("drive")->currentIndex(), 0);
    EXPECT_EQ(chooser->FolderPath(), c("work"));
    EXPECT_EQ(pathBox(), c("work"));
    EXPECT_EQ(childNames(item(c("work"))), (QStringList{"out", "site"}));  // no file "build"
    chooser->grab().save(QCoreApplication::applicationDirPath() + "/folder_chooser.png");

    clickFolder(c("work/site"));
    EXPECT_EQ(pathBox(), c("work/site"));
    typePath("elsewhere");  // typing leaves the tree alone; a click shows its path again
    clickFolder(c("work/site"));
    EXPECT_EQ(pathBox(), c("work/site"));

    QTest::keyClick(control<QComboBox>("drive"), Qt::Key_Down);
    EXPECT_EQ(pathBox(), d());
    EXPECT_EQ(childNames(tree()->topLevelItem(0)), QStringList{"pages"});
}

TEST_F(FolderChooserTest, OpeningAFolderAgainShowsFoldersMadeOrRemovedAndKeepsTheSelection)
{
    open();
    clickFolder(c("work/out"));
    ASSERT_TRUE(QDir(c("work")).mkdir("aaa") && QDir(c("work")).mkdir("zzz") && QDir(c("work")).rmdir("site"));
    tree()->collapseItem(item(c("work")));
    tree()->expandItem(item(c("work")));
    EXPECT_EQ(childNames(item(c("work"))), (QStringList{"aaa", "out", "zzz"}));
    EXPECT_EQ(chooser->FolderPath(), c("work/out"));
}

TEST_F(FolderChooserTest, NewFolderIsMadeInTheSelectedFolderAndSelected)
{
    open();
    recorder.inputs = {QStringLiteral("fresh"), QStringLiteral("fresh")};
    press("NewFolder");
    EXPECT_EQ(recorder.prompts, QStringList{"please enter the New Folder name"});
    EXPECT_TRUE(QFileInfo(c("work/fresh")).isDir());
    EXPECT_EQ(pathBox(), c("work/fresh"));
    EXPECT_EQ(childNames(item(c("work"))), (QStringList{"fresh", "out", "site"}));

    control<QComboBox>("drive")->setCurrentIndex(1);  // on a root the joined "//" collapses
    press("NewFolder");
    EXPECT_TRUE(QFileInfo(d("fresh")).isDir());
    EXPECT_EQ(pathBox(), d("fresh"));
    EXPECT_TRUE(recorder.messages.isEmpty());
}

TEST_F(FolderChooserTest, NewFolderRefusesEmptyAndExistingNamesAndStaysPut)
{
    open();
    const QStringList before = QDir(c("work")).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
    recorder.inputs = {QString(), std::nullopt, QStringLiteral("out"), QStringLiteral("build"),
                       QStringLiteral("missing/inner")};  // the last fails silently
    for (int i = 0; i < 5; ++i)
        press("NewFolder");
    EXPECT_EQ(recorder.texts(),
              (QStringList{"invalid Folder Name", "invalid Folder Name", "out already exist", "build already exist"}));
    for (const qmtest::RecordedMessage& m : recorder.messages)
        EXPECT_EQ(m.icon, MessageIcon::None);
    EXPECT_EQ(QDir(c("work")).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), before);
    EXPECT_EQ(pathBox(), c("work"));
}

TEST_F(FolderChooserTest, OkConfirmsOnlyAFolderAndEndsItWithOneSeparator)
{
    open();
    for (const QString& typed : {c("work/nothing"), QString(), c("work/build"), QStringLiteral("build")}) {
        typePath(typed);
        press("ok");
    }
    EXPECT_EQ(recorder.texts(), QStringList(4, "folder dosnt exist"));
    EXPECT_TRUE(chooser->isVisible());
    EXPECT_EQ(chooser->DestinationFolder(), "/earlier/");

    const std::pair<QString, QString> cases[] = {
        {c("work/out"), c("work/out/")},
        {d("pages"), d("pages/")},           // typed, never selected in the tree
        {c("work//out//"), c("work/out/")},  // doubled separators collapse
        {d(), d()},                          // a root stays the root
        {"out", "out/"},                     // relative to the current folder
    };
    for (const auto& [typed, expected] : cases) {
        open();
        typePath(typed);
        press("ok");
        EXPECT_EQ(chooser->result(), QDialog::Accepted) << typed.toStdString();
        EXPECT_TRUE(chooser->FolderConfirmed());
        EXPECT_EQ(chooser->DestinationFolder(), expected);
    }
    EXPECT_EQ(recorder.messages.size(), 4);
}

TEST_F(FolderChooserTest, CancelWarnsClosingByTheFrameDoesNotBothKeepTheEarlierChoice)
{
    open(c("work/out/"));
    typePath(c("work/site"));
    press("cancel");
    ASSERT_EQ(recorder.messages.size(), 1);
    EXPECT_EQ(recorder.messages[0].text, "You must select a destination folder before proceeding");
    EXPECT_EQ(recorder.messages[0].icon, MessageIcon::Exclamation);
    EXPECT_EQ(chooser->result(), QDialog::Rejected);
    EXPECT_EQ(chooser->DestinationFolder(), c("work/out/"));

    open(c("work/out/"));
    typePath(c("work/site"));
    chooser->close();
    EXPECT_EQ(recorder.messages.size(), 1);
    EXPECT_FALSE(chooser->isVisible());
    EXPECT_EQ(chooser->DestinationFolder(), c("work/out/"));
}

TEST(FolderChooserDrives, AreTheMountedVolumesStartingOnTheOneHoldingTheCurrentFolder)
{
    QStringList volumes;
    for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
        if (volume.isValid() && volume.isReady() && !volumes.contains(volume.rootPath()))
            volumes << volume.rootPath();
    }
    volumes.sort();
    frmFolder chooser{QString()};
    auto* drives = chooser.findChild<QComboBox*>("drive");
    QStringList listed;
    for (int i = 0; i < drives->count(); ++i)
        listed << drives->itemData(i).toString();
    EXPECT_EQ(listed, volumes);
    EXPECT_EQ(drives->currentData().toString(), QStorageInfo(QDir::currentPath()).rootPath());
    EXPECT_EQ(chooser.FolderPath(), QDir::currentPath());
}

}  // namespace

namespace {

// Where the desktop has no icon theme, the drive icon is drawn at the size asked for: its top
// edge goes from clear to solid in one step at any size, without the blur of a picture made for
// another size and scaled.
TEST(FolderChooserDrives, IconIsSharpAtAnySizeWithoutADesktopTheme)
{
    ASSERT_FALSE(QIcon::hasThemeIcon(QStringLiteral("drive-harddisk")));
    frmFolder chooser{QString()};
    const QIcon icon = chooser.findChild<QComboBox*>("drive")->itemIcon(0);
    for (const int size : {16, 24, 32, 40, 48}) {
        const QImage image = icon.pixmap(QSize(size, size)).toImage();
        ASSERT_EQ(image.size(), QSize(size, size));
        // Down the middle: clear above the drive, then solid.
        int y = 0;
        while (y < size && qAlpha(image.pixel(size / 2, y)) == 0)
            ++y;
        EXPECT_GT(y, 0) << size;
        EXPECT_LT(y, size / 2) << size;
        EXPECT_EQ(qAlpha(image.pixel(size / 2, y)), 255) << size;
    }
}

}  // namespace
