#include "stylesheet/ColorPicture.h"

#include <QMouseEvent>
#include <QPainter>

#include <utility>

ColorPicture::ColorPicture(const QImage& image, QWidget* parent) : QWidget(parent), m_image(image)
{
    setMouseTracking(true);
    setFixedSize(m_image.size());
    setCursor(Qt::CrossCursor);
}

std::optional<QColor> ColorPicture::colorAt(const QPoint& pos) const
{
    if (!m_image.rect().contains(pos))
        return std::nullopt;
    return m_image.pixelColor(pos);
}

void ColorPicture::setHoverFrame(const std::optional<QRect>& frame)
{
    if (m_hover != frame) {
        m_hover = frame;
        update();
    }
}

void ColorPicture::setSelectionFrame(const std::optional<QRect>& frame)
{
    if (m_selection != frame) {
        m_selection = frame;
        update();
    }
}

void ColorPicture::setCrossHair(const std::optional<QPoint>& point)
{
    if (m_crossHair != point) {
        m_crossHair = point;
        update();
    }
}

void ColorPicture::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.drawImage(0, 0, m_image);
    painter.setBrush(Qt::NoBrush);
    // Frames are drawn black inside white so that they show on light and dark cells alike.
    auto frame = [&](const QRect& r, int width) {
        painter.setPen(QPen(Qt::white, width + 2));
        painter.drawRect(r.adjusted(0, 0, -1, -1));
        painter.setPen(QPen(Qt::black, width));
        painter.drawRect(r.adjusted(0, 0, -1, -1));
    };
    if (m_selection)
        frame(*m_selection, 2);
    if (m_hover)
        frame(*m_hover, 1);
    if (m_crossHair) {
        // White dashes between black ones show on every colour of the field.
        for (const auto& [color, offset] : {std::pair{Qt::white, 0}, std::pair{Qt::black, 3}}) {
            QPen pen(color, 1, Qt::CustomDashLine);
            pen.setDashPattern({3, 3});
            pen.setDashOffset(offset);
            painter.setPen(pen);
            painter.drawLine(0, m_crossHair->y(), width(), m_crossHair->y());
            painter.drawLine(m_crossHair->x(), 0, m_crossHair->x(), height());
        }
    }
}

void ColorPicture::mouseMoveEvent(QMouseEvent* event)
{
    emit pointerMoved(event->position().toPoint());
}

// Any mouse button picks.
void ColorPicture::mousePressEvent(QMouseEvent* event)
{
    emit pressed(event->position().toPoint());
}

void ColorPicture::mouseReleaseEvent(QMouseEvent* event)
{
    emit released(event->position().toPoint());
}
