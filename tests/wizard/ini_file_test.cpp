// sql.ini is read and written with the Windows profile rules, and a write changes nothing but the
// one key it writes.
#include "QtPrinters.h"
#include "wizard/modINI.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

class IniFile : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString path = dir.filePath(QStringLiteral("sql.ini"));

    void write(const QByteArray& bytes)
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    QByteArray bytes()
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    QString read(const char* section, const char* key)
    {
        return ReadIniValue(QString::fromLatin1(section), QString::fromLatin1(key), path);
    }
};

}  // namespace

TEST_F(IniFile, MissingFileSectionOrKeyReadsEmpty)
{
    EXPECT_EQ(read("Connection1", "SQL"), QString());
    write("[Connection1]\nSQL=host\n");
    EXPECT_EQ(read("Connection2", "SQL"), QString());
    EXPECT_EQ(read("Connection1", "Login"), QString());
}

TEST_F(IniFile, MatchesNamesWithoutCaseAndTrimsAndUnquotesValues)
{
    write("; saved connections\r\n[ connection1 ]\r\nsql =  db.example.org  \r\nLogin=\"  root  \"\r\n"
          "Password='x'\r\nOdd=\"half\r\n");
    EXPECT_EQ(read("CONNECTION1", "SQL"), QStringLiteral("db.example.org"));
    EXPECT_EQ(read("Connection1", "login"), QStringLiteral("  root  "));
    EXPECT_EQ(read("Connection1", "Password"), QStringLiteral("x"));
    EXPECT_EQ(read("Connection1", "Odd"), QStringLiteral("\"half"));
}

TEST_F(IniFile, WindowsAndUnixLineBreaksReadTheSame)
{
    write("[A]\r\nk=v1\r\n[B]\r\nk=v2\r\n");
    const QString crlf = read("B", "k");
    write("[A]\nk=v1\n[B]\nk=v2\n");
    EXPECT_EQ(read("B", "k"), crlf);
    EXPECT_EQ(crlf, QStringLiteral("v2"));
}

TEST_F(IniFile, ReadsAtMost254Characters)
{
    write("[S]\nk=" + QByteArray(300, 'a') + "\n");
    EXPECT_EQ(read("S", "k"), QString(254, QLatin1Char('a')));
}

TEST_F(IniFile, LongValuesEndAfterTheLastWholeCharacterThatFits)
{
    // Characters of two, three and four bytes that end at, or straddle, the 254th byte.
    for (const char* character : {"\xc3\xa9", "\xe2\x82\xac", "\xf0\x9f\x98\x80"}) {
        const QByteArray c(character);
        for (int ascii = 250; ascii <= 254; ++ascii) {
            write("[S]\nk=" + QByteArray(ascii, 'a') + c.repeated(3) + "\n");
            const qsizetype whole = (254 - ascii) / c.size();
            EXPECT_EQ(read("S", "k"), QString::fromUtf8(QByteArray(ascii, 'a') + c.repeated(whole)))
                << c.size() << "-byte character after " << ascii;
        }
    }
}

TEST_F(IniFile, WritingCreatesFileAndSectionWithWindowsLineBreaks)
{
    ASSERT_TRUE(WriteIniValue(QStringLiteral("Connection1"), QStringLiteral("ConnName"),
                              QStringLiteral("Shop"), path));
    ASSERT_TRUE(WriteIniValue(QStringLiteral("Connection1"), QStringLiteral("SQL"),
                              QStringLiteral("localhost"), path));
    EXPECT_EQ(bytes(), QByteArray("[Connection1]\r\nConnName=Shop\r\nSQL=localhost\r\n"));
}

TEST_F(IniFile, ReplacingAKeyKeepsEveryOtherByte)
{
    const QByteArray before = "; comment kept\n[Connection1]\nConnName=Shop\nSQL=old\n\n[Other]\r\nx = 1 \r\n";
    write(before);
    ASSERT_TRUE(WriteIniValue(QStringLiteral("connection1"), QStringLiteral("sql"),
                              QStringLiteral("new"), path));
    QByteArray expected = before;
    expected.replace("SQL=old", "sql=new");
    EXPECT_EQ(bytes(), expected);
}

TEST_F(IniFile, NewKeyGoesToTheEndOfItsSectionAndNewSectionToTheEnd)
{
    write("[A]\nk=1\n\n[B]\nk=2");
    ASSERT_TRUE(WriteIniValue(QStringLiteral("A"), QStringLiteral("j"), QStringLiteral("3"), path));
    ASSERT_TRUE(WriteIniValue(QStringLiteral("C"), QStringLiteral("k"), QStringLiteral("4"), path));
    EXPECT_EQ(bytes(), QByteArray("[A]\nk=1\nj=3\n\n[B]\nk=2\n[C]\nk=4\n"));
}

TEST_F(IniFile, UnwritableFileReportsFailureAndLeavesNothing)
{
    const QString missingFolder = dir.filePath(QStringLiteral("no/such/folder/sql.ini"));
    EXPECT_FALSE(WriteIniValue(QStringLiteral("A"), QStringLiteral("k"), QStringLiteral("v"), missingFolder));
    EXPECT_FALSE(QFile::exists(missingFolder));
}
