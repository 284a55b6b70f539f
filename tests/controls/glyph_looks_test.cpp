// The drawn faces: every style and outline in every state on one contact sheet a person can look
// at, gradients, outline clipping, and the window showing the face of the button's current state.

#include "DarkPalette.h"
#include "controls/GlyphButton.h"

#include <QApplication>
#include <QPainter>
#include <QTest>

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <iostream>
#include <optional>

namespace {

constexpr int kStates[] = {0, GlyphFace::Hovered, GlyphFace::Hovered | GlyphFace::Pressed, GlyphFace::Focused, 0};
const char* const kStateNames[] = {"normal", "hovered", "pressed", "focused", "disabled"};

QImage rgb(const QImage& image)
{
    return image.convertToFormat(QImage::Format_RGB32);
}

QPixmap samplePicture()
{
    QPixmap pm(48, 48);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(QColor(230, 160, 20));
    p.setPen(QPen(QColor(120, 60, 0), 3));
    p.drawEllipse(QRectF(3, 3, 42, 42));
    p.setBrush(QColor(30, 90, 200));
    p.drawRect(QRectF(16, 16, 16, 16));
    return pm;
}

}  // namespace

TEST(GlyphLooks, ContactSheetOfEveryStyleOutlineAndState)
{
    constexpr int w = 108, h = 34, label = 118, cell = w + 8, row = h + 8, columns = 6;
    const int styleRows = 8 * 7, extraHeight = 3 * row + 2 * (64 + 8);
    QImage sheet(label + columns * cell, 24 + styleRows * row + 24 + extraHeight, QImage::Format_RGB32);
    QWidget window;
    sheet.fill(window.palette().color(QPalette::Window));
    QPainter p(&sheet);
    p.setPen(Qt::black);
    auto put = [&](int col, int y, const QImage& image) { p.drawImage(label + col * cell, y, image); };
    for (int col = 0; col < 5; ++col)
        p.drawText(label + col * cell, 4, cell, 18, Qt::AlignCenter, kStateNames[col]);

    auto* button = new GlyphButton(&window);
    button->resize(w, h);
    int y = 24;
    for (int style = 0; style < 8; ++style) {
        for (int shape = 0; shape < 7; ++shape, y += row) {
            button->setButtonStyle(style);
            button->setButtonShape(shape);
            button->setCaption(QStringLiteral("&Style %1").arg(style));
            p.drawText(4, y, label, h, Qt::AlignVCenter, QStringLiteral("style %1 outline %2").arg(style).arg(shape));
            QImage faces[5];
            for (int col = 0; col < 5; ++col) {
                button->setEnabled(col != 4);
                faces[col] = button->faceImage(kStates[col]);
                put(col, y, faces[col]);
            }
            button->setEnabled(true);
            for (int a = 0; a < 5; ++a)
                for (int b = a + 1; b < 5; ++b)
                    EXPECT_NE(faces[a], faces[b]) << "style " << style << " outline " << shape << ": "
                                                  << kStateNames[a] << " looks like " << kStateNames[b];
        }
    }

    // Gradients, caption styles, pictures at each alignment and size, and design-time looks: one row
    // each, a cell per value.
    y += 24;
    button->setButtonStyle(GlyphFace::StyleThin3D);
    button->setButtonShape(GlyphFace::ShapeRectangle);
    button->setGradientColor(0x3060C0);
    const QStringList captions = {"Flat", "Embossed", "Engraved"};
    const struct { const char* label; int height, cells; std::function<void(int)> set; } rows[] = {
        {"gradient 0-4", h, 5, [&](int i) { button->setCaption("Gradient"); button->setGradientMode(i); }},
        {"caption style 0-2", h, 3, [&](int i) { button->setGradientMode(0); button->setBackColor(0xB0B0B0);
                                                 button->setCaptionStyle(i); button->setCaption(captions[i]); }},
        {"picture align 0-5", 64, 6, [&](int i) { button->setBackColor(GlyphButton::ButtonFace); button->setCaptionStyle(0);
                                                  button->setPicture(samplePicture()); button->setCaption("Picture");
                                                  button->setPictureAlign(i); }},
        {"picture size 0-4", 64, 5, [&](int i) { button->setPictureAlign(2); button->setCaption("Size"); button->setPictureSize(i); }},
        {"design time", h, 3, [&](int i) { button->setPicture(QPixmap()); button->setDesignMode(true);
                                           const int styles[] = {2, 5, 0};
                                           button->setButtonStyle(styles[i]);
                                           button->setCaption(i < 2 ? QStringLiteral("Hover %1").arg(styles[i]) : "Default");
                                           button->setDefault(i == 2); }},
    };
    for (const auto& r : rows) {
        button->resize(w, r.height);
        p.drawText(4, y, label, r.height, Qt::AlignVCenter, r.label);
        for (int i = 0; i < r.cells; ++i) {
            r.set(i);
            put(i, y, rgb(button->grab().toImage()));  // as the window shows it; a designed default button wears the focus look
        }
        y += r.height + 8;
    }
    p.end();

    const QString path = QCoreApplication::applicationDirPath() + "/glyphbutton_contact_sheet.png";
    ASSERT_TRUE(sheet.save(path));
    std::cout << "contact sheet: " << path.toStdString() << std::endl;
}

