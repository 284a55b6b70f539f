#include "controls/GlyphButton.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionButton>
#include <QtEndian>

// The button's properties, painting and input. Storing the properties through the property bag
// is in GlyphButton_storage.cpp, drag and drop in GlyphButton_dragdrop.cpp.

namespace {

const QString kCaptionAlignMessage = QStringLiteral(
    "When button images are aligned top/bottom center, \nbutton captions can only be center aligned");
const QString kFocusRectMessage = QStringLiteral(
    "The focus rectangle may appear on default buttons ONLY while in design mode, \n"
    "but will not appear when the form is running.");
const QString kMouseIconMessage = QStringLiteral("Select .ico Or .cur Files Only");

GlyphButton::MessageHandler& messageHandler()
{
    static GlyphButton::MessageHandler handler = [](QWidget* button, const QString& text) {
        QMessageBox::information(button ? button->window() : nullptr, QGuiApplication::applicationDisplayName(), text);
    };
    return handler;
}

}  // namespace

GlyphButton::GlyphButton(QWidget* parent)
    : QPushButton(parent)
{
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    connect(this, &QAbstractButton::clicked, this, [this] { emit Click(); });
    connect(this, &QObject::objectNameChanged, this, [this](const QString& name) {
        if (m_captionFollowsName && text() == m_nameShown) {
            m_nameShown = name;
            setCaption(name);
        }
    });
    watchWindow();
}

GlyphButton::GlyphButton(const QString& caption, QWidget* parent)
    : GlyphButton(parent)
{
    setText(caption);
}

GlyphButton::~GlyphButton()
{
    m_hoverTimer.stop();
}

// ---- properties --------------------------------------------------------------------------------

bool GlyphButton::validColor(GlyphColor c)
{
    return (c & 0x80000000u) ? (c & 0x7FFFFFFFu) <= 30 : c <= 0xFFFFFFu;
}

bool GlyphButton::validPointer(int pointer)
{
    return (pointer >= 0 && pointer <= 15) || pointer == CustomPointer;
}

// An icon or cursor file as a pointer: the file must say it is one (type 1 or 2) and load as an
// image. Cursors carry their hot spot in the first directory entry; icons point from their centre.
std::optional<QCursor> GlyphButton::cursorFromIconFile(const QByteArray& data)
{
    if (data.size() < 22)
        return std::nullopt;
    auto word = [&](int at) { return qFromLittleEndian<quint16>(data.constData() + at); };
    const quint16 type = word(2), count = word(4);
    if (word(0) != 0 || (type != 1 && type != 2) || count == 0 || data.size() < 6 + 16 * count)
        return std::nullopt;
    QImage image;
    if (!image.loadFromData(data, "ICO") || image.isNull())
        return std::nullopt;
    const QPixmap pixmap = QPixmap::fromImage(image);
    if (type == 2)
        return QCursor(pixmap, std::min<int>(word(10), image.width() - 1), std::min<int>(word(12), image.height() - 1));
    return QCursor(pixmap, image.width() / 2, image.height() / 2);
}

void GlyphButton::setButtonStyle(int style)
{
    if (style < 0 || style > 7)
        return;
    m_style = style;
    changed();
}

void GlyphButton::setCaption(const QString& caption)
{
    setText(caption);
    syncWithBase();
    changed();
}

void GlyphButton::setCaptionAlign(int align)
{
    if (align < 0 || align > 2)
        return;
    if (m_pictureAlign >= GlyphFace::PictureAboveCaption && !m_picture.isNull() && align != 2) {
        if (m_designMode)
            showMessage(kCaptionAlignMessage);
        return;
    }
    m_captionAlign = align;
    changed();
}

void GlyphButton::setCaptionStyle(int style)
{
    if (style < 0 || style > 2)
        return;
    m_captionStyle = style;
    changed();
}

