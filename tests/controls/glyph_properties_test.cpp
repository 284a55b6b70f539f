// Caption rules, property ranges and side effects, design-time messages, and storing buttons
// with their window through the property bag.

#include "controls/GlyphButton.h"
#include "controls/PropertyBag.h"

#include <QBuffer>
#include <QImage>
#include <QWidget>

#include <gtest/gtest.h>

#include <vector>

namespace {

// Records design-time messages instead of showing them.
struct MessageRecorder {
    MessageRecorder()
    {
        old = GlyphButton::setMessageHandler([this](QWidget*, const QString& text) { messages << text; });
    }
    ~MessageRecorder() { GlyphButton::setMessageHandler(old); }
    QStringList messages;
    GlyphButton::MessageHandler old;
};

QPixmap samplePicture()
{
    QImage image(20, 20, QImage::Format_ARGB32);
    image.fill(QColor(200, 40, 40));
    for (int i = 0; i < 20; ++i)
        image.setPixelColor(i, i, QColor(20, 20, 160, 128));
    return QPixmap::fromImage(image);
}

QByteArray iconFile(const char* format)
{
    QImage image(16, 16, QImage::Format_ARGB32);
    image.fill(Qt::darkGreen);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
}

// Rows of the image holding caption-dark pixels, counted as separate bands.
int textBands(const QImage& image)
{
    int bands = 0;
    bool inBand = false;
    for (int y = 0; y < image.height(); ++y) {
        bool dark = false;
        for (int x = 0; x < image.width() && !dark; ++x)
            dark = qGray(image.pixel(x, y)) < 80;
        bands += dark && !inBand;
        inBand = dark;
    }
    return bands;
}

}  // namespace

TEST(GlyphCaption, BarsBreakLinesAmpersandMarksAccessKeyDoubledIsLiteral)
{
    GlyphButton button;
    button.resize(120, 60);
    button.setCaption(QStringLiteral("Save||All"));
    EXPECT_EQ(button.captionLayout().lines, QStringList({"Save", "All"}));
    EXPECT_EQ(textBands(button.faceImage(0)), 2);
    button.setCaption(QStringLiteral("Save All"));
    EXPECT_EQ(textBands(button.faceImage(0)), 1);

    button.setCaption(QStringLiteral("&Next >"));
    EXPECT_EQ(button.captionLayout().lines, QStringList({"Next >"}));
    EXPECT_EQ(button.captionLayout().accessKey(), QChar(u'N'));
    EXPECT_EQ(button.shortcut(), QKeySequence(Qt::ALT | Qt::Key_N));

    button.setCaption(QStringLiteral("Fish && Chips"));
    EXPECT_EQ(button.captionLayout().lines, QStringList({"Fish & Chips"}));
    EXPECT_TRUE(button.captionLayout().accessKey().isNull());
    EXPECT_TRUE(button.shortcut().isEmpty());

    // The last single ampersand wins, also across a line break.
    button.setCaption(QStringLiteral("&Back &&||&Forth"));
    EXPECT_EQ(button.captionLayout().lines, QStringList({"Back &", "Forth"}));
    EXPECT_EQ(button.shortcut(), QKeySequence(Qt::ALT | Qt::Key_F));
}

TEST(GlyphProperties, OutOfRangeValuesAreIgnored)
{
    const struct { const char* name; int valid, high; } ranges[] = {
        {"ButtonStyle", 1, 7}, {"ButtonShape", 1, 6}, {"CaptionAlign", 1, 2}, {"CaptionStyle", 1, 2},
        {"PictureAlign", 1, 5}, {"PictureSize", 1, 4}, {"GradientMode", 1, 4}, {"HoverColorLocks", 1, 3},
        {"MousePointer", 1, 15}, {"FontStyle", 2, 14}};
    for (const auto& r : ranges) {
        GlyphButton button;
        ASSERT_TRUE(button.setProperty(r.name, r.valid)) << r.name;
        for (int bad : {-1, r.high + 1, 1000})
            button.setProperty(r.name, bad);
        EXPECT_EQ(button.property(r.name).toInt(), r.valid) << r.name;
        button.setProperty(r.name, r.high);
        EXPECT_EQ(button.property(r.name).toInt(), r.high) << r.name;
    }
    GlyphButton button;
    button.setMousePointer(GlyphButton::CustomPointer);
    EXPECT_EQ(button.MousePointer(), 99);
    button.setForeColor(0x1000000);  // neither a colour nor a system colour
    button.setForeColor(0x8000FFFF);
    EXPECT_EQ(button.ForeColor(), GlyphButton::ButtonText);
}

