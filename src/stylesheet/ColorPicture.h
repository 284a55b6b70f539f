#pragma once
// A picture the user picks colours from: it shows an image and, on top of it, the frames and the
// cross-hair the stylesheet editor moves. It reports the pointer in image pixels; what a move or a
// click means is up to the window.

#include <QImage>
#include <QWidget>

#include <optional>

class ColorPicture : public QWidget {
    Q_OBJECT

public:
    explicit ColorPicture(const QImage& image, QWidget* parent = nullptr);

    const QImage& image() const { return m_image; }
    // The colour drawn at `pos`; nothing outside the picture.
    std::optional<QColor> colorAt(const QPoint& pos) const;

    // Overlays drawn above the image; nothing hides them.
    void setHoverFrame(const std::optional<QRect>& frame);
    void setSelectionFrame(const std::optional<QRect>& frame);
    void setCrossHair(const std::optional<QPoint>& point);
    std::optional<QRect> hoverFrame() const { return m_hover; }
    std::optional<QRect> selectionFrame() const { return m_selection; }
    std::optional<QPoint> crossHair() const { return m_crossHair; }

    QSize sizeHint() const override { return m_image.size(); }

signals:
    void pointerMoved(const QPoint& pos);
    void pressed(const QPoint& pos);
    void released(const QPoint& pos);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QImage m_image;
    std::optional<QRect> m_hover;
    std::optional<QRect> m_selection;
    std::optional<QPoint> m_crossHair;
};
