#include "bar_picture.h"
#include "meterling.h"
#include "meterling_surface.h"

#include <QImage>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

// A shown control 200 pixels wide, so one unit of the default Max of 100 is two pixels.
class MeterlingDrawing : public ::testing::Test
{
protected:
    void SetUp() override
    {
        meter.resize(200, 40);
        meter.show();
    }

    // Checks the whole picture: a bar of `barWidth` pixels, `text` centred, nothing else.
    void expectShows(int barWidth, const QString& text)
    {
        const BarPicture picture = readBar(meter);
        EXPECT_EQ(picture.barWidth, barWidth);
        EXPECT_EQ(picture.strayPixels, 0);
        EXPECT_TRUE(showsText(picture, meter, text))
            << "expected " << text.toStdString() << ", the control shows:\n" << inkArt(picture.ink).toStdString();
    }

    Meterling meter;
};

TEST_F(MeterlingDrawing, NewControlFillsItsSurfaceAndShowsZeroPercent)
{
    EXPECT_EQ(meter.PBox()->geometry(), meter.rect());
    EXPECT_TRUE(meter.PBox()->autoRedraw());
    EXPECT_EQ(meter.Value(), 0.0);
    expectShows(0, QStringLiteral("0%"));
}

TEST_F(MeterlingDrawing, ValueAboveMaxStoresMaxAndShowsFullBarWithTextInverted)
{
    meter.setValue(150);
    EXPECT_EQ(meter.Value(), 100.0);
    expectShows(200, QStringLiteral("100%"));
    const BarPicture picture = readBar(meter);
    EXPECT_GT(picture.inkPixels, 0);
    EXPECT_EQ(picture.inkUnderBar, picture.inkPixels);
    // Default colours: the bar is blue and the text on it white.
    EXPECT_EQ(picture.image.pixel(0, 0) & 0xFFFFFF, 0x0000FFu);
}

TEST_F(MeterlingDrawing, ValueBelowMinStoresMinAndShowsZeroPercent)
{
    meter.setValue(60);
    meter.setValue(-5);
    EXPECT_EQ(meter.Value(), 0.0);
    expectShows(0, QStringLiteral("0%"));

    meter.setValue(std::numeric_limits<double>::quiet_NaN());
    EXPECT_EQ(meter.Value(), 0.0);
}

TEST_F(MeterlingDrawing, PartialBarInvertsOnlyTheCoveredText)
{
    meter.setValue(50);
    expectShows(100, QStringLiteral("50%"));
    const BarPicture picture = readBar(meter);
    EXPECT_GT(picture.inkUnderBar, 0);
    EXPECT_LT(picture.inkUnderBar, picture.inkPixels);
}

TEST_F(MeterlingDrawing, PercentageBelowOneHalfShowsZeroPercent)
{
    meter.setMax(1000);
    meter.setValue(4);
    EXPECT_EQ(meter.Value(), 4.0);
    expectShows(1, QStringLiteral("0%"));
    meter.setValue(6);
    expectShows(1, QStringLiteral("1%"));
}

// The zero test rounds halves to even; the printed number rounds them up.
TEST_F(MeterlingDrawing, PercentageHalvesRoundToEvenForZeroButUpWhenPrinted)
{
    meter.setMax(200);
    meter.setValue(1); // 0.5 %
    expectShows(1, QStringLiteral("0%"));
    meter.setValue(5); // 2.5 %
    expectShows(5, QStringLiteral("3%"));
}

TEST_F(MeterlingDrawing, ValueIsRoundedHalvesToEvenBeforeDrawing)
{
    meter.setValue(2.5);
    EXPECT_EQ(meter.Value(), 2.5);
    expectShows(4, QStringLiteral("2%"));
    meter.setValue(3.5);
    expectShows(8, QStringLiteral("4%"));
}

TEST_F(MeterlingDrawing, BarIsMeasuredFromZeroNotFromMin)
{
    meter.setMin(20);
    meter.setValue(10);
    EXPECT_EQ(meter.Value(), 20.0);
    expectShows(40, QStringLiteral("20%"));
}