TEST(GlyphLooks, GradientsShadeFromBackColourTowardsGradientColourInFourDirections)
{
    GlyphButton button;
    button.resize(100, 40);
    button.setBackColor(0xFF0000);
    button.setGradientColor(0x0000FF);
    const struct { int mode; QPoint from, to; } cases[] = {
        {1, {50, 3}, {50, 36}}, {2, {3, 20}, {96, 20}}, {3, {4, 4}, {95, 35}}, {4, {4, 35}, {95, 4}}};
    for (const auto& c : cases) {
        button.setGradientMode(c.mode);
        const QImage face = button.faceImage(0);
        const QColor start = face.pixelColor(c.from), end = face.pixelColor(c.to);
        EXPECT_GT(start.red(), 200) << "mode " << c.mode;
        EXPECT_LT(start.blue(), 55) << "mode " << c.mode;
        EXPECT_GT(end.blue(), 200) << "mode " << c.mode;
        EXPECT_LT(end.red(), 55) << "mode " << c.mode;
    }
    button.setGradientMode(0);
    EXPECT_EQ(button.faceImage(0).pixelColor(50, 36), QColor(255, 0, 0));
}

// Under a dark palette the glass sheen must leave the light caption readable (contrast of at least
// 4 to 1 against the face behind it); a back colour of the button's own keeps the full sheen.
TEST(GlyphLooks, GlassSheenKeepsTheCaptionReadableUnderADarkPalette)
{
    const auto luminance = [](const QColor& c) {
        const auto channel = [](double v) { return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
        return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) + 0.0722 * channel(c.blueF());
    };
    const QColor face(60, 60, 64), text(230, 230, 230);
    QWidget window;
    QPalette dark = window.palette();
    dark.setColor(QPalette::Button, face);
    dark.setColor(QPalette::ButtonText, text);
    window.setPalette(dark);
    auto* button = new GlyphButton(&window);
    button->resize(100, 34);
    button->setButtonStyle(GlyphFace::StyleGlass);
    for (int state : {0, int(GlyphFace::Hovered)}) {
        const QColor top = button->faceImage(state).pixelColor(50, 5);
        EXPECT_GE((luminance(text) + 0.05) / (luminance(top) + 0.05), 4.0) << "state " << state;
    }
    button->setBackColor(0x3C3C40);
    EXPECT_NEAR(button->faceImage(0).pixelColor(50, 5).red(), 60 + 195 * 85 / 255, 2);
}

