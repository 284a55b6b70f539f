#include "meterling_surface.h"

#include <QPaintEvent>

MeterlingSurface::MeterlingSurface(QWidget* parent)
    : QWidget(parent)
{
    // Every pixel comes from the picture or the background fill below.
    setAttribute(Qt::WA_OpaquePaintEvent);
}

bool MeterlingSurface::autoRedraw() const
{
    return m_autoRedraw;
}

void MeterlingSurface::setAutoRedraw(bool on)
{
    m_autoRedraw = on;
}

QColor MeterlingSurface::backColor() const
{
    return m_backColor;
}

void MeterlingSurface::setBackColor(const QColor& colour)
{
    m_backColor = colour;
    clear();
    update();
}

QColor MeterlingSurface::foreColor() const
{
    return m_foreColor;
}

void MeterlingSurface::setForeColor(const QColor& colour)
{
    m_foreColor = colour;
}

QPainter::CompositionMode MeterlingSurface::drawMode() const
{
    return m_drawMode;
}

void MeterlingSurface::setDrawMode(QPainter::CompositionMode mode)
{
    m_drawMode = mode;
}

void MeterlingSurface::clear()
{
    fitPicture();
    if (!m_picture.isNull())
        m_picture.fill(m_backColor);
}

QImage& MeterlingSurface::picture()
{
    fitPicture();
    return m_picture;
}

void MeterlingSurface::refresh()
{
    repaint();
}

void MeterlingSurface::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    if (m_autoRedraw) {
        fitPicture();
        painter.drawImage(event->rect(), m_picture, event->rect());
    } else {
        painter.fillRect(event->rect(), m_backColor);
    }
}

// A resized surface keeps what fits of its old picture; new area shows the background.
void MeterlingSurface::fitPicture()
{
    if (m_picture.size() == size())
        return;
    if (size().isEmpty()) {
        m_picture = QImage();
        return;
    }
    // RGB32 because the raster operations of the drawing modes work on it.
    QImage fitted(size(), QImage::Format_RGB32);
    fitted.fill(m_backColor);
    if (!m_picture.isNull()) {
        QPainter painter(&fitted);
        painter.drawImage(0, 0, m_picture);
    }
    m_picture = fitted;
}
