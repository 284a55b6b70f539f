#pragma once
// How a GlyphButton looks: everything its face drawing needs, with colours already resolved,
// and the drawing itself. Kept apart from the widget so the looks can be rendered for any state.

#include <QColor>
#include <QFont>
#include <QPainterPath>
#include <QPixmap>
#include <QRegion>
#include <QStringList>

class QPainter;

// A caption as drawn: "||" splits lines, "&&" is one ampersand, and the character after the last
// single "&" is the access key.
struct GlyphCaption {
    QStringList lines;
    int keyLine = -1;
    int keyPos = -1;

    QChar accessKey() const;
};

class GlyphFace {
public:
    // State bits of a button.
    enum State { Focused = 1, Pressed = 2, Hovered = 4 };

    enum Style {
        StyleStandard, StyleFlat, StyleHoverRaised, StyleClassic3D,
        StyleThin3D, StyleHoverHighlight, StyleEtched, StyleGlass
    };
    enum Shape {
        ShapeRectangle, ShapeCutCornersDown, ShapeCutCornersUp, ShapeHexagon,
        ShapeRounded, ShapeOval, ShapeCapsule
    };
    enum PictureAlign { PictureLeftEdge, PictureRightEdge, PictureLeftOfCaption, PictureRightOfCaption,
                        PictureAboveCaption, PictureBelowCaption };

    static GlyphCaption parseCaption(const QString& caption);

    // The outline of a button of the given shape filling r.
    static QPainterPath outline(int shape, const QRectF& r);
    // The pixels of a button of that shape and size, for clipping its window.
    static QRegion region(int shape, const QSize& size);

    // Space the caption and picture need, without borders.
    QSize contentSize() const;
    void paint(QPainter& p, const QRect& rect, int state) const;

    int style = StyleStandard;
    int shape = ShapeRectangle;
    int gradientMode = 0;     // 0 none, 1 down, 2 right, 3 down-right, 4 up-right
    int captionStyle = 0;     // 0 flat, 1 embossed, 2 engraved
    int captionAlign = 2;     // 0 left, 1 right, 2 centre
    int pictureAlign = PictureLeftEdge;
    int pictureSize = 16;     // pixels
    QColor back, gradient, fore, hoverBack, hoverFore;
    QColor container;         // what shows around a shaped outline
    QColor highlight;         // hover accents of the standard and highlight styles
    QColor disabledText;
    QString caption;
    QFont font;
    QPixmap picture;
    bool enabled = true;
    bool showFocusRect = true;
    bool designMode = false;
    bool underlineAccessKey = true;

private:
    void fillFace(QPainter& p, const QPainterPath& path, const QRectF& r, bool hovered) const;
    void paintBorder(QPainter& p, const QRectF& r, bool hovered, bool pressed) const;
    void bevel(QPainter& p, const QRectF& r, double inset, const QColor& lit, const QColor& shaded) const;
    void stroke(QPainter& p, const QRectF& r, double inset, const QPen& pen) const;
    void paintContent(QPainter& p, QRect area, bool hovered) const;
    void paintCaptionLine(QPainter& p, const QRect& r, int alignment, const QString& text, const QColor& color) const;
    int borderWidth() const;
    QColor faceColor(bool hovered) const { return hovered ? hoverBack : back; }
};