// The single-line borders of a face in the palette's colour stand out from the window around the
// button in a light and in a dark palette, enabled or not.
TEST(GlyphLooks, OutlinesStandOutFromTheWindowInALightAndADarkPalette)
{
    std::optional<qmtest::DarkPalette> palette;
    for (const bool dark : {false, true}) {
        if (dark)
            palette.emplace();
        QWidget window;
        auto* button = new GlyphButton("Next", &window);
        button->resize(100, 34);
        const int around = window.palette().color(QPalette::Window).lightness();
        for (int style : {GlyphFace::StyleFlat, GlyphFace::StyleEtched, GlyphFace::StyleGlass}) {
            button->setButtonStyle(style);
            for (const bool enabled : {true, false}) {
                button->setEnabled(enabled);
                const int edge = button->faceImage(0).pixelColor(50, 0).lightness();
                EXPECT_GE(std::abs(edge - around), 40)
                    << (dark ? "dark" : "light") << " style " << style << (enabled ? "" : " disabled");
            }
        }
    }
}

TEST(GlyphLooks, ShapedOutlinesClipTheButtonWindow)
{
    QWidget window;
    QPalette green = window.palette();
    green.setColor(QPalette::Window, QColor(0, 128, 0));
    window.setPalette(green);
    window.resize(200, 100);
    auto* button = new GlyphButton("Shape", &window);
    button->setGeometry(20, 20, 120, 40);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    for (int shape = 0; shape <= 6; ++shape) {
        button->setButtonShape(shape);
        const QPoint corner = shape == GlyphFace::ShapeCutCornersUp ? QPoint(119, 0) : QPoint(0, 0);
        QWidget* expected = shape == GlyphFace::ShapeRectangle ? static_cast<QWidget*>(button) : &window;
        EXPECT_EQ(QApplication::widgetAt(button->mapToGlobal(corner)), expected) << "outline " << shape;
        EXPECT_EQ(QApplication::widgetAt(button->mapToGlobal(QPoint(60, 20))), button) << "outline " << shape;
        if (shape != GlyphFace::ShapeRectangle) {
            EXPECT_EQ(button->faceImage(0).pixelColor(corner), QColor(0, 128, 0)) << "outline " << shape;
        }
    }
}

TEST(GlyphLooks, WindowShowsTheFaceOfTheCurrentStateAndDelayedDrawingHoldsIt)
{
    QWidget window;
    window.resize(200, 60);
    auto* button = new GlyphButton("&Next >", &window);
    button->setGeometry(10, 10, 110, 32);
    button->setButtonStyle(GlyphFace::StyleClassic3D);
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    QTest::mouseMove(&window, QPoint(190, 50));
    auto shown = [&] { return rgb(button->grab().toImage()); };
    // The only button of the window takes the focus when the window is activated.
    ASSERT_EQ(button->stateBits(), GlyphFace::Focused);
    EXPECT_EQ(shown(), rgb(button->faceImage(GlyphFace::Focused)));
    QTest::mouseMove(button, QPoint(20, 10));
    EXPECT_EQ(shown(), rgb(button->faceImage(GlyphFace::Focused | GlyphFace::Hovered)));
    QTest::mousePress(button, Qt::LeftButton, {}, QPoint(20, 10));
    EXPECT_EQ(shown(), rgb(button->faceImage(GlyphFace::Focused | GlyphFace::Hovered | GlyphFace::Pressed)));
    QTest::mouseRelease(button, Qt::LeftButton, {}, QPoint(20, 10));
    const QImage before = shown();
    EXPECT_EQ(before, rgb(button->faceImage(GlyphFace::Focused | GlyphFace::Hovered)));
    EXPECT_NE(before, rgb(button->faceImage(GlyphFace::Focused)));

    button->DelayDrawing(true);
    button->setBackColor(0x00FF00);
    button->setCaption("&Changed");
    EXPECT_EQ(shown(), before);
    button->DelayDrawing(false);
    EXPECT_NE(shown(), before);
    EXPECT_EQ(shown(), rgb(button->faceImage(button->stateBits())));
}
