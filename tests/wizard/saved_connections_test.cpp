// Saved connections in sql.ini: numbering, the gap rule, and passwords that come back exactly.
#include "FullDisk.h"
#include "wizard/cMain.h"
#include "wizard/modINI.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

class SavedConnections : public ::testing::Test {
protected:
    QTemporaryDir dir;
    cMain main{dir.path()};

    void writeIni(const QByteArray& bytes)
    {
        QFile f(main.IniFile());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
};

}  // namespace

TEST_F(SavedConnections, SaveWritesTheFourKeysInOrderWithTheScrambledPassword)
{
    ASSERT_TRUE(main.SaveConnection({QStringLiteral("localhost"), QStringLiteral("root"),
                                     QStringLiteral("pw"), QStringLiteral("Shop")}));
    QFile f(main.IniFile());
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    // "pw" + "GR" (positions 2 and 3 of TGRFEDSWQA) = 0x70+0x47, 0x77+0x52.
    EXPECT_EQ(f.readAll(), QByteArray("[Connection1]\r\nConnName=Shop\r\nSQL=localhost\r\nLogin=root\r\n"
                                      "Password=\xB7\xC9\r\n"));
}

TEST_F(SavedConnections, GapEndsTheListAndTheNextSaveFillsIt)
{
    writeIni("[Connection1]\nConnName=a\nSQL=h1\n[Connection2]\nConnName=b\nSQL=h2\n"
             "[Connection4]\nConnName=d\nSQL=h4\nLogin=old\n");
    EXPECT_EQ(main.CountSavedConnections(), 2);
    const auto list = main.LoadSavedConnections();
    ASSERT_EQ(list.size(), 3);
    EXPECT_EQ(list[2].ConnectionName, QStringLiteral("b"));
    ASSERT_TRUE(main.SaveConnection({QStringLiteral("h3"), QStringLiteral("u"), QString(), QStringLiteral("c")}));
    EXPECT_EQ(ReadIniValue(QStringLiteral("Connection3"), QStringLiteral("SQL"), main.IniFile()), QStringLiteral("h3"));
    // Connection4 is reached again now that the gap is filled.
    EXPECT_EQ(main.CountSavedConnections(), 4);
}

TEST_F(SavedConnections, EmptyServerEndsTheList)
{
    writeIni("[Connection1]\nSQL=h1\n[Connection2]\nConnName=b\nSQL=\n[Connection3]\nSQL=h3\n");
    EXPECT_EQ(main.CountSavedConnections(), 1);
}

TEST_F(SavedConnections, NamesCompareExactly)
{
    ASSERT_TRUE(main.SaveConnection({QStringLiteral("h"), QStringLiteral("u"), QString(), QStringLiteral("Shop")}));
    EXPECT_TRUE(main.ConnectionNameExists(QStringLiteral("Shop")));
    EXPECT_FALSE(main.ConnectionNameExists(QStringLiteral("shop")));
    EXPECT_FALSE(main.ConnectionNameExists(QStringLiteral("Shop ")));
}

TEST_F(SavedConnections, EveryPasswordComesBackExactly)
{
    // Every byte value at every key position, and passwords whose scrambled form has blanks or
    // quotes at its ends or holds CR, LF or NUL.
    QList<QString> passwords = {QStringLiteral(" trailing and leading "), QStringLiteral("pässwörd"),
                                QStringLiteral("\"quoted\""), QString()};
    for (int b = 1; b < 128; ++b) {
        QString p;
        for (int pos = 0; pos < 10; ++pos)
            p += QChar(b);
        passwords << p;
    }
    // UTF-8 bytes that scramble to LF (é: C3+'G'), NUL (®: AE+'R') and CR (ƀ: C6+'G').
    passwords << QString::fromUtf8("\xc3\xa9") << QString::fromUtf8("\xc2\xae")
              << QString::fromUtf8("\xc6\x80x");
    for (const QString& password : passwords)
        ASSERT_TRUE(main.SaveConnection({QStringLiteral("h"), QStringLiteral("u"), password, QStringLiteral("n")}));
    const auto list = main.LoadSavedConnections();
    ASSERT_EQ(list.size(), passwords.size() + 1);
    for (qsizetype i = 0; i < passwords.size(); ++i)
        EXPECT_EQ(list[i + 1].Password, passwords[i]) << i;
}

