// Password scrambling: the fixed key pairing and the exact round trip for every byte.
#include "wizard/File_enc.h"

#include <gtest/gtest.h>

TEST(Scramble, PairsTheFirstByteWithTheSecondKeyLetter)
{
    // Key "ab" upper-cased is "AB" (65, 66): byte 1 pairs with key position 2, byte 2 with 1.
    const QByteArray out = ScrambleBytes(QByteArray("\x01\x02\x03", 3), QStringLiteral("ab"));
    EXPECT_EQ(out, QByteArray("\x43\x43\x45", 3));
    // With the ten-letter sql.ini key the tenth byte pairs with the first letter, the eleventh
    // with the second again.
    const QByteArray zeros(11, '\0');
    const QByteArray k = ScrambleBytes(zeros, QStringLiteral("tgrfedswqa"));
    EXPECT_EQ(k, QByteArray("GRFEDSWQATG"));
}

TEST(Scramble, WrapsAroundModulo256)
{
    EXPECT_EQ(ScrambleBytes(QByteArray("\xF0", 1), QStringLiteral("zz")), QByteArray("\x4A", 1));
    EXPECT_EQ(UnscrambleBytes(QByteArray("\x4A", 1), QStringLiteral("zz")), QByteArray("\xF0", 1));
}

TEST(Scramble, EmptyKeyLeavesTheTextAlone)
{
    EXPECT_EQ(ScrambleText(QStringLiteral("secret"), QString()), QStringLiteral("secret"));
    EXPECT_EQ(UnscrambleText(QStringLiteral("secret"), QString()), QStringLiteral("secret"));
}

TEST(Scramble, RoundTripsEveryByteValue)
{
    QByteArray all;
    for (int b = 0; b < 256; ++b)
        all.append(char(b));
    for (const QString& key : {QStringLiteral("tgrfedswqa"), QStringLiteral("k"), QStringLiteral("Mixed Key 9")}) {
        const QByteArray scrambled = ScrambleBytes(all, key);
        EXPECT_NE(scrambled, all);
        EXPECT_EQ(UnscrambleBytes(scrambled, key), all);
    }
}

TEST(Scramble, TextRoundTripsThroughTheLocaleEncoding)
{
    const QString text = QStringLiteral("pässwörd 密码");
    EXPECT_EQ(UnscrambleText(ScrambleText(text, QStringLiteral("tgrfedswqa")), QStringLiteral("tgrfedswqa")), text);
}