TEST_F(MeterlingDrawing, ChangingMinOrMaxNeitherRedrawsNorBoundsValue)
{
    meter.setValue(50);
    const QImage before = readBar(meter).image;

    meter.setMax(40);
    meter.setMin(60);
    EXPECT_EQ(meter.Value(), 50.0);
    EXPECT_EQ(readBar(meter).image, before);

    // The next Value is bounded by both, Max last, even though Min now lies above Max.
    meter.setValue(50);
    EXPECT_EQ(meter.Value(), 40.0);
    expectShows(200, QStringLiteral("100%"));
}

TEST_F(MeterlingDrawing, ResetMeterlingOnFullBarLeavesZeroPercentOnly)
{
    meter.setValue(100);
    meter.ResetMeterling();
    EXPECT_EQ(meter.Value(), 0.0);
    expectShows(0, QStringLiteral("0%"));

    // Value is still bounded by Min, but the bar is drawn empty all the same.
    meter.setMin(20);
    meter.setValue(100);
    meter.ResetMeterling();
    EXPECT_EQ(meter.Value(), 20.0);
    expectShows(0, QStringLiteral("0%"));
}

TEST_F(MeterlingDrawing, MaxOfZeroOrBelowDrawsTheEmptyBackground)
{
    meter.setValue(50);
    meter.setMax(0);
    meter.setValue(5);
    EXPECT_EQ(meter.Value(), 0.0);
    BarPicture picture = readBar(meter);
    EXPECT_EQ(picture.barWidth, 0);
    EXPECT_EQ(picture.inkPixels, 0);
    EXPECT_EQ(picture.strayPixels, 0);

    meter.setMax(-10);
    meter.setValue(5);
    EXPECT_EQ(meter.Value(), -10.0);
    picture = readBar(meter);
    EXPECT_EQ(picture.inkPixels + picture.barWidth + picture.strayPixels, 0);

    meter.setMax(std::numeric_limits<float>::quiet_NaN());
    meter.setValue(5);
    EXPECT_EQ(meter.Value(), 5.0);
    picture = readBar(meter);
    EXPECT_EQ(picture.inkPixels + picture.barWidth + picture.strayPixels, 0);
}

TEST_F(MeterlingDrawing, MaxBeyondSixteenBitsDrawsItsWholeRange)
{
    meter.setMax(100000);
    meter.setValue(50000);
    expectShows(100, QStringLiteral("50%"));
    meter.setValue(100000);
    expectShows(200, QStringLiteral("100%"));
}

TEST_F(MeterlingDrawing, MaxIsComparedInSinglePrecision)
{
    // 100.000001 is 100 as a float, so it is not above Max and is kept as given.
    meter.setValue(100.000001);
    EXPECT_EQ(meter.Value(), 100.000001);
    meter.setValue(100.001);
    EXPECT_EQ(meter.Value(), 100.0);
}

TEST_F(MeterlingDrawing, MinIsSixteenBits)
{
    meter.setMin(40000);
    EXPECT_EQ(meter.Min(), 32767);
    meter.setMin(-40000);
    EXPECT_EQ(meter.Min(), -32768);
    meter.setValue(-40000);
    EXPECT_EQ(meter.Value(), -32768.0);
}

TEST_F(MeterlingDrawing, ResizingFitsTheSurfaceAndEmptiesTheBar)
{
    meter.setValue(60);
    meter.resize(300, 50);
    EXPECT_EQ(meter.PBox()->geometry(), QRect(0, 0, 300, 50));
    EXPECT_EQ(meter.Value(), 0.0);
    expectShows(0, QStringLiteral("0%"));
    meter.setValue(60);
    expectShows(180, QStringLiteral("60%"));
}

TEST_F(MeterlingDrawing, BarOnDarkBackgroundIsTheNotXorOfBothColours)
{
    meter.setValue(50);
    meter.setBackColor(Qt::black);
    // A new background erases what was drawn until the next Value.
    BarPicture picture = readBar(meter);
    EXPECT_EQ(picture.image.pixel(10, 20) & 0xFFFFFF, 0u);
    EXPECT_EQ(picture.inkPixels + picture.barWidth + picture.strayPixels, 0);

    meter.setValue(50);
    expectShows(100, QStringLiteral("50%"));
    picture = readBar(meter);
    // NOT(blue XOR black) is yellow; blue text beside the bar, white text on it.
    EXPECT_EQ(picture.image.pixel(10, 0) & 0xFFFFFF, 0xFFFF00u);
    EXPECT_GT(picture.inkUnderBar, 0);
    EXPECT_LT(picture.inkUnderBar, picture.inkPixels);
}

} // namespace