TEST_F(SavedConnections, ReusedSectionLosesTheHexFormOfAnOlderPassword)
{
    // Connection1 ended the list (empty SQL) but still holds an older password's hex form.
    writeIni("[Connection1]\nConnName=x\nSQL=\nPasswordHex=00ff\n");
    ASSERT_TRUE(main.SaveConnection({QStringLiteral("h"), QStringLiteral("u"), QStringLiteral("plain"), QStringLiteral("n")}));
    EXPECT_EQ(main.LoadSavedConnections()[1].Password, QStringLiteral("plain"));
}

TEST_F(SavedConnections, ByteOrderMarkAndCarriageReturnFilesListEveryConnection)
{
    // Each form is read like the plain one, and a save appends in the file's own line breaks.
    const struct {
        const char* form;
        QByteArray before;
        QByteArray added;
    } cases[] = {
        {"byte-order mark", "\xEF\xBB\xBF[Connection1]\r\nConnName=a\r\nSQL=h1\r\n[Connection2]\r\nConnName=b\r\nSQL=h2\r\n",
         "[Connection3]\r\nConnName=c\r\nSQL=h3\r\nLogin=u\r\nPassword=\r\n"},
        {"CR only", "[Connection1]\rConnName=a\rSQL=h1\r[Connection2]\rConnName=b\rSQL=h2\r",
         "[Connection3]\rConnName=c\rSQL=h3\rLogin=u\rPassword=\r"},
    };
    for (const auto& c : cases) {
        writeIni(c.before);
        const auto list = main.LoadSavedConnections();
        ASSERT_EQ(list.size(), 3) << c.form;
        EXPECT_EQ(list[1].ConnectionName, QStringLiteral("a")) << c.form;
        EXPECT_EQ(list[2].ServerName, QStringLiteral("h2")) << c.form;
        ASSERT_TRUE(main.SaveConnection({QStringLiteral("h3"), QStringLiteral("u"), QString(), QStringLiteral("c")}))
            << c.form;
        QFile f(main.IniFile());
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        EXPECT_EQ(f.readAll(), c.before + c.added) << c.form;
    }
}

TEST_F(SavedConnections, AFailedSaveLeavesTheFileAndSaysWhy)
{
    // 200 saved connections on a full disk: the save fails and every byte stays.
    qmtest::FullDisk disk;
    const cMain onDisk(disk.path());
    QByteArray before;
    for (int i = 1; i <= 200; ++i)
        before += QStringLiteral("[Connection%1]\r\nConnName=c%1\r\nSQL=h\r\nLogin=u\r\nPassword=\r\n").arg(i).toLatin1();
    {
        QFile f(onDisk.IniFile());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(before);
    }
    disk.fill();
    const SaveOutcome full = onDisk.SaveConnection({QStringLiteral("h"), QStringLiteral("u"), QString(), QStringLiteral("new")});
    disk.release();
    EXPECT_FALSE(full);
    EXPECT_FALSE(full.Failure.isEmpty());
    QFile f(onDisk.IniFile());
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), before);

    // sql.ini is a folder: nothing can be read or written, and the save says so.
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("sql.ini")));
    const SaveOutcome folder = main.SaveConnection({QStringLiteral("h"), QStringLiteral("u"), QString(), QStringLiteral("n")});
    EXPECT_FALSE(folder);
    EXPECT_FALSE(folder.Failure.isEmpty());
}

namespace {

// Bytes this process has read and written through system calls so far.
std::pair<qint64, qint64> bytesReadAndWritten()
{
    QFile io(QStringLiteral("/proc/self/io"));
    if (!io.open(QIODevice::ReadOnly))
        return {-1, -1};
    qint64 read = -1, written = -1;
    for (const QByteArray& line : io.readAll().split('\n')) {
        if (line.startsWith("rchar: "))
            read = line.mid(7).toLongLong();
        else if (line.startsWith("wchar: "))
            written = line.mid(7).toLongLong();
    }
    return {read, written};
}

}  // namespace

