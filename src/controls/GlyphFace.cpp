#include "controls/GlyphFace.h"

#include <QFontMetrics>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace {

QColor withAlpha(QColor c, int alpha)
{
    c.setAlpha(alpha);
    return c;
}

QColor mix(const QColor& a, const QColor& b, double t)
{
    return QColor::fromRgbF(float(a.redF() + (b.redF() - a.redF()) * t),
                            float(a.greenF() + (b.greenF() - a.greenF()) * t),
                            float(a.blueF() + (b.blueF() - a.blueF()) * t));
}

// A picture as a disabled button shows it: grey and faded.
QPixmap greyed(const QPixmap& pm)
{
    QImage img = pm.toImage().convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < img.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(img.scanLine(y));
        for (int x = 0; x < img.width(); ++x) {
            int g = 128 + qGray(line[x]) / 2;
            line[x] = qRgba(g, g, g, qAlpha(line[x]) / 2);
        }
    }
    return QPixmap::fromImage(img);
}

// Signed area of a closed polygon; positive when its points run clockwise on screen.
double clockwiseArea(const QPolygonF& poly)
{
    double sum = 0;
    for (qsizetype i = 0; i + 1 < poly.size(); ++i)
        sum += poly[i].x() * poly[i + 1].y() - poly[i + 1].x() * poly[i].y();
    return sum / 2;
}

}  // namespace

QChar GlyphCaption::accessKey() const
{
    if (keyLine < 0 || keyLine >= lines.size() || keyPos < 0 || keyPos >= lines[keyLine].size())
        return {};
    return lines[keyLine][keyPos];
}

void GlyphCaption::markKey(QChar key)
{
    if (keyLine >= 0 || key.isNull())
        return;
    for (int i = 0; i < lines.size(); ++i) {
        const qsizetype pos = lines[i].indexOf(key, 0, Qt::CaseInsensitive);
        if (pos >= 0) {
            keyLine = i;
            keyPos = int(pos);
            return;
        }
    }
}

GlyphCaption GlyphFace::parseCaption(const QString& caption)
{
    GlyphCaption out;
    QString line;
    const qsizetype n = caption.size();
    auto lineBreakAt = [&](qsizetype i) { return i + 1 < n && caption[i] == u'|' && caption[i + 1] == u'|'; };
    for (qsizetype i = 0; i < n; ++i) {
        if (lineBreakAt(i)) {
            out.lines << line;
            line.clear();
            ++i;
            continue;
        }
        if (caption[i] != u'&') {
            line += caption[i];
            continue;
        }
        if (i + 1 < n && caption[i + 1] == u'&') {
            line += u'&';
            ++i;
            continue;
        }
        // A single ampersand marks the character after it; a later mark replaces an earlier one.
        if (i + 1 < n && !lineBreakAt(i + 1)) {
            out.keyLine = int(out.lines.size());
            out.keyPos = int(line.size());
        }
    }
    out.lines << line;
    return out;
}

QPainterPath GlyphFace::outline(int shape, const QRectF& r)
{
    QPainterPath path;
    const double l = r.left(), t = r.top(), rt = r.right(), b = r.bottom();
    const double w = r.width(), h = r.height();
    switch (shape) {
    case ShapeCutCornersDown: {
        double d = std::min(w, h) / 3;
        path.addPolygon(QPolygonF({{l + d, t}, {rt, t}, {rt, b - d}, {rt - d, b}, {l, b}, {l, t + d}, {l + d, t}}));
        break;
    }
    case ShapeCutCornersUp: {
        double d = std::min(w, h) / 3;
        path.addPolygon(QPolygonF({{l, t}, {rt - d, t}, {rt, t + d}, {rt, b}, {l + d, b}, {l, b - d}, {l, t}}));
        break;
    }
    case ShapeHexagon: {
        double d = std::min(h / 2, w / 4), cy = t + h / 2;
        path.addPolygon(QPolygonF({{l + d, t}, {rt - d, t}, {rt, cy}, {rt - d, b}, {l + d, b}, {l, cy}, {l + d, t}}));
        break;
    }
    case ShapeRounded: {
        double radius = std::min(w, h) / 4;
        path.addRoundedRect(r, radius, radius);
        break;
    }
    case ShapeOval:
        path.addEllipse(r);
        break;
    case ShapeCapsule: {
        double radius = std::min(w, h) / 2;
        path.addRoundedRect(r, radius, radius);
        break;
    }
    default:
        path.addPolygon(QPolygonF({{l, t}, {rt, t}, {rt, b}, {l, b}, {l, t}}));
        break;
    }
    path.closeSubpath();
    return path;
}

