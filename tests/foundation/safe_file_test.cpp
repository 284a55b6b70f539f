#include "common/SafeFile.h"

#include "FullDisk.h"

#include <QFile>

#include <gtest/gtest.h>

namespace {

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

}  // namespace

// A failed save must leave the earlier file byte for byte, whether the new content is larger than
// any buffer or small enough to wait in one until the file is committed.
TEST(SafeFile, AFullDiskLeavesTheOldFileAsItWas)
{
    for (const qsizetype newSize : {qsizetype(66), qsizetype(200000)}) {
        qmtest::FullDisk disk;
        const QString path = disk.file(QStringLiteral("sql.ini"));
        const QByteArray old = QByteArray("[Connection1]\r\nName=kept\r\n").repeated(200);
        ASSERT_TRUE(writeWholeFile(path, old).isEmpty());
        disk.fill();

        const QString error = writeWholeFile(path, QByteArray(newSize, 'n'));
        disk.release();

        EXPECT_FALSE(error.isEmpty()) << "size " << newSize;
        EXPECT_EQ(readAll(path), old) << "size " << newSize;
    }
}

TEST(SafeFile, WritesTheWholeContentAndReportsAnUnwritableFolder)
{
    qmtest::FullDisk disk;
    const QString path = disk.file(QStringLiteral("out.txt"));
    EXPECT_TRUE(writeWholeFile(path, "first").isEmpty());
    EXPECT_TRUE(writeWholeFile(path, "second, longer").isEmpty());
    EXPECT_EQ(readAll(path), QByteArray("second, longer"));

    EXPECT_FALSE(writeWholeFile(disk.file(QStringLiteral("no/such/folder/out.txt")), "x").isEmpty());
}
