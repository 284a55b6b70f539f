#pragma once

#include "meterling_global.h"

#include <QColor>
#include <QImage>
#include <QPainter>
#include <QWidget>

// The drawing surface of the control: a picture that is drawn into by code and, while
// autoRedraw is on, kept between repaints and shown whenever the widget paints.
class METERLING_EXPORT MeterlingSurface : public QWidget
{
    Q_OBJECT

public:
    explicit MeterlingSurface(QWidget* parent = nullptr);

    bool autoRedraw() const;
    void setAutoRedraw(bool on);

    QColor backColor() const;
    // Changing the background erases the picture to the new colour, text and graphics alike.
    void setBackColor(const QColor& colour);
    QColor foreColor() const;
    void setForeColor(const QColor& colour);

    // How filled shapes combine with the pixels already there; text is always drawn plainly.
    QPainter::CompositionMode drawMode() const;
    void setDrawMode(QPainter::CompositionMode mode);

    // Fills the picture with the background colour.
    void clear();
    // The retained picture, always the size of the surface (null while the surface is empty).
    QImage& picture();
    // Repaints at once, so a host busy on this thread still sees the new picture.
    void refresh();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void fitPicture();

    QImage m_picture;
    QColor m_backColor = Qt::white;
    QColor m_foreColor = Qt::black;
    QPainter::CompositionMode m_drawMode = QPainter::CompositionMode_SourceOver;
    bool m_autoRedraw = false;
};
