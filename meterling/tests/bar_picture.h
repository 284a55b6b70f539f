#pragma once

#include <QImage>
#include <QString>

class Meterling;

// What a control shows on screen, split into its bar and its text.
struct BarPicture
{
    QImage image;          // the grabbed control
    int barWidth = 0;      // columns the bar covers from the left, read along the top row
    QImage ink;            // Grayscale8, 255 where the text is
    int inkPixels = 0;
    int inkUnderBar = 0;   // text pixels inside the bar, which show inverted
    int strayPixels = 0;   // pixels that neither the background, the bar nor the text can give
};

// Grabs the control and classifies every pixel by the colours the not-xor drawing gives: the
// bar is NOT(Color XOR BackColor), text beside it is Color, text under it is white. With
// METERLING_GRAB_DIR set, the picture is also saved there as a PNG named after the test.
BarPicture readBar(Meterling& meter);

// True when the ink is exactly `text` in the control's font, centred in the control to within
// a pixel either way.
bool showsText(const BarPicture& picture, const Meterling& meter, const QString& text);

// The ink as rows of '#' and '.', for failure messages.
QString inkArt(const QImage& ink);
