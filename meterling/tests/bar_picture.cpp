#include "bar_picture.h"

#include "meterling.h"
#include "meterling_surface.h"

#include <QDir>
#include <QPainter>

#include <algorithm>

#include <gtest/gtest.h>

namespace {

QRgb rgbOf(const QColor& colour)
{
    return colour.rgb() & 0xFFFFFF;
}

QRgb notXor(QRgb pen, QRgb pixel)
{
    return ~(pen ^ pixel) & 0xFFFFFF;
}

void saveForViewing(const QImage& image)
{
    const QString folder = qEnvironmentVariable("METERLING_GRAB_DIR");
    if (folder.isEmpty())
        return;
    static int counter = 0;
    const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
    QDir().mkpath(folder);
    image.save(QStringLiteral("%1/%2_%3.png").arg(folder, QString::fromLatin1(test->name())).arg(++counter));
}

} // namespace

BarPicture readBar(Meterling& meter)
{
    BarPicture result;
    result.image = meter.grab().toImage().convertToFormat(QImage::Format_RGB32);
    saveForViewing(result.image);
    const QImage& image = result.image;
    const QRgb back = rgbOf(meter.BackColor());
    const QRgb fore = rgbOf(meter.Color());
    const QRgb bar = notXor(fore, back);
    const QRgb textUnderBar = notXor(fore, fore);

    while (result.barWidth < image.width() && (image.pixel(result.barWidth, 0) & 0xFFFFFF) == bar)
        ++result.barWidth;

    result.ink = QImage(image.size(), QImage::Format_Grayscale8);
    result.ink.fill(0);
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const bool underBar = x < result.barWidth;
            const QRgb pixel = image.pixel(x, y) & 0xFFFFFF;
            if (pixel == (underBar ? bar : back))
                continue;
            if (pixel == (underBar ? textUnderBar : fore)) {
                result.ink.setPixel(x, y, 255);
                ++result.inkPixels;
                if (underBar)
                    ++result.inkUnderBar;
            } else {
                ++result.strayPixels;
            }
        }
    }
    return result;
}

bool showsText(const BarPicture& picture, const Meterling& meter, const QString& text)
{
    // The reference is laid out by Qt's own centred text drawing, not by the control's arithmetic.
    QImage reference(picture.ink.size(), QImage::Format_RGB32);
    reference.fill(Qt::black);
    {
        QPainter painter(&reference);
        QFont font = meter.PBox()->font();
        font.setStyleStrategy(QFont::NoAntialias);
        painter.setFont(font);
        painter.setPen(Qt::white);
        painter.drawText(reference.rect(), Qt::AlignCenter, text);
    }
    const int width = reference.width();
    const int height = reference.height();
    for (int dy = -1; dy <= 1; ++dy) {
        for (int dx = -1; dx <= 1; ++dx) {
            bool same = true;
            int referenceInk = 0;
            for (int y = 0; y < height && same; ++y) {
                for (int x = 0; x < width && same; ++x) {
                    const int rx = x - dx;
                    const int ry = y - dy;
                    const bool expected = rx >= 0 && ry >= 0 && rx < width && ry < height
                                       && qGray(reference.pixel(rx, ry)) > 0;
                    referenceInk += expected ? 1 : 0;
                    same = expected == (qGray(picture.ink.pixel(x, y)) > 0);
                }
            }
            if (same && referenceInk > 0)
                return true;
        }
    }
    return false;
}

QString inkArt(const QImage& ink)
{
    // Only the columns that hold ink, so the text is readable in a terminal.
    int first = ink.width();
    int last = -1;
    for (int y = 0; y < ink.height(); ++y) {
        for (int x = 0; x < ink.width(); ++x) {
            if (qGray(ink.pixel(x, y)) > 0) {
                first = std::min(first, x);
                last = std::max(last, x);
            }
        }
    }
    QString art;
    for (int y = 0; y < ink.height(); ++y) {
        for (int x = first; x <= last; ++x)
            art += qGray(ink.pixel(x, y)) > 0 ? QLatin1Char('#') : QLatin1Char('.');
        art += QLatin1Char('\n');
    }
    return art;
}
