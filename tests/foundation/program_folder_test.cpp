// The program finds its data files beside the executable (a build tree, a portable copy) or, when
// installed, in <prefix>/share/quillmere.
#include "common/ProgramFolder.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

TEST(ProgramFolder, DataBesideTheExecutableElseInTheSharedFolder)
{
    QTemporaryDir root;
    const QString bin = root.filePath(QStringLiteral("usr/bin"));
    const QString shared = root.filePath(QStringLiteral("usr/share/quillmere"));
    ASSERT_TRUE(QDir().mkpath(bin));
    // Neither: the executable's folder, so that what is missing is named there as before.
    EXPECT_EQ(ProgramFolder::dataFolderFor(bin), bin);
    ASSERT_TRUE(QDir().mkpath(shared + QStringLiteral("/templates")));
    EXPECT_EQ(ProgramFolder::dataFolderFor(bin), shared);
    ASSERT_TRUE(QDir().mkpath(bin + QStringLiteral("/templates")));
    EXPECT_EQ(ProgramFolder::dataFolderFor(bin), bin);
}