TEST(GlyphProperties, PictureSizeStoresPixelsAndReadsBackItsCode)
{
    GlyphButton button;
    button.setPictureSize(2);
    button.setPictureSize(5);
    EXPECT_EQ(button.PictureSize(), 2);
    PropertyBag bag;
    button.WriteProperties(bag);
    EXPECT_EQ(bag.ReadProperty("imgsize").toInt(), 32);
    GlyphButton reloaded;
    reloaded.ReadProperties(bag);
    EXPECT_EQ(reloaded.PictureSize(), 2);
    EXPECT_EQ(reloaded.picturePixels(), 32);
}

TEST(GlyphProperties, CentredPictureAndHexagonForceCentredCaption)
{
    MessageRecorder recorder;
    GlyphButton button;
    button.setCaptionAlign(0);
    button.setPictureAlign(GlyphFace::PictureAboveCaption);
    EXPECT_EQ(button.CaptionAlign(), 2);
    button.setCaptionAlign(0);  // no picture yet: accepted
    EXPECT_EQ(button.CaptionAlign(), 0);
    button.setPicture(samplePicture());
    button.setPictureAlign(GlyphFace::PictureBelowCaption);
    button.setCaptionAlign(1);
    EXPECT_EQ(button.CaptionAlign(), 2);
    EXPECT_TRUE(recorder.messages.isEmpty()) << "no design-time message at run time";

    button.setDesignMode(true);
    button.setCaptionAlign(0);
    EXPECT_EQ(button.CaptionAlign(), 2);
    EXPECT_EQ(recorder.messages, QStringList("When button images are aligned top/bottom center, \n"
                                             "button captions can only be center aligned"));

    GlyphButton hexagon;
    hexagon.setCaptionAlign(1);
    hexagon.setButtonShape(GlyphFace::ShapeHexagon);
    EXPECT_EQ(hexagon.CaptionAlign(), 2);
}

TEST(GlyphProperties, FontStyleBitsAndHoverColourLocks)
{
    GlyphButton button;
    button.setFontStyle(2 | 8);
    EXPECT_TRUE(button.font().bold());
    EXPECT_FALSE(button.font().italic());
    EXPECT_TRUE(button.font().underline());
    EXPECT_EQ(button.FontStyle(), 10);

    // Locked (0): hover colours are the normal ones, the face following the gradient colour.
    button.setForeColor(0xFF0000);
    button.setHoverForeColor(0x00FF00);
    EXPECT_EQ(button.HoverForeColor(), 0xFF0000u);
    button.setGradientColor(0x0000FF);
    button.setGradientMode(1);
    EXPECT_EQ(button.HoverBackColor(), 0x0000FFu);
    // Unlocked (3): hover colours are free; locking the text again copies ForeColor.
    button.setHoverColorLocks(3);
    button.setHoverForeColor(0x00FF00);
    button.setHoverBackColor(0x123456);
    EXPECT_EQ(button.HoverForeColor(), 0x00FF00u);
    button.setHoverColorLocks(1);
    EXPECT_EQ(button.HoverForeColor(), 0xFF0000u);
    EXPECT_EQ(button.HoverBackColor(), 0x123456u);
}

TEST(GlyphProperties, DesignTimeOnlyRules)
{
    MessageRecorder recorder;
    GlyphButton button;
    button.setBackColor(0x102030);
    button.setResetDefaultColors(true);  // run time: nothing
    EXPECT_EQ(button.BackColor(), 0x102030u);
    button.setDefault(true);
    button.setShowFocusRect(false);
    EXPECT_TRUE(recorder.messages.isEmpty());

    button.setDesignMode(true);
    button.setForeColor(0x405060);
    button.setResetDefaultColors(true);
    EXPECT_FALSE(button.ResetDefaultColors());
    EXPECT_EQ(std::vector<GlyphColor>({button.BackColor(), button.GradientColor(), button.ForeColor(), button.HoverForeColor()}),
              std::vector<GlyphColor>({GlyphButton::ButtonFace, GlyphButton::ButtonFace, GlyphButton::ButtonText, GlyphButton::ButtonText}));
    button.setShowFocusRect(true);
    EXPECT_EQ(recorder.messages, QStringList("The focus rectangle may appear on default buttons ONLY while in design mode, \n"
                                             "but will not appear when the form is running."));
}

TEST(GlyphProperties, MouseIconTakesOnlyIconsAndCursors)
{
    MessageRecorder recorder;
    GlyphButton button;
    EXPECT_FALSE(button.setMouseIcon(iconFile("PNG")));
    EXPECT_EQ(recorder.messages, QStringList("Select .ico Or .cur Files Only"));
    EXPECT_EQ(button.MousePointer(), 0);
    EXPECT_TRUE(button.MouseIcon().isEmpty());

    QByteArray cursor = iconFile("ICO");
    cursor[2] = 2;  // the same file as a cursor, hot spot (3, 4)
    cursor[10] = 3;
    cursor[12] = 4;
    ASSERT_TRUE(button.setMouseIcon(cursor));
    EXPECT_EQ(button.MousePointer(), GlyphButton::CustomPointer);
    EXPECT_EQ(button.cursor().shape(), Qt::BitmapCursor);
    EXPECT_EQ(button.cursor().hotSpot(), QPoint(3, 4));
}