TEST_F(SavedConnections, ManyConnectionsCostOneReadAndOneWriteOfTheFile)
{
    // Counted in bytes moved rather than in time, so a busy machine cannot make it fail.
    const int n = 5000;
    QByteArray content;
    for (int i = 1; i <= n; ++i)
        content += QStringLiteral("[Connection%1]\r\nConnName=connection %1\r\nSQL=host%1\r\nLogin=u\r\nPassword=\r\n")
                       .arg(i)
                       .toLatin1();
    writeIni(content);
    const qint64 size = content.size();
    // What reading /proc/self/io itself adds is small against the file.
    const qint64 slack = size / 2;

    auto [read0, written0] = bytesReadAndWritten();
    ASSERT_GE(read0, 0);
    const auto list = main.LoadSavedConnections();
    auto [read1, written1] = bytesReadAndWritten();
    ASSERT_EQ(list.size(), n + 1);
    EXPECT_EQ(list[n].ServerName, QStringLiteral("host%1").arg(n));
    EXPECT_LT(read1 - read0, size + slack);

    EXPECT_FALSE(main.ConnectionNameExists(QStringLiteral("new")));
    auto [read2, written2] = bytesReadAndWritten();
    EXPECT_LT(read2 - read1, size + slack);

    const SaveOutcome saved = main.SaveConnection({QStringLiteral("h"), QStringLiteral("u"), QString(), QStringLiteral("new")});
    auto [read3, written3] = bytesReadAndWritten();
    EXPECT_EQ(saved.Number, n + 1);
    EXPECT_LT(read3 - read2, size + slack);
    EXPECT_LT(written3 - written2, size + slack);
    EXPECT_EQ(main.CountSavedConnections(), n + 1);
}

// Where sql.ini is kept: beside the program when its folder may be written; otherwise (a read-only
// folder, an installed program's shared data folder) in the user's configuration folder, readable
// by the user alone, taking over what the program folder's sql.ini held.
TEST(SavedConnectionsPlace, ReadOnlyOrInstalledProgramFoldersSaveInTheUsersConfigurationFolder)
{
    QTemporaryDir root;
    const QString config = root.filePath(QStringLiteral("config"));
    const QByteArray oldConfig = qgetenv("XDG_CONFIG_HOME");
    const QString oldName = QCoreApplication::applicationName();
    qputenv("XDG_CONFIG_HOME", config.toLocal8Bit());
    QCoreApplication::setApplicationName(QStringLiteral("Quillmere"));
    const QString userIni = config + QStringLiteral("/Quillmere/sql.ini");
    const QByteArray shipped = "[Connection1]\r\nConnName=shipped\r\nSQL=h0\r\nLogin=u\r\nPassword=\r\n";

    struct Case {
        const char* name;
        QString folder;
        bool readOnly;
        bool ownSettings;
    };
    const QString prefix = root.filePath(QStringLiteral("usr"));
    ASSERT_TRUE(QDir().mkpath(prefix + QStringLiteral("/bin")));
    QFile program(prefix + QStringLiteral("/bin/quillmere"));
    ASSERT_TRUE(program.open(QIODevice::WriteOnly));
    program.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    const Case cases[] = {
        {"writable", root.filePath(QStringLiteral("portable")), false, true},
        {"read-only", root.filePath(QStringLiteral("readonly")), true, false},
        {"installed", prefix + QStringLiteral("/share/quillmere"), false, false},
    };
    for (const Case& c : cases) {
        QFile::remove(userIni);
        ASSERT_TRUE(QDir().mkpath(c.folder));
        const QString beside = c.folder + QStringLiteral("/sql.ini");
        {
            QFile f(beside);
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
            f.write(shipped);
        }
        if (c.readOnly)
            QFile::setPermissions(c.folder, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        const cMain main(c.folder);
        EXPECT_EQ(main.IniFile(), c.ownSettings ? beside : userIni) << c.name;
        // The program folder's connections are read until the user has a file of their own.
        EXPECT_EQ(main.LoadSavedConnections().value(1).ConnectionName, QStringLiteral("shipped")) << c.name;
        ASSERT_TRUE(main.SaveConnection({QStringLiteral("h1"), QStringLiteral("u"), QStringLiteral("pw"), QStringLiteral("mine")}))
            << c.name;
        EXPECT_EQ(main.LoadSavedConnections().value(2).ConnectionName, QStringLiteral("mine")) << c.name;
        QFile f(beside);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        const QByteArray left = f.readAll();
        if (c.ownSettings) {
            EXPECT_GT(left.size(), shipped.size()) << c.name;
            EXPECT_FALSE(QFileInfo::exists(userIni)) << c.name;
        } else {
            EXPECT_EQ(left, shipped) << c.name;
            EXPECT_EQ(QFileInfo(userIni).permissions() & 0x7077, QFileDevice::ReadOwner | QFileDevice::WriteOwner) << c.name;
            EXPECT_EQ(ReadIniValue(QStringLiteral("Connection1"), QStringLiteral("ConnName"), userIni), QStringLiteral("shipped"));
        }
        QFile::setPermissions(c.folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    }
    QCoreApplication::setApplicationName(oldName);
    if (oldConfig.isNull())
        qunsetenv("XDG_CONFIG_HOME");
    else
        qputenv("XDG_CONFIG_HOME", oldConfig);
}