void GlyphButton::setButtonShape(int shape)
{
    if (shape < 0 || shape > 6)
        return;
    m_shape = shape;
    if (shape == GlyphFace::ShapeHexagon)
        m_captionAlign = 2;
    updateMask();
    updateGeometry();
    changed();
}

void GlyphButton::setPicture(const QPixmap& picture)
{
    m_picture = picture;
    updateGeometry();
    changed();
}

void GlyphButton::setPictureAlign(int align)
{
    if (align < 0 || align > 5)
        return;
    m_pictureAlign = align;
    if (align >= GlyphFace::PictureAboveCaption)
        m_captionAlign = 2;
    updateGeometry();
    changed();
}

void GlyphButton::setPictureSize(int size)
{
    if (size < 0 || size > 4)
        return;
    m_picturePixels = (size + 2) * 8;
    updateGeometry();
    changed();
}

// A default button shows the focus look only while its window is designed, so changing the focus
// rectangle of one says so at design time and drops a focus look left from before at run time.
void GlyphButton::setShowFocusRect(bool show)
{
    const bool changing = show != m_showFocusRect;
    m_showFocusRect = show;
    if (changing && isDefault()) {
        if (m_designMode)
            showMessage(kFocusRectMessage);
        else
            m_state &= ~GlyphFace::Focused;
    }
    changed();
}

void GlyphButton::setMousePointer(int pointer)
{
    if (!validPointer(pointer))
        return;
    m_mousePointer = pointer;
    applyPointer();
}

bool GlyphButton::setMouseIcon(const QByteArray& iconFile)
{
    if (!iconFile.isEmpty() && !cursorFromIconFile(iconFile)) {
        showMessage(kMouseIconMessage);
        return false;
    }
    m_mouseIcon = iconFile;
    if (!iconFile.isEmpty())
        m_mousePointer = CustomPointer;
    applyPointer();
    return true;
}

int GlyphButton::FontStyle() const
{
    const QFont f = font();
    return (f.bold() ? 2 : 0) | (f.italic() ? 4 : 0) | (f.underline() ? 8 : 0);
}

void GlyphButton::setFontStyle(int style)
{
    if (style & ~14)
        return;
    QFont f = font();
    f.setBold(style & 2);
    f.setItalic(style & 4);
    f.setUnderline(style & 8);
    setFont(f);
}

// Every colour setter: an invalid colour is ignored, and locked hover colours follow.
void GlyphButton::setColor(GlyphColor& slot, GlyphColor color)
{
    if (!validColor(color))
        return;
    slot = color;
    applyHoverLocks();
    changed();
}

void GlyphButton::setForeColor(GlyphColor color) { setColor(m_fore, color); }
void GlyphButton::setBackColor(GlyphColor color) { setColor(m_back, color); }
void GlyphButton::setGradientColor(GlyphColor color) { setColor(m_gradient, color); }
void GlyphButton::setHoverForeColor(GlyphColor color) { setColor(m_hoverFore, color); }
void GlyphButton::setHoverBackColor(GlyphColor color) { setColor(m_hoverBack, color); }

void GlyphButton::setGradientMode(int mode)
{
    if (mode < 0 || mode > 4)
        return;
    m_gradientMode = mode;
    applyHoverLocks();
    changed();
}

void GlyphButton::setHoverColorLocks(int locks)
{
    if (locks < 0 || locks > 3)
        return;
    m_hoverLocks = locks;
    applyHoverLocks();
    changed();
}

// A locked hover colour is its normal colour: 0 locks both, 1 the text, 2 the face, 3 neither.
// The face follows GradientColor while a gradient is shown.
void GlyphButton::applyHoverLocks()
{
    if (m_hoverLocks == 0 || m_hoverLocks == 1)
        m_hoverFore = m_fore;
    if (m_hoverLocks == 0 || m_hoverLocks == 2)
        m_hoverBack = m_gradientMode ? m_gradient : m_back;
}