TEST(GlyphStorage, PropertyBagMatchesKeysWithoutCaseAndSkipsDefaults)
{
    PropertyBag bag;
    bag.WriteProperty("Caption", QStringLiteral("Say \"hi\"\\\n"), QString());
    bag.WriteProperty("BackStyle", 3, 0);
    bag.WriteProperty("Enabled", true, true);
    bag.WriteProperty("cBack", 0x8000000Fu);
    bag.WriteProperty("IMAGE", QByteArray("\x01\x02", 2), QByteArray());
    bag.WriteProperty("backstyle", 4, 0);
    EXPECT_EQ(bag.toText(), "Caption = \"Say \\\"hi\\\"\\\\\\n\"\nBackStyle = 4\ncBack = 2147483663\nIMAGE = bytes:AQI=\n");
    bag.WriteProperty("BACKSTYLE", 0, 0);
    EXPECT_FALSE(bag.contains("BackStyle"));

    auto read = PropertyBag::fromText(bag.toText());
    ASSERT_TRUE(read);
    EXPECT_EQ(*read, bag);
    EXPECT_EQ(read->ReadProperty("caption").toString(), "Say \"hi\"\\\n");
    EXPECT_EQ(read->ReadProperty("CBACK").toUInt(), 0x8000000Fu);
    EXPECT_EQ(read->ReadProperty("Image").toByteArray(), QByteArray("\x01\x02", 2));
    EXPECT_EQ(read->ReadProperty("Missing", 7).toInt(), 7);
    QString error;
    EXPECT_FALSE(PropertyBag::fromText("Caption = \"open", &error));
    EXPECT_EQ(error, "line 1: Caption = \"open");
}

TEST(GlyphStorage, NewButtonTakesItsNameAndStoresOnlyItsBackColour)
{
    QWidget window;
    auto* button = new GlyphButton(&window);
    button->InitProperties();
    button->setObjectName("cmdGo");
    EXPECT_EQ(button->Caption(), "cmdGo");
    EXPECT_EQ(button->CaptionAlign(), 2);
    EXPECT_EQ(GlyphButton::storeButtons(window), "[cmdGo]\nCaption = \"cmdGo\"\ncBack = 2147483663\n\n");
    button->setCaption("&Go");
    button->setObjectName("cmdStart");
    EXPECT_EQ(button->Caption(), "&Go");
}

TEST(GlyphStorage, WindowButtonsComeBackExactly)
{
    auto build = [](QWidget& window) {
        window.setFont(QFont("Sans", 11));
        for (const char* name : {"cmdHelp", "cmdNext", "cmdCancel"})
            (new GlyphButton(&window))->setObjectName(name);
    };
    QWidget window;
    build(window);
    auto* help = window.findChild<GlyphButton*>("cmdHelp");
    help->setCaption("&Help");
    help->setCaptionAlign(0);
    auto* next = window.findChild<GlyphButton*>("cmdNext");
    next->setCaption("Next||step");
    next->setButtonStyle(7);
    next->setButtonShape(5);
    next->setCaptionStyle(1);
    next->setPicture(samplePicture());
    next->setPictureAlign(3);
    next->setPictureSize(4);
    next->setFontStyle(4);
    next->setGradientMode(3);
    next->setGradientColor(0x336699);
    next->setHoverColorLocks(3);
    next->setHoverForeColor(0xAA0000);
    next->setShowFocusRect(false);
    next->setMouseIcon(iconFile("ICO"));
    next->setEnabled(false);
    window.findChild<GlyphButton*>("cmdCancel")->setBackColor(0xFFEEDD);

    const QString stored = GlyphButton::storeButtons(window);
    QWidget again;
    build(again);
    ASSERT_TRUE(GlyphButton::loadButtons(again, stored));
    EXPECT_EQ(GlyphButton::storeButtons(again), stored);

    EXPECT_EQ(again.findChild<GlyphButton*>("cmdHelp")->CaptionAlign(), 0);
    auto* reloaded = again.findChild<GlyphButton*>("cmdNext");
    EXPECT_EQ(reloaded->Picture().toImage().convertToFormat(QImage::Format_ARGB32),
              next->Picture().toImage().convertToFormat(QImage::Format_ARGB32));
    EXPECT_TRUE(reloaded->font().italic());
    EXPECT_EQ(reloaded->font().pointSize(), 11);
    EXPECT_FALSE(reloaded->isEnabled());
    EXPECT_EQ(reloaded->MousePointer(), GlyphButton::CustomPointer);
    EXPECT_EQ(reloaded->HoverForeColor(), 0xAA0000u);

    QString error;
    EXPECT_FALSE(GlyphButton::loadButtons(again, "[cmdMissing]\nBackStyle = 1\n", &error));
    EXPECT_EQ(error, "no button named cmdMissing");
}
