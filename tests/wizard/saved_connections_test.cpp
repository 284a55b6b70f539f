// Saved connections in sql.ini: numbering, the gap rule, and passwords that come back exactly.
#include "wizard/cMain.h"
#include "wizard/modINI.h"

#include <QFile>
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