void GlyphButton::setResetDefaultColors(bool reset)
{
    if (!reset || !m_designMode)
        return;
    m_back = m_gradient = m_hoverBack = ButtonFace;
    m_fore = m_hoverFore = ButtonText;
    applyHoverLocks();
    changed();
}

void GlyphButton::setOwnerAccessKey(QChar key)
{
    m_ownerAccessKey = key;
    changed();
}

void GlyphButton::setCancel(bool cancel)
{
    m_cancel = cancel;
}

void GlyphButton::setDesignMode(bool designMode)
{
    m_designMode = designMode;
    changed();
}

void GlyphButton::applyPointer()
{
    static const Qt::CursorShape shapes[16] = {
        Qt::ArrowCursor, Qt::ArrowCursor, Qt::CrossCursor, Qt::IBeamCursor, Qt::ArrowCursor,
        Qt::SizeAllCursor, Qt::SizeBDiagCursor, Qt::SizeVerCursor, Qt::SizeFDiagCursor, Qt::SizeHorCursor,
        Qt::UpArrowCursor, Qt::WaitCursor, Qt::ForbiddenCursor, Qt::BusyCursor, Qt::WhatsThisCursor,
        Qt::SizeAllCursor};
    if (m_mousePointer == CustomPointer) {
        if (auto cursor = cursorFromIconFile(m_mouseIcon))
            setCursor(*cursor);
        else
            unsetCursor();
    } else if (m_mousePointer > 0) {
        setCursor(shapes[m_mousePointer]);
    } else {
        unsetCursor();
    }
}

QColor GlyphButton::resolveColor(GlyphColor color, const QPalette& palette)
{
    if (!(color & 0x80000000u))
        return QColor::fromRgb(QRgb(0xFF000000u | (color & 0xFFFFFFu)));
    // The system colour indexes, in their usual order, as palette roles.
    struct Role {
        QPalette::ColorGroup group;
        QPalette::ColorRole role;
    };
    static const Role roles[31] = {
        {QPalette::Active, QPalette::Midlight}, {QPalette::Active, QPalette::Dark},
        {QPalette::Active, QPalette::Highlight}, {QPalette::Inactive, QPalette::Mid},
        {QPalette::Active, QPalette::Window}, {QPalette::Active, QPalette::Base},
        {QPalette::Active, QPalette::Shadow}, {QPalette::Active, QPalette::WindowText},
        {QPalette::Active, QPalette::Text}, {QPalette::Active, QPalette::HighlightedText},
        {QPalette::Active, QPalette::Button}, {QPalette::Inactive, QPalette::Button},
        {QPalette::Active, QPalette::Mid}, {QPalette::Active, QPalette::Highlight},
        {QPalette::Active, QPalette::HighlightedText}, {QPalette::Active, QPalette::Button},
        {QPalette::Active, QPalette::Dark}, {QPalette::Disabled, QPalette::Text},
        {QPalette::Active, QPalette::ButtonText}, {QPalette::Disabled, QPalette::WindowText},
        {QPalette::Active, QPalette::Light}, {QPalette::Active, QPalette::Shadow},
        {QPalette::Active, QPalette::Midlight}, {QPalette::Active, QPalette::ToolTipText},
        {QPalette::Active, QPalette::ToolTipBase}, {QPalette::Active, QPalette::Button},
        {QPalette::Active, QPalette::Link}, {QPalette::Active, QPalette::Highlight},
        {QPalette::Inactive, QPalette::Mid}, {QPalette::Active, QPalette::Highlight},
        {QPalette::Active, QPalette::Window}};
    const quint32 index = color & 0x7FFFFFFFu;
    const Role r = index <= 30 ? roles[index] : Role{QPalette::Active, QPalette::Button};
    return palette.color(r.group, r.role);
}

GlyphColor GlyphButton::containerBackColor() const
{
    const QWidget* parent = parentWidget();
    if (!parent)
        return ButtonFace;
    const QColor c = parent->palette().color(parent->backgroundRole());
    if (c == QApplication::palette(parent).color(parent->backgroundRole()))
        return ButtonFace;
    return c.rgb() & 0xFFFFFFu;
}

