#include "QtPrinters.h"
#include "mysql/MYSQL_UPDATE.h"
#include "mysql/SqlQuoting.h"
#include "mysql/Variant.h"

#include <gtest/gtest.h>

namespace {

constexpr int varString = 253;
constexpr int longType = 3;

QStringList names(const MYSQL_UPDATE_FIELDS& fields)
{
    QStringList list;
    for (int i = 1; i <= fields.Count(); ++i)
        list << fields.Item(i)->Name();
    return list;
}

}  // namespace

TEST(EditValues, TextsAreEscapedInOrderAndQuoted)
{
    EXPECT_EQ(quoteValue("O'Brien", varString), "'O\\'Brien'");
    EXPECT_EQ(quoteValue(5, longType), "'5'");
    EXPECT_EQ(quoteValue(Variant::null(), longType), "NULL");
    EXPECT_EQ(quoteValue(Variant(), varString), "''");
    // The backslash is doubled before the quote gains its own.
    EXPECT_EQ(quoteValue("a\\'b", varString), "'a\\\\\\'b'");
    const QString controls = QStringLiteral("0") + QChar(0) + QChar(8) + QChar(9) + QChar(10)
        + QChar(13) + QStringLiteral("\"z");
    EXPECT_EQ(quoteValue(controls, varString), "'0\\0\\b\\t\\n\\r\\\"z'");
}

TEST(EditValues, WithoutBackslashEscapesOnlyQuotesAreDoubled)
{
    EXPECT_EQ(quoteValue("x\\' OR 1=1 -- ", varString, true), "'x\\'' OR 1=1 -- '");
}

TEST(EditValues, LikePatternsMatchOnlyTheTextInBothModes)
{
    EXPECT_EQ(escapeLikePattern(u"it's a_b%\\", false), "it\\'s a\\\\_b\\\\%\\\\\\\\");
    EXPECT_EQ(escapeLikePattern(u"it's a_b%\\", true), "it''s a\\_b\\%\\\\");
}

TEST(EditValues, DateAndTimeForms)
{
    EXPECT_EQ(quoteValue("2004-02-29", DateColumnType), "'2004-02-29'");
    EXPECT_EQ(quoteValue(" 2004-2-3 ", DateColumnType), "'2004-02-03'");
    EXPECT_EQ(quoteValue("2004-02-29 13:05:09", DateColumnType), "'2004-02-29'");
    EXPECT_EQ(quoteValue(QDate(812, 7, 1), DateColumnType), "'0812-07-01'");

    EXPECT_EQ(quoteValue("7:05", TimeColumnType), "'07:05:00'");
    EXPECT_EQ(quoteValue("2004-02-29T08:00:01", TimeColumnType), "'08:00:01'");
    EXPECT_EQ(quoteValue(QTime(9, 8, 7), TimeColumnType), "'09:08:07'");

    EXPECT_EQ(quoteValue("2004-02-29 13:05:09", DateTimeColumnType), "'2004-02-29 13:05:09'");
    EXPECT_EQ(quoteValue("2004-02-29", DateTimeColumnType), "'2004-02-29 00:00:00'");
    EXPECT_EQ(quoteValue(QDateTime(QDate(2020, 1, 2), QTime(3, 4, 5)), DateTimeColumnType),
              "'2020-01-02 03:04:05'");
    // Fractions of a second are kept, so a key with them still finds its row.
    EXPECT_EQ(quoteValue("2020-01-01 10:00:00.25", DateTimeColumnType), "'2020-01-01 10:00:00.25'");
    EXPECT_EQ(quoteValue(QTime(1, 2, 3, 400), TimeColumnType), "'01:02:03.400'");
}

TEST(EditValues, WhatIsNoDateBecomesTheZeroForm)
{
    for (const Variant& notADate :
         {Variant("2004-02-30"), Variant("29.02.2004"), Variant("02/29/2004"), Variant("20040229"),
          Variant("24:00:00"), Variant("12:60"), Variant("2004-02-29 13:05:09x"),
          Variant("2004-02-2913:05"), Variant(""), Variant(20040229), Variant(QDate()),
          Variant("'; DROP TABLE t; --")}) {
        EXPECT_EQ(quoteValue(notADate, DateColumnType), "'0000-00-00'")
            << notADate.toString().toStdString();
        EXPECT_EQ(quoteValue(notADate, DateTimeColumnType), "'0000-00-00 00:00:00'");
        EXPECT_EQ(quoteValue(notADate, TimeColumnType), "'00:00:00'");
    }
    // A time alone is no date, and a date alone is the start of its day.
    EXPECT_EQ(quoteValue("10:30:00", DateColumnType), "'0000-00-00'");
    EXPECT_EQ(quoteValue(QTime(10, 30), DateTimeColumnType), "'0000-00-00 00:00:00'");
    EXPECT_EQ(quoteValue("2004-02-29", TimeColumnType), "'00:00:00'");
    EXPECT_EQ(quoteValue(Variant::null(), DateColumnType), "NULL");
}

TEST(EditValues, DateVariants)
{
    EXPECT_EQ(Variant(QDate(2004, 2, 29)).toString(), "2004-02-29");
    EXPECT_EQ(Variant(QTime(1, 2, 3)).toString(), "01:02:03");
    EXPECT_EQ(Variant(QDateTime(QDate(2004, 2, 29), QTime(1, 2, 3))).toString(),
              "2004-02-29 01:02:03");
    EXPECT_TRUE(Variant(QDate(2004, 2, 29)) == Variant(QDate(2004, 2, 29)));
    EXPECT_FALSE(Variant(QDate(2004, 2, 29)) == Variant("2004-02-29"));
    EXPECT_FALSE(Variant() == Variant(QDate(2004, 2, 29)));
    // A date as a plain text column value is its text.
    EXPECT_EQ(quoteValue(QDate(2004, 2, 29), varString), "'2004-02-29'");
}

TEST(EditValues, PendingValuesKeepTheOrderOfTheirLatestChange)
{
    MYSQL_UPDATE_FIELDS fields;
    fields.Add("b", "1");
    fields.Add("a", "2");
    fields.Item("b")->setUpdated(true);
    const auto again = fields.Add("B", "3");
    EXPECT_EQ(names(fields), QStringList({"a", "B"}));
    EXPECT_FALSE(again->Updated());
    EXPECT_EQ(fields.Item(2), again);
    EXPECT_FALSE(fields.Item(3));
    // A text is a name even when it reads as a number.
    EXPECT_FALSE(fields.Item("1"));
    fields.Add("1", "x");
    EXPECT_EQ(fields.Item("1")->Value(), Variant("x"));
}

TEST(EditValues, RowsByKeyAndByPosition)
{
    MYSQL_UPDATE rows;
    const auto five = rows.Add(5);
    const auto added = rows.Add();
    EXPECT_EQ(rows.Add(5), five);  // a row keeps its one entry
    EXPECT_NE(rows.Add(), added);  // every added row has its own
    EXPECT_EQ(rows.Item(5, true), five);
    EXPECT_EQ(rows.Item(2), added);
    EXPECT_FALSE(rows.Item(2, true));
    EXPECT_FALSE(rows.Remove(7, true));
    EXPECT_TRUE(rows.Remove(5, true));
    EXPECT_FALSE(rows.Item(5, true));
    EXPECT_EQ(rows.Item(1), added);
    EXPECT_EQ(rows.Count(), 2);
}
