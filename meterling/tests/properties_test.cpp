#include "bar_picture.h"
#include "meterling.h"
#include "meterling_property_bag.h"

#include <QFile>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

void expectSameProperties(const Meterling& actual, const Meterling& expected)
{
    EXPECT_EQ(actual.BackColor(), expected.BackColor());
    EXPECT_EQ(actual.Color(), expected.Color());
    EXPECT_EQ(actual.Value(), expected.Value());
    EXPECT_EQ(actual.Min(), expected.Min());
    EXPECT_EQ(actual.Max(), expected.Max());
}

// Every property away from its default; Value lies beyond the default Max, so it only
// survives a reload if the range is restored before it.
void setNonDefaults(Meterling& meter)
{
    meter.setBackColor(QColor(0x10, 0x20, 0x30));
    meter.setColor(Qt::red);
    meter.setMin(-7);
    meter.setMax(333.3f);
    meter.setValue(250.125);
}

TEST(MeterlingProperties, ColourValuesKeepRedInTheLowByte)
{
    EXPECT_EQ(Meterling::toColorValue(QColor(0x12, 0x34, 0x56)), 0x563412u);
    EXPECT_EQ(Meterling::fromColorValue(Meterling::DefaultColor), QColor(Qt::blue));
    EXPECT_EQ(Meterling::fromColorValue(0xAB563412), QColor(0x12, 0x34, 0x56));
}

TEST(MeterlingProperties, DefaultsAreNotStored)
{
    Meterling meter;
    MeterlingPropertyBag bag;
    meter.writeProperties(bag);
    EXPECT_TRUE(bag.isEmpty()) << bag.names().join(u',').toStdString();

    // A property set back to its default leaves a bag that held it.
    meter.setMax(50);
    meter.writeProperties(bag);
    EXPECT_TRUE(bag.contains(QStringLiteral("Max")));
    meter.setMax(100);
    meter.writeProperties(bag);
    EXPECT_FALSE(bag.contains(QStringLiteral("Max")));
}

TEST(MeterlingProperties, ChangedPropertiesAreStoredInOrderWithTheirTypes)
{
    Meterling meter;
    setNonDefaults(meter);
    MeterlingPropertyBag bag;
    meter.writeProperties(bag);

    EXPECT_EQ(bag.names(), QStringList({"BackColor", "Color", "Value", "Min", "Max"}));
    const QVariant backColor = bag.ReadProperty(QStringLiteral("BackColor"));
    EXPECT_EQ(backColor.typeId(), QMetaType::Int);
    EXPECT_EQ(backColor.toInt(), 0x302010);
    EXPECT_EQ(bag.ReadProperty(QStringLiteral("Color")).toInt(), 0x0000FF);
    EXPECT_EQ(bag.ReadProperty(QStringLiteral("Value")).typeId(), QMetaType::Double);
    EXPECT_EQ(bag.ReadProperty(QStringLiteral("Min")).toInt(), -7);
    const QVariant max = bag.ReadProperty(QStringLiteral("Max"));
    EXPECT_EQ(max.typeId(), QMetaType::Float);
    EXPECT_EQ(max.toFloat(), 333.3f);
}

TEST(MeterlingProperties, StoredAndReloadedThroughASettingsFile)
{
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QString file = folder.filePath(QStringLiteral("window.ini"));

    Meterling original;
    setNonDefaults(original);
    {
        MeterlingPropertyBag bag;
        original.writeProperties(bag);
        QSettings settings(file, QSettings::IniFormat);
        bag.save(settings, QStringLiteral("meter1"));
        // A second control left at its defaults stores nothing.
        Meterling plain;
        MeterlingPropertyBag plainBag;
        plain.writeProperties(plainBag);
        plainBag.save(settings, QStringLiteral("meter2"));
    }

    QFile text(file);
    ASSERT_TRUE(text.open(QIODevice::ReadOnly));
    const QByteArray contents = text.readAll();
    EXPECT_TRUE(contents.contains("Max=333.3")) << contents.toStdString();
    EXPECT_FALSE(contents.contains("meter2")) << contents.toStdString();

    QSettings settings(file, QSettings::IniFormat);
    Meterling reloaded;
    reloaded.readProperties(MeterlingPropertyBag::load(settings, QStringLiteral("meter1")));
    expectSameProperties(reloaded, original);

    Meterling reloadedPlain;
    reloadedPlain.setMax(5);
    reloadedPlain.readProperties(MeterlingPropertyBag::load(settings, QStringLiteral("meter2")));
    expectSameProperties(reloadedPlain, Meterling());

    // Saved again with every property back at its default, the group is left empty.
    MeterlingPropertyBag emptied;
    reloadedPlain.writeProperties(emptied);
    emptied.save(settings, QStringLiteral("meter1"));
    EXPECT_TRUE(MeterlingPropertyBag::load(settings, QStringLiteral("meter1")).isEmpty());
}

TEST(MeterlingProperties, LoadingBoundsValueByTheRestoredRangeAndDraws)
{
    Meterling meter;
    meter.resize(200, 40);
    meter.show();
    MeterlingPropertyBag bag;
    bag.WriteProperty(QStringLiteral("Value"), 80.0);
    bag.WriteProperty(QStringLiteral("Min"), 10);
    bag.WriteProperty(QStringLiteral("Max"), 50.0f);
    meter.readProperties(bag);

    EXPECT_EQ(meter.Value(), 50.0);
    EXPECT_EQ(meter.BackColor(), QColor(Qt::white));
    EXPECT_EQ(meter.Color(), QColor(Qt::blue));
    const BarPicture picture = readBar(meter);
    EXPECT_EQ(picture.barWidth, 200);
    EXPECT_TRUE(showsText(picture, meter, QStringLiteral("100%"))) << inkArt(picture.ink).toStdString();
}

TEST(MeterlingProperties, UnreadableStoredValuesFallBackToDefaults)
{
    Meterling meter;
    MeterlingPropertyBag bag;
    bag.WriteProperty(QStringLiteral("Max"), QStringLiteral("lots"));
    bag.WriteProperty(QStringLiteral("Color"), QStringLiteral("green"));
    bag.WriteProperty(QStringLiteral("Value"), QStringLiteral("12.5"));
    bag.WriteProperty(QStringLiteral("Min"), -(1LL << 40));
    meter.readProperties(bag);
    EXPECT_EQ(meter.Max(), 100.0f);
    EXPECT_EQ(meter.Color(), QColor(Qt::blue));
    EXPECT_EQ(meter.Value(), 12.5);
    EXPECT_EQ(meter.Min(), -32768);
}

TEST(MeterlingProperties, EveryChangeIsReportedToTheHost)
{
    Meterling meter;
    QSignalSpy changes(&meter, &Meterling::propertyChanged);
    meter.setBackColor(Qt::gray);
    meter.setColor(Qt::green);
    meter.setValue(3);
    meter.setMin(1);
    meter.setMax(9);
    meter.ResetMeterling();
    meter.resize(300, 30);
    meter.show();

    QStringList names;
    for (const QList<QVariant>& change : changes)
        names.append(change.at(0).toString());
    EXPECT_EQ(names, QStringList({"BackColor", "Color", "Value", "Min", "Max", "Value", "Value"}));
}

} // namespace