QColor GlyphButton::containerColor() const
{
    const QWidget* parent = parentWidget();
    return parent ? parent->palette().color(parent->backgroundRole()) : palette().color(QPalette::Window);
}

GlyphButton::MessageHandler GlyphButton::setMessageHandler(MessageHandler handler)
{
    MessageHandler old = messageHandler();
    messageHandler() = std::move(handler);
    return old;
}

void GlyphButton::showMessage(const QString& text)
{
    if (messageHandler())
        messageHandler()(this, text);
}

// ---- drawing -----------------------------------------------------------------------------------

int GlyphButton::stateBits() const
{
    return (m_state & (GlyphFace::Focused | GlyphFace::Hovered)) | (isDown() ? GlyphFace::Pressed : 0);
}

// While designed, the window's default button wears the focus look.
int GlyphButton::drawnState() const
{
    return stateBits() | (m_designMode && isDefault() ? GlyphFace::Focused : 0);
}

GlyphFace GlyphButton::face() const
{
    const QPalette& pal = palette();
    GlyphFace f;
    f.style = m_style;
    f.shape = m_shape;
    f.gradientMode = m_gradientMode;
    f.captionStyle = m_captionStyle;
    f.captionAlign = m_captionAlign;
    f.pictureAlign = m_pictureAlign;
    f.pictureSize = m_picturePixels;
    f.back = resolveColor(m_back, pal);
    f.gradient = resolveColor(m_gradient, pal);
    f.fore = resolveColor(m_fore, pal);
    f.hoverBack = resolveColor(m_hoverBack, pal);
    f.hoverFore = resolveColor(m_hoverFore, pal);
    f.container = containerColor();
    f.highlight = pal.color(QPalette::Active, QPalette::Highlight);
    f.disabledText = pal.color(QPalette::Disabled, QPalette::ButtonText);
    f.paletteFace = (m_back & 0x80000000u) && (m_hoverBack & 0x80000000u);
    f.paletteLight = pal.color(QPalette::Light);
    f.paletteMidlight = pal.color(QPalette::Midlight);
    f.paletteDark = pal.color(QPalette::Dark);
    f.paletteShadow = pal.color(QPalette::Shadow);
    f.caption = text();
    f.font = font();
    f.picture = m_picture;
    f.enabled = isEnabled();
    f.showFocusRect = m_showFocusRect;
    f.designMode = m_designMode;
    f.underlineAccessKey = style()->styleHint(QStyle::SH_UnderlineShortcut, nullptr, this) != 0;
    f.ownerAccessKey = m_ownerAccessKey;
    return f;
}

QImage GlyphButton::faceImage(int stateBits) const
{
    if (size().isEmpty())
        return {};
    QImage image(size(), QImage::Format_ARGB32_Premultiplied);
    QPainter p(&image);
    face().paint(p, rect(), stateBits);
    return image;
}

void GlyphButton::changed()
{
    if (m_delayDrawing)
        return;
    m_surfaceValid = false;
    update();
}

void GlyphButton::renderSurface()
{
    m_surfaceValid = true;
    m_surfaceState = drawnState();
    m_surfaceCaption = text();
    if (size().isEmpty()) {
        m_surface = QPixmap();
        return;
    }
    const qreal dpr = devicePixelRatioF();
    m_surface = QPixmap(size() * dpr);
    m_surface.setDevicePixelRatio(dpr);
    QPainter p(&m_surface);
    face().paint(p, rect(), m_surfaceState);
}

void GlyphButton::Refresh()
{
    renderSurface();
    repaint();
}

void GlyphButton::DelayDrawing(bool delay)
{
    m_delayDrawing = delay;
    if (!delay) {
        renderSurface();
        update();
    }
}