QRegion GlyphFace::region(int shape, const QSize& size)
{
    if (shape == ShapeRectangle)
        return QRegion(QRect(QPoint(0, 0), size));
    return QRegion(outline(shape, QRectF(QPointF(0, 0), size)).toFillPolygon().toPolygon());
}

int GlyphFace::borderWidth() const
{
    return (style == StyleClassic3D || style == StyleEtched || style == StyleThin3D) ? 2 : 1;
}

QSize GlyphFace::contentSize() const
{
    const GlyphCaption cap = parseCaption(caption);
    QFontMetrics fm(font);
    int textW = 0;
    for (const QString& line : cap.lines)
        textW = std::max(textW, fm.horizontalAdvance(line));
    int textH = fm.height() * int(cap.lines.size());
    if (picture.isNull())
        return {textW, textH};
    if (pictureAlign >= PictureAboveCaption)
        return {std::max(textW, pictureSize), textH + 4 + pictureSize};
    return {textW + 4 + pictureSize, std::max(textH, pictureSize)};
}

void GlyphFace::paint(QPainter& p, const QRect& rect, int state) const
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setRenderHint(QPainter::SmoothPixmapTransform, true);
    const bool hovered = enabled && (state & Hovered);
    const bool pressed = enabled && (state & Pressed);

    p.fillRect(rect, container);
    const QRectF r = QRectF(rect).adjusted(0.5, 0.5, -0.5, -0.5);
    fillFace(p, outline(shape, r), r, hovered);

    if (!enabled)
        p.setOpacity(0.45);
    paintBorder(p, r, hovered, pressed);
    p.setOpacity(1.0);

    // Shaped outlines leave less room at their ends.
    int side = 0;
    const int h = rect.height();
    switch (shape) {
    case ShapeCutCornersDown:
    case ShapeCutCornersUp: side = std::min(rect.width(), h) / 6; break;
    case ShapeHexagon: side = std::min(h / 2, rect.width() / 4); break;
    case ShapeOval: side = rect.width() / 7; break;
    case ShapeCapsule: side = h / 3; break;
    default: break;
    }
    const int pad = borderWidth() + 3;
    QRect area = rect.adjusted(pad + side, pad, -pad - side, -pad);
    if (pressed && style != StyleStandard && style != StyleHoverHighlight)
        area.translate(style == StyleGlass ? 0 : 1, 1);
    paintContent(p, area, hovered);

    if ((state & Focused) && showFocusRect) {
        QPen pen(enabled ? fore : disabledText, 1);
        pen.setCosmetic(true);
        pen.setDashPattern({1, 1});
        p.setRenderHint(QPainter::Antialiasing, false);
        stroke(p, QRectF(rect).adjusted(0, 0, -1, -1), borderWidth() + 2, pen);
    }
    p.restore();
}

void GlyphFace::fillFace(QPainter& p, const QPainterPath& path, const QRectF& r, bool hovered) const
{
    const QColor face = faceColor(hovered);
    if (gradientMode < GradientDown || gradientMode > GradientUpRight) {
        p.fillPath(path, face);
        return;
    }
    QPointF from, to;
    switch (gradientMode) {
    case GradientDown: from = r.topLeft(); to = r.bottomLeft(); break;
    case GradientRight: from = r.topLeft(); to = r.topRight(); break;
    case GradientDownRight: from = r.topLeft(); to = r.bottomRight(); break;
    default: from = r.bottomLeft(); to = r.topRight(); break;
    }
    QLinearGradient g(from, to);
    g.setColorAt(0, face);
    g.setColorAt(1, gradient);
    p.fillPath(path, g);
}

void GlyphFace::stroke(QPainter& p, const QRectF& r, double inset, const QPen& pen) const
{
    p.strokePath(outline(shape, r.adjusted(inset, inset, -inset, -inset)), pen);
}

// A raised or sunken edge along any outline: edges facing up or left take the lit colour,
// the others the shaded one, so curved outlines shade the way straight ones do.
void GlyphFace::bevel(QPainter& p, const QRectF& r, double inset, const QColor& lit, const QColor& shaded) const
{
    QPolygonF poly = outline(shape, r.adjusted(inset, inset, -inset, -inset)).toFillPolygon();
    if (clockwiseArea(poly) < 0)
        std::reverse(poly.begin(), poly.end());
    for (int pass = 0; pass < 2; ++pass) {
        p.setPen(QPen(pass == 0 ? lit : shaded, 1, Qt::SolidLine, Qt::SquareCap));
        for (qsizetype i = 0; i + 1 < poly.size(); ++i) {
            const QPointF a = poly[i], b = poly[i + 1];
            const double nx = b.y() - a.y(), ny = a.x() - b.x();
            if (nx == 0 && ny == 0)
                continue;
            const bool facesLight = nx + ny < -1e-9 || (std::abs(nx + ny) <= 1e-9 && ny < 0);
            if (facesLight == (pass == 0))
                p.drawLine(a, b);
        }
    }
}

