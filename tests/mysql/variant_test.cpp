#include "mysql/Variant.h"

#include <gtest/gtest.h>

TEST(Variant, NullEqualsNothingAndTextsCompareExactly)
{
    EXPECT_FALSE(Variant::null() == Variant::null());
    EXPECT_FALSE(Variant::null() == Variant(""));
    EXPECT_FALSE(Variant() == Variant::null());
    EXPECT_TRUE(Variant("abc") == Variant(QStringLiteral("abc")));
    EXPECT_FALSE(Variant("abc") == Variant("ABC"));
    EXPECT_FALSE(Variant("abc") == Variant("abc "));
}

TEST(Variant, NumberNeverEqualsText)
{
    EXPECT_FALSE(Variant(5) == Variant("5"));
    EXPECT_TRUE(Variant(5) == Variant(5.0));
    EXPECT_TRUE(Variant() == Variant());
    EXPECT_TRUE(Variant() == Variant(""));
    EXPECT_TRUE(Variant() == Variant(0));
    EXPECT_FALSE(Variant() == Variant("0"));
}

TEST(Variant, TextOfEachKind)
{
    EXPECT_EQ(Variant(5).toString(), "5");
    EXPECT_EQ(Variant(-2.5).toString(), "-2.5");
    EXPECT_EQ(Variant("x y").toString(), "x y");
    EXPECT_TRUE(Variant().toString().isEmpty());
    EXPECT_TRUE(Variant::null().toString().isEmpty());
    EXPECT_TRUE(Variant().isEmpty());
    EXPECT_FALSE(Variant("").isEmpty());
    EXPECT_TRUE(Variant("").isText());
}

TEST(Variant, NumericTextsAndIndexes)
{
    EXPECT_EQ(toInt32(Variant("2")), 2);
    EXPECT_EQ(toInt32(Variant(" 12 ")), 12);
    EXPECT_EQ(toInt32(Variant("-3")), -3);
    EXPECT_EQ(toInt32(Variant("1e2")), 100);
    EXPECT_EQ(toInt32(Variant("2.5")), 2);  // halves go to even
    EXPECT_EQ(toInt32(Variant("3.5")), 4);
    EXPECT_EQ(toInt32(Variant(7)), 7);
    EXPECT_FALSE(toInt32(Variant("name")));
    EXPECT_FALSE(toInt32(Variant("2x")));
    EXPECT_FALSE(toInt32(Variant("")));
    EXPECT_FALSE(toInt32(Variant()));
    EXPECT_FALSE(toInt32(Variant::null()));
    EXPECT_FALSE(toInt32(Variant("+inf")));
    EXPECT_FALSE(toInt32(Variant("99999999999")));
}
