// Storing a button with its window: the property bag's keys and defaults, and a window's buttons
// as text, one section per button.

#include "controls/GlyphButton.h"

#include "controls/PropertyBag.h"

#include <QApplication>
#include <QBuffer>

namespace {

QByteArray pngBytes(const QPixmap& pixmap)
{
    QByteArray bytes;
    if (pixmap.isNull())
        return bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    pixmap.save(&buffer, "PNG");
    return bytes;
}

}  // namespace

void GlyphButton::InitProperties()
{
    m_captionFollowsName = true;
    m_nameShown = objectName();
    setText(objectName());
    m_captionAlign = 2;
    m_back = m_hoverBack = ButtonFace;
    m_showFocusRect = true;
    syncWithBase();
    changed();
}

void GlyphButton::ReadProperties(const PropertyBag& bag)
{
    auto number = [&](const char* key, int def, int lo, int hi) {
        bool ok = false;
        const int v = bag.ReadProperty(QLatin1String(key), def).toInt(&ok);
        return ok && v >= lo && v <= hi ? v : def;
    };
    auto color = [&](const char* key, GlyphColor def) {
        bool ok = false;
        const qlonglong v = bag.ReadProperty(QLatin1String(key), qlonglong(def)).toLongLong(&ok);
        return ok && v >= 0 && validColor(GlyphColor(v)) ? GlyphColor(v) : def;
    };
    m_style = number("BackStyle", 0, 0, 7);
    m_shape = number("Shape", 0, 0, 6);
    m_pictureAlign = number("ImgAlign", 0, 0, 5);
    m_captionAlign = number("CapAlign", 2, 0, 2);
    m_captionStyle = number("CapStyle", 0, 0, 2);
    const int pixels = number("ImgSize", 16, 16, 48);
    m_picturePixels = pixels % 8 == 0 ? pixels : 16;
    m_picture = QPixmap();
    const QByteArray image = bag.ReadProperty(QStringLiteral("Image")).toByteArray();
    if (!image.isEmpty())
        m_picture.loadFromData(image, "PNG");
    m_captionFollowsName = false;
    setText(bag.ReadProperty(QStringLiteral("Caption"), QString()).toString());
    setEnabled(bag.ReadProperty(QStringLiteral("Enabled"), true).toBool());
    m_showFocusRect = bag.ReadProperty(QStringLiteral("Focus"), true).toBool();
    m_mousePointer = number("mPointer", 0, 0, CustomPointer);
    if (!validPointer(m_mousePointer))
        m_mousePointer = 0;
    m_mouseIcon = bag.ReadProperty(QStringLiteral("mIcon")).toByteArray();
    if (!cursorFromIconFile(m_mouseIcon))
        m_mouseIcon.clear();
    QFont f;
    const QString fontText = bag.ReadProperty(QStringLiteral("Font")).toString();
    setFont(!fontText.isEmpty() && f.fromString(fontText) ? f : QFont());
    m_fore = color("cFore", ButtonText);
    m_back = color("cBack", containerBackColor());
    m_gradient = color("cGradient", ButtonFace);
    m_gradientMode = number("Gradient", 0, 0, 4);
    m_hoverLocks = number("LockHover", 0, 0, 3);
    m_hoverFore = color("cFHover", ButtonText);
    m_hoverBack = color("cBHover", m_back);
    applyHoverLocks();
    applyPointer();
    updateMask();
    updateGeometry();
    syncWithBase();
    changed();
}

void GlyphButton::WriteProperties(PropertyBag& bag) const
{
    bag.WriteProperty(QStringLiteral("BackStyle"), m_style, 0);
    bag.WriteProperty(QStringLiteral("Caption"), text(), QString());
    bag.WriteProperty(QStringLiteral("CapAlign"), m_captionAlign, 2);
    bag.WriteProperty(QStringLiteral("CapStyle"), m_captionStyle, 0);
    bag.WriteProperty(QStringLiteral("Shape"), m_shape, 0);
    bag.WriteProperty(QStringLiteral("Image"), pngBytes(m_picture), QByteArray());
    bag.WriteProperty(QStringLiteral("ImgAlign"), m_pictureAlign, 0);
    bag.WriteProperty(QStringLiteral("ImgSize"), m_picturePixels, 16);
    bag.WriteProperty(QStringLiteral("Enabled"), !testAttribute(Qt::WA_ForceDisabled), true);
    bag.WriteProperty(QStringLiteral("Focus"), m_showFocusRect, true);
    bag.WriteProperty(QStringLiteral("mPointer"), m_mousePointer, 0);
    bag.WriteProperty(QStringLiteral("mIcon"), m_mouseIcon, QByteArray());
    const QFont containerFont = parentWidget() ? parentWidget()->font() : QApplication::font(this);
    bag.WriteProperty(QStringLiteral("Font"), font().toString(), containerFont.toString());
    bag.WriteProperty(QStringLiteral("cFore"), m_fore, ButtonText);
    bag.WriteProperty(QStringLiteral("cBack"), m_back);  // always kept
    bag.WriteProperty(QStringLiteral("cGradient"), m_gradient, ButtonFace);
    bag.WriteProperty(QStringLiteral("Gradient"), m_gradientMode, 0);
    bag.WriteProperty(QStringLiteral("LockHover"), m_hoverLocks, 0);
    bag.WriteProperty(QStringLiteral("cFHover"), m_hoverFore, ButtonText);
    bag.WriteProperty(QStringLiteral("cBHover"), m_hoverBack, m_back);
}

QString GlyphButton::storeButtons(const QWidget& window)
{
    QString out;
    for (const GlyphButton* button : window.findChildren<GlyphButton*>()) {
        if (button->objectName().isEmpty())
            continue;
        PropertyBag bag;
        button->WriteProperties(bag);
        out += QLatin1Char('[') + button->objectName() + QStringLiteral("]\n") + bag.toText() + QLatin1Char('\n');
    }
    return out;
}

bool GlyphButton::loadButtons(QWidget& window, const QString& text, QString* error)
{
    QList<std::pair<GlyphButton*, QString>> sections;
    for (const QString& line : text.split(QLatin1Char('\n'))) {
        const QString t = line.trimmed();
        if (t.startsWith(QLatin1Char('[')) && t.endsWith(QLatin1Char(']'))) {
            const QString name = t.mid(1, t.size() - 2);
            auto* button = window.findChild<GlyphButton*>(name);
            if (!button) {
                if (error)
                    *error = QStringLiteral("no button named %1").arg(name);
                return false;
            }
            sections.append({button, QString()});
        } else if (!t.isEmpty()) {
            if (sections.isEmpty()) {
                if (error)
                    *error = QStringLiteral("property outside a button section: %1").arg(t);
                return false;
            }
            sections.last().second += t + QLatin1Char('\n');
        }
    }
    QList<std::pair<GlyphButton*, PropertyBag>> bags;
    for (const auto& [button, body] : sections) {
        auto bag = PropertyBag::fromText(body, error);
        if (!bag)
            return false;
        bags.append({button, *bag});
    }
    for (const auto& [button, bag] : bags)
        button->ReadProperties(bag);
    return true;
}