void GlyphFace::paintBorder(QPainter& p, const QRectF& r, bool hovered, bool pressed) const
{
    const QColor face = faceColor(hovered);
    const bool fromPalette = paletteFace && paletteShadow.isValid();
    const QColor light = fromPalette ? paletteLight : face.lighter(150);
    const QColor midlight = fromPalette ? paletteMidlight : face.lighter(115);
    const QColor dark = fromPalette ? paletteDark : face.darker(200);
    const QColor shadow = fromPalette ? paletteShadow : face.darker(400);
    // A single line around the face: on a palette's face it is drawn between the face and the
    // caption's colour, which stands out from the face in a light and in a dark palette; stronger
    // under the pointer. (A disabled button draws its border faded.)
    const double towardsText = hovered || pressed ? 0.7 : 0.45;
    const QColor outlineColor = fromPalette ? mix(face, fore, towardsText) : hovered || pressed ? shadow : dark;
    QPen designOutline(mix(face, fore, 0.5), 1, Qt::DotLine);
    designOutline.setCosmetic(true);

    switch (style) {
    case StyleFlat:
        stroke(p, r, 0, QPen(outlineColor, 1));
        if (hovered || pressed)
            stroke(p, r, 1, QPen(withAlpha(dark, 110), 1));
        break;
    case StyleHoverRaised:
        if (pressed)
            bevel(p, r, 0, dark, light);
        else if (hovered)
            bevel(p, r, 0, light, dark);
        else if (designMode)
            stroke(p, r, 0, designOutline);
        break;
    case StyleClassic3D:
        if (pressed) {
            bevel(p, r, 0, shadow, light);
            bevel(p, r, 1, dark, midlight);
        } else {
            bevel(p, r, 0, light, shadow);
            bevel(p, r, 1, midlight, dark);
            if (hovered)
                stroke(p, r, 2, QPen(withAlpha(highlight, 150), 1));
        }
        break;
    case StyleThin3D:
        if (pressed) {
            bevel(p, r, 0, dark, light);
        } else {
            bevel(p, r, 0, light, hovered ? shadow : dark);
            if (hovered)
                bevel(p, r, 1, midlight, dark);
        }
        break;
    case StyleHoverHighlight:
        if (hovered || pressed) {
            p.fillPath(outline(shape, r), withAlpha(highlight, pressed ? 90 : 40));
            stroke(p, r, 0, QPen(highlight, 1));
        } else if (designMode) {
            stroke(p, r, 0, designOutline);
        }
        break;
    case StyleEtched: {
        const QColor groove = hovered ? highlight : fromPalette ? outlineColor : dark;
        stroke(p, r, 0, QPen(pressed ? light : groove, 1));
        stroke(p, r, 1, QPen(pressed ? groove : light, 1));
        break;
    }
    case StyleGlass: {
        const QPainterPath path = outline(shape, r);
        QPainterPath half;
        const double mid = r.top() + r.height() / 2;
        if (pressed)
            half.addRect(QRectF(r.left(), mid, r.width(), r.bottom() - mid));
        else
            half.addRect(QRectF(r.left(), r.top(), r.width(), mid - r.top()));
        if (pressed)
            p.fillPath(path, QColor(0, 0, 0, 25));
        // On a face in the palette's colour the sheen fades as the face darkens (a dark palette),
        // where a full one would wash out the light caption; light faces and chosen colours keep it.
        const double sheen = paletteFace ? std::min(1.0, 0.2 + face.lightnessF()) : 1.0;
        p.fillPath(path.intersected(half), QColor(255, 255, 255, int((pressed ? 60 : hovered ? 130 : 85) * sheen)));
        stroke(p, r, 0, QPen(hovered ? highlight : fromPalette ? outlineColor : face.darker(170), 1));
        break;
    }
    default:  // StyleStandard
        if (pressed)
            p.fillPath(outline(shape, r), QColor(0, 0, 0, 22));
        stroke(p, r, 0, QPen(pressed ? highlight.darker(120) : hovered ? highlight : mix(face, fore, 0.45), 1));
        if (hovered && !pressed)
            stroke(p, r, 1, QPen(withAlpha(highlight, 90), 1));
        break;
    }
}