// The face is drawn off-screen and copied to the window in one step.
void GlyphButton::paintEvent(QPaintEvent*)
{
    if (!m_surfaceValid || m_surface.deviceIndependentSize().toSize() != size() || m_surfaceState != drawnState()
        || (m_surfaceCaption != text() && !m_delayDrawing))
        renderSurface();
    QPainter p(this);
    p.drawPixmap(0, 0, m_surface);
}

void GlyphButton::updateMask()
{
    if (m_shape == GlyphFace::ShapeRectangle || size().isEmpty())
        clearMask();
    else
        setMask(GlyphFace::region(m_shape, size()));
}

void GlyphButton::resizeEvent(QResizeEvent* e)
{
    QPushButton::resizeEvent(e);
    updateMask();
    m_surfaceValid = false;
}

QSize GlyphButton::sizeHint() const
{
    ensurePolished();
    QStyleOptionButton option;
    initStyleOption(&option);
    QSize s = style()->sizeFromContents(QStyle::CT_PushButton, &option, face().contentSize(), this);
    if (m_shape == GlyphFace::ShapeHexagon || m_shape == GlyphFace::ShapeOval || m_shape == GlyphFace::ShapeCapsule)
        s.rwidth() += s.height();
    return s;
}

QSize GlyphButton::minimumSizeHint() const
{
    return sizeHint();
}

// ---- events ------------------------------------------------------------------------------------

// Captions set through QPushButton::setText bypass setCaption, and Qt takes the first single "&"
// as the access key; every event first registers the character after the last one instead.
void GlyphButton::syncWithBase()
{
    if (text() == m_syncedCaption)
        return;
    m_syncedCaption = text();
    const QChar key = captionLayout().accessKey();
    setShortcut(key.isNull() ? QKeySequence() : QKeySequence::mnemonic(QStringLiteral("&") + key));
    updateGeometry();
}

// Enter and Escape reach the window when the focused control leaves them unused, as a dialog's
// default button gets them; a shown window is watched again in case the button moved to another.
void GlyphButton::watchWindow()
{
    QWidget* w = window();
    if (w == m_watchedWindow)
        return;
    if (m_watchedWindow)
        m_watchedWindow->removeEventFilter(this);
    m_watchedWindow = w != this ? w : nullptr;
    if (m_watchedWindow)
        m_watchedWindow->installEventFilter(this);
}

