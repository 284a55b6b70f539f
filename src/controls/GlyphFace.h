#pragma once
// How a GlyphButton looks: everything its face drawing needs, with colours already resolved,
// and the drawing itself. Kept apart from the widget so the looks can be rendered for any state.

#include <QColor>
#include <QFont>
#include <QObject>
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
    // Marks the first occurrence of `key` (in either case) as the access key, unless one is marked.
    void markKey(QChar key);
};

class GlyphFace {
    Q_GADGET

public:
    // State bits of a button.
    enum State { Focused = 1, Pressed = 2, Hovered = 4 };

    // The codes of the face properties, as a button stores them. Registered with the meta-object
    // system so that Qt Designer offers them in drop-downs on GlyphButton. Their underlying type is
    // int, so any number set through a property is a value of the enum and reaches the setter,
    // which ignores the ones out of range.
    enum Style : int {
        StyleStandard, StyleFlat, StyleHoverRaised, StyleClassic3D,
        StyleThin3D, StyleHoverHighlight, StyleEtched, StyleGlass
    };
    Q_ENUM(Style)
    enum Shape : int {
        ShapeRectangle, ShapeCutCornersDown, ShapeCutCornersUp, ShapeHexagon,
        ShapeRounded, ShapeOval, ShapeCapsule
    };
    Q_ENUM(Shape)
    enum PictureAlign : int { PictureLeftEdge, PictureRightEdge, PictureLeftOfCaption, PictureRightOfCaption,
                        PictureAboveCaption, PictureBelowCaption };
    Q_ENUM(PictureAlign)
    enum CaptionAlign : int { CaptionLeft, CaptionRight, CaptionCentre };
    Q_ENUM(CaptionAlign)
    enum CaptionStyle : int { CaptionFlat, CaptionEmbossed, CaptionEngraved };
    Q_ENUM(CaptionStyle)
    // The direction the face shades from the back colour to the gradient colour.
    enum GradientMode : int { GradientNone, GradientDown, GradientRight, GradientDownRight, GradientUpRight };
    Q_ENUM(GradientMode)

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
    int gradientMode = GradientNone;
    int captionStyle = CaptionFlat;
    int captionAlign = CaptionCentre;
    int pictureAlign = PictureLeftEdge;
    int pictureSize = 16;     // pixels
    QColor back, gradient, fore, hoverBack, hoverFore;
    QColor container;         // what shows around a shaped outline
    QColor highlight;         // hover accents of the standard and highlight styles
    QColor disabledText;
    bool paletteFace = false; // the back colour is the palette's button colour, not one of its own
    // The palette's edge colours (its light, midlight, dark and shadow roles), which the edges of a
    // face in the palette's colour take, so that they suit a light and a dark palette alike; a face
    // of a colour of its own shades its edges from that colour.
    QColor paletteLight, paletteMidlight, paletteDark, paletteShadow;
    QString caption;
    QFont font;
    QPixmap picture;
    bool enabled = true;
    bool showFocusRect = true;
    bool designMode = false;
    bool underlineAccessKey = true;
    // A key that the caption's owner answers itself, shown underlined on its first letter in the
    // caption when the caption marks no access key of its own.
    QChar ownerAccessKey;

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
