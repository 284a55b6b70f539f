// PHP string literals and file names taken from paths.
#include "GeneratorFixture.h"

#include <gtest/gtest.h>

using namespace gentest;

TEST(MakeString, QuotesTextAndEscapesOnlyBackslashQuoteAndDollar)
{
    EXPECT_EQ(phpCreator::MakeString(QString()), QStringLiteral("\"\""));
    EXPECT_EQ(phpCreator::MakeString(QStringLiteral("0    0   @.'{}    1")),
              QStringLiteral("\"0    0   @.'{}    1\""));
    EXPECT_EQ(phpCreator::MakeString(QStringLiteral("a\"b$x\\")), QStringLiteral("\"a\\\"b\\$x\\\\\""));
}

TEST(FileNameOf, TakesTheTextAfterTheLastSeparator)
{
    EXPECT_EQ(phpCreator::FileNameOf(QStringLiteral("/styles/site.css")), QStringLiteral("site.css"));
    EXPECT_EQ(phpCreator::FileNameOf(QStringLiteral("/a/b.c/default.css")), QStringLiteral("default.css"));
    EXPECT_EQ(phpCreator::FileNameOf(QStringLiteral("/styles/")), QString());
    EXPECT_EQ(phpCreator::FileNameOf(QStringLiteral("site.css")), QString());
    EXPECT_EQ(phpCreator::FileNameOf(QString()), QString());
}
