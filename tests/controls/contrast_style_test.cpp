// The program's style outlines check boxes so that they stand out from the window in a light and
// in a dark palette, enabled or not.
#include "DarkPalette.h"
#include "controls/ContrastStyle.h"

#include <QCheckBox>
#include <QStyleOptionButton>

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>

TEST(ContrastStyle, CheckBoxEdgesStandOutFromTheWindowInALightAndADarkPalette)
{
    ContrastStyle style(QStringLiteral("Fusion"));
    std::optional<qmtest::DarkPalette> palette;
    for (const bool dark : {false, true}) {
        if (dark)
            palette.emplace();
        QCheckBox box(QStringLiteral("Allow adding records"));
        box.setStyle(&style);
        box.resize(box.sizeHint());
        const int around = box.palette().color(QPalette::Window).lightness();
        for (const bool enabled : {true, false}) {
            box.setEnabled(enabled);
            QStyleOptionButton option;
            option.initFrom(&box);
            const QRect indicator = style.subElementRect(QStyle::SE_CheckBoxIndicator, &option, &box);
            const QImage drawn = box.grab().toImage();
            const int edge = drawn.pixelColor(indicator.left(), indicator.center().y()).lightness();
            EXPECT_GE(std::abs(edge - around), enabled ? 40 : 20)
                << (dark ? "dark" : "light") << (enabled ? "" : " disabled");
        }
    }
}