bool GlyphButton::eventFilter(QObject* watched, QEvent* e)
{
    if (watched == m_watchedWindow && e->type() == QEvent::KeyPress && !m_designMode && isEnabled() && isVisible()) {
        const auto* key = static_cast<QKeyEvent*>(e);
        const bool plain = (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
        const bool enter = (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) && isDefault();
        const bool escape = key->key() == Qt::Key_Escape && m_cancel;
        if (plain && !key->isAutoRepeat() && (enter || escape)) {
            animateClick();
            return true;
        }
    }
    return QPushButton::eventFilter(watched, e);
}

bool GlyphButton::event(QEvent* e)
{
    syncWithBase();
    if (e->type() == QEvent::Show || e->type() == QEvent::ParentChange)
        watchWindow();
    return QPushButton::event(e);
}

void GlyphButton::changeEvent(QEvent* e)
{
    switch (e->type()) {
    case QEvent::EnabledChange:
        if (!isEnabled()) {
            // A disabled button raises nothing, not even the end of its hover.
            if (m_hovering)
                endHover(false);
            m_state = 0;
        }
        changed();
        break;
    case QEvent::FontChange:
        updateGeometry();
        changed();
        break;
    case QEvent::PaletteChange:
    case QEvent::ParentChange:
    case QEvent::StyleChange:
        changed();
        break;
    default:
        break;
    }
    QPushButton::changeEvent(e);
}

bool GlyphButton::isInside(const QPoint& pos) const
{
    return rect().contains(pos) && (mask().isEmpty() || mask().contains(pos));
}

bool GlyphButton::hitButton(const QPoint& pos) const
{
    return isInside(pos);
}

void GlyphButton::startHover()
{
    m_hovering = true;
    m_state |= GlyphFace::Hovered;
    emit MouseOnButton(true);
    m_hoverTimer.start(HoverInterval, Qt::PreciseTimer, this);
    update();
}

void GlyphButton::endHover(bool raise)
{
    m_hoverTimer.stop();
    m_state &= ~GlyphFace::Hovered;
    m_hovering = false;
    m_delayDrawing = false;
    if (raise)
        emit MouseOnButton(false);
    m_surfaceValid = false;
    update();
}

// The hover ends at the first check that finds another window, or none, under the pointer.
void GlyphButton::timerEvent(QTimerEvent* e)
{
    if (e->timerId() != m_hoverTimer.timerId()) {
        QPushButton::timerEvent(e);
        return;
    }
    if (QApplication::widgetAt(QCursor::pos()) != this)
        endHover(true);
}

void GlyphButton::mousePressEvent(QMouseEvent* e)
{
    if (e->button() == Qt::LeftButton)
        QPushButton::mousePressEvent(e);  // pressed look; the press grabs the mouse
    e->accept();
    const QPoint pos = e->position().toPoint();
    emit MouseDown(e->button(), e->modifiers(), pos.x(), pos.y());
}

void GlyphButton::mouseReleaseEvent(QMouseEvent* e)
{
    const QPoint pos = e->position().toPoint();
    emit MouseUp(e->button(), e->modifiers(), pos.x(), pos.y());
    if (e->button() == Qt::LeftButton)
        QPushButton::mouseReleaseEvent(e);  // releases the look and clicks when over the button
    e->accept();
}

void GlyphButton::mouseDoubleClickEvent(QMouseEvent* e)
{
    emit DoubleClick(e->button());
    if (e->button() == Qt::LeftButton)
        mousePressEvent(e);
    e->accept();
}

void GlyphButton::mouseMoveEvent(QMouseEvent* e)
{
    QPushButton::mouseMoveEvent(e);  // keeps the pressed look in step with the pointer
    const QPoint pos = e->position().toPoint();
    if (!m_hovering && isInside(pos))
        startHover();
    emit MouseMove(e->buttons(), e->modifiers(), pos.x(), pos.y());
    e->accept();
}

void GlyphButton::keyPressEvent(QKeyEvent* e)
{
    switch (e->key()) {
    case Qt::Key_Right:
    case Qt::Key_Down:
        focusNextChild();
        return;
    case Qt::Key_Left:
    case Qt::Key_Up:
        focusPreviousChild();
        return;
    case Qt::Key_Shift:
        return;
    default:
        break;
    }
    emit KeyDown(e->key(), e->modifiers());
    for (QChar c : e->text())
        emit KeyPress(c.unicode());
    if (e->key() == Qt::Key_Space)
        QPushButton::keyPressEvent(e);  // pressed look
    else
        e->ignore();
}

void GlyphButton::keyReleaseEvent(QKeyEvent* e)
{
    switch (e->key()) {
    case Qt::Key_Right:
    case Qt::Key_Down:
    case Qt::Key_Left:
    case Qt::Key_Up:
    case Qt::Key_Shift:
        return;
    default:
        break;
    }
    if (e->isAutoRepeat()) {
        e->ignore();
        return;
    }
    if (e->key() == Qt::Key_Space)
        QPushButton::keyReleaseEvent(e);  // releases the look and clicks after a Space press
    else
        e->ignore();
    emit KeyUp(e->key(), e->modifiers());
}

void GlyphButton::focusInEvent(QFocusEvent* e)
{
    QPushButton::focusInEvent(e);
    m_state |= GlyphFace::Focused;
    update();
}

void GlyphButton::focusOutEvent(QFocusEvent* e)
{
    QPushButton::focusOutEvent(e);
    m_state = 0;
    update();
}