void GlyphFace::paintContent(QPainter& p, QRect area, bool hovered) const
{
    GlyphCaption cap = parseCaption(caption);
    cap.markKey(ownerAccessKey);
    const QFontMetrics fm(font);
    const int lineH = fm.height();
    int textW = 0;
    for (const QString& line : cap.lines)
        textW = std::max(textW, fm.horizontalAdvance(line));
    const bool hasText = cap.lines.size() > 1 || !cap.lines.first().isEmpty();
    const int textH = hasText ? lineH * int(cap.lines.size()) : 0;

    QPixmap pic;
    if (!picture.isNull()) {
        pic = picture.scaled(pictureSize, pictureSize, Qt::KeepAspectRatio, Qt::SmoothTransformation);
        if (!enabled)
            pic = greyed(pic);
    }
    const int ps = pic.isNull() ? 0 : pictureSize;
    const int gap = (ps && hasText) ? 4 : 0;
    const int hAlign = captionAlign == CaptionLeft ? Qt::AlignLeft : captionAlign == CaptionRight ? Qt::AlignRight : Qt::AlignHCenter;

    QRect textRect = area;
    QPoint picPos(area.left(), area.top() + (area.height() - ps) / 2);
    auto blockLeft = [&](int width) {
        return captionAlign == CaptionLeft ? area.left()
             : captionAlign == CaptionRight ? area.right() + 1 - width
                                 : area.left() + (area.width() - width) / 2;
    };
    switch (ps ? pictureAlign : -1) {
    case PictureLeftEdge:
        textRect.setLeft(area.left() + ps + gap);
        break;
    case PictureRightEdge:
        picPos.setX(area.right() + 1 - ps);
        textRect.setRight(area.right() - ps - gap);
        break;
    case PictureLeftOfCaption: {
        int x = blockLeft(ps + gap + textW);
        picPos.setX(x);
        textRect = QRect(x + ps + gap, area.top(), textW, area.height());
        break;
    }
    case PictureRightOfCaption: {
        int x = blockLeft(ps + gap + textW);
        textRect = QRect(x, area.top(), textW, area.height());
        picPos.setX(x + textW + gap);
        break;
    }
    case PictureAboveCaption:
    case PictureBelowCaption: {
        int y = area.top() + (area.height() - (ps + gap + textH)) / 2;
        picPos = QPoint(area.left() + (area.width() - ps) / 2, pictureAlign == PictureAboveCaption ? y : y + textH + gap);
        textRect = QRect(area.left(), pictureAlign == PictureAboveCaption ? y + ps + gap : y, area.width(), textH);
        break;
    }
    default:
        break;
    }
    if (ps)
        p.drawPixmap(picPos, pic);

    const QColor color = !enabled ? disabledText : hovered ? hoverFore : fore;
    p.setFont(font);
    int y = textRect.top() + (textRect.height() - textH) / 2;
    for (int i = 0; i < cap.lines.size(); ++i, y += lineH) {
        QString shown = cap.lines[i];
        shown.replace(u'&', QStringLiteral("&&"));
        if (i == cap.keyLine && cap.keyPos >= 0)
            shown.insert(cap.keyPos + int(cap.lines[i].left(cap.keyPos).count(u'&')), u'&');
        paintCaptionLine(p, QRect(textRect.left(), y, textRect.width(), lineH), hAlign, shown, color);
    }
}

void GlyphFace::paintCaptionLine(QPainter& p, const QRect& r, int alignment, const QString& text, const QColor& color) const
{
    const int flags = alignment | Qt::AlignVCenter | (underlineAccessKey ? Qt::TextShowMnemonic : Qt::TextHideMnemonic);
    const QColor face = back;
    const QColor light = face.lighter(170);
    const QColor shadow = face.darker(250);
    auto draw = [&](const QColor& c, int dx, int dy) {
        p.setPen(c);
        p.drawText(r.translated(dx, dy), flags, text);
    };
    if (!enabled) {
        draw(light, 1, 1);
    } else if (captionStyle == CaptionEmbossed) {
        draw(light, -1, -1);
        draw(shadow, 1, 1);
    } else if (captionStyle == CaptionEngraved) {
        draw(shadow, -1, -1);
        draw(light, 1, 1);
    }
    draw(color, 0, 0);
}
