// Typed numbers become 16-bit values the way the wizard's number boxes need: halves to the even
// neighbour, and a text that is no number or too large is refused with the user's message.
#include "wizard/NumberText.h"

#include <gtest/gtest.h>

namespace {

// The number the text converts to; a refused text fails the test.
int number(const char* text)
{
    const Int16Result result = toInt16(QString::fromLatin1(text));
    EXPECT_TRUE(result) << text << ": " << result.Failure.toStdString();
    return result.Value;
}

}  // namespace

TEST(NumberText, RoundsHalvesToEven)
{
    EXPECT_EQ(number("12.5"), 12);
    EXPECT_EQ(number("13.5"), 14);
    EXPECT_EQ(number("-2.5"), -2);
    EXPECT_EQ(number(" 12.7 "), 13);
}

TEST(NumberText, AcceptsTheWholeSixteenBitRange)
{
    EXPECT_EQ(number("-32768"), -32768);
    EXPECT_EQ(number("32767"), 32767);
    EXPECT_EQ(number("32767.4"), 32767);
}

TEST(NumberText, RefusesTextAndOverflowWithTheirMessages)
{
    auto failure = [](const char* text) {
        const Int16Result result = toInt16(QString::fromLatin1(text));
        return result ? std::string("converted") : result.Failure.toStdString();
    };
    EXPECT_EQ(failure("abc"), "Type mismatch");
    EXPECT_EQ(failure(""), "Type mismatch");
    EXPECT_EQ(failure("12abc"), "Type mismatch");
    EXPECT_EQ(failure("40000"), "Overflow");
    EXPECT_EQ(failure("32767.5"), "Overflow");
    EXPECT_EQ(failure("-32769"), "Overflow");
}
