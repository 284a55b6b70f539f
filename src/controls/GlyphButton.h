#pragma once
// The owner-drawn push button of the wizard window: eight face styles, seven outlines, gradients,
// captions with effects and an optional picture, with its own hover tracking. It is a QPushButton,
// so clicked(), text() and setText() work as on any button. Click mirrors clicked(), which comes
// only from the left button, Space, the access key, Enter or Escape, or click().

#include "controls/GlyphFace.h"

#include <QBasicTimer>
#include <QCursor>
#include <QPixmap>
#include <QPointer>
#include <QPushButton>

#include <functional>
#include <optional>

class PropertyBag;
class QMimeData;

// A colour as the button keeps it: 0x00RRGGBB, or with the top bit set a system colour whose
// index is in the low bits (0x8000000F button face, 0x80000012 button text).
using GlyphColor = quint32;

class GlyphButton : public QPushButton {
    Q_OBJECT
    Q_PROPERTY(GlyphFace::Style ButtonStyle READ ButtonStyle WRITE setButtonStyle)
    Q_PROPERTY(GlyphFace::Shape ButtonShape READ ButtonShape WRITE setButtonShape)
    Q_PROPERTY(GlyphFace::CaptionAlign CaptionAlign READ CaptionAlign WRITE setCaptionAlign)
    Q_PROPERTY(GlyphFace::CaptionStyle CaptionStyle READ CaptionStyle WRITE setCaptionStyle)
    Q_PROPERTY(QPixmap Picture READ Picture WRITE setPicture)
    Q_PROPERTY(GlyphFace::PictureAlign PictureAlign READ PictureAlign WRITE setPictureAlign)
    Q_PROPERTY(PictureSizeCode PictureSize READ PictureSize WRITE setPictureSize)
    Q_PROPERTY(bool ShowFocusRect READ ShowFocusRect WRITE setShowFocusRect)
    Q_PROPERTY(Pointer MousePointer READ MousePointer WRITE setMousePointer)
    Q_PROPERTY(QByteArray MouseIcon READ MouseIcon WRITE setMouseIcon DESIGNABLE false)
    Q_PROPERTY(int FontStyle READ FontStyle WRITE setFontStyle)
    Q_PROPERTY(QColor ForeColor READ foreQColor WRITE setForeQColor RESET resetForeColor)
    Q_PROPERTY(QColor BackColor READ backQColor WRITE setBackQColor RESET resetBackColor)
    Q_PROPERTY(QColor GradientColor READ gradientQColor WRITE setGradientQColor RESET resetGradientColor)
    Q_PROPERTY(GlyphFace::GradientMode GradientMode READ GradientMode WRITE setGradientMode)
    Q_PROPERTY(HoverLock HoverColorLocks READ HoverColorLocks WRITE setHoverColorLocks)
    Q_PROPERTY(QColor HoverForeColor READ hoverForeQColor WRITE setHoverForeQColor RESET resetHoverForeColor)
    Q_PROPERTY(QColor HoverBackColor READ hoverBackQColor WRITE setHoverBackQColor RESET resetHoverBackColor)
    Q_PROPERTY(bool ResetDefaultColors READ ResetDefaultColors WRITE setResetDefaultColors STORED false)
    Q_PROPERTY(bool Cancel READ Cancel WRITE setCancel)

public:
    // The codes of the button's own enumerated properties (the face's are GlyphFace's). They are
    // the numbers the properties hold and store; the setters take plain numbers and ignore codes
    // outside their range.
    // PictureSize code n is a picture of (n + 2) * 8 pixels.
    enum PictureSizeCode : int { PictureSize16, PictureSize24, PictureSize32, PictureSize40, PictureSize48 };
    Q_ENUM(PictureSizeCode)
    // Which hover colours are locked to their normal colours.
    enum HoverLock : int { HoverLockBoth, HoverLockFore, HoverLockBack, HoverLockNone };
    Q_ENUM(HoverLock)
    // Pointer shapes; PointerCustom shows MouseIcon.
    enum Pointer : int {
        PointerDefault, PointerArrow, PointerCross, PointerIBeam, PointerIcon, PointerSize,
        PointerSizeNESW, PointerSizeNS, PointerSizeNWSE, PointerSizeWE, PointerUpArrow, PointerHourglass,
        PointerNoDrop, PointerArrowHourglass, PointerArrowQuestion, PointerSizeAll, PointerCustom = 99
    };
    Q_ENUM(Pointer)

    static constexpr GlyphColor ButtonFace = 0x8000000F;
    static constexpr GlyphColor ButtonText = 0x80000012;
    static constexpr int HoverInterval = 50;  // ms between checks of the pointer while hovered
    static constexpr int CustomPointer = PointerCustom;

    explicit GlyphButton(QWidget* parent = nullptr);
    GlyphButton(const QString& caption, QWidget* parent);
    ~GlyphButton() override;

    // Out-of-range values are ignored; every accepted change redraws unless drawing is delayed.
    GlyphFace::Style ButtonStyle() const { return GlyphFace::Style(m_style); }
    void setButtonStyle(int style);
    QString Caption() const { return text(); }
    void setCaption(const QString& caption);
    GlyphFace::CaptionAlign CaptionAlign() const { return GlyphFace::CaptionAlign(m_captionAlign); }
    void setCaptionAlign(int align);
    GlyphFace::CaptionStyle CaptionStyle() const { return GlyphFace::CaptionStyle(m_captionStyle); }
    void setCaptionStyle(int style);
    GlyphFace::Shape ButtonShape() const { return GlyphFace::Shape(m_shape); }
    void setButtonShape(int shape);
    QPixmap Picture() const { return m_picture; }
    void setPicture(const QPixmap& picture);
    GlyphFace::PictureAlign PictureAlign() const { return GlyphFace::PictureAlign(m_pictureAlign); }
    void setPictureAlign(int align);
    PictureSizeCode PictureSize() const { return PictureSizeCode(m_picturePixels / 8 - 2); }
    void setPictureSize(int size);
    int picturePixels() const { return m_picturePixels; }
    bool ShowFocusRect() const { return m_showFocusRect; }
    void setShowFocusRect(bool show);
    Pointer MousePointer() const { return Pointer(m_mousePointer); }
    void setMousePointer(int pointer);
    // The bytes of an .ico or .cur file, or empty for none.
    QByteArray MouseIcon() const { return m_mouseIcon; }
    bool setMouseIcon(const QByteArray& iconFile);
    int FontStyle() const;  // 2 bold, 4 italic, 8 underline
    void setFontStyle(int style);
    GlyphColor ForeColor() const { return m_fore; }
    void setForeColor(GlyphColor color);
    GlyphColor BackColor() const { return m_back; }
    void setBackColor(GlyphColor color);
    GlyphColor GradientColor() const { return m_gradient; }
    void setGradientColor(GlyphColor color);
    GlyphFace::GradientMode GradientMode() const { return GlyphFace::GradientMode(m_gradientMode); }
    void setGradientMode(int mode);
    HoverLock HoverColorLocks() const { return HoverLock(m_hoverLocks); }
    void setHoverColorLocks(int locks);
    GlyphColor HoverForeColor() const { return m_hoverFore; }
    void setHoverForeColor(GlyphColor color);
    GlyphColor HoverBackColor() const { return m_hoverBack; }
    void setHoverBackColor(GlyphColor color);
    bool ResetDefaultColors() const { return false; }
    void setResetDefaultColors(bool reset);
    // Escape clicks a cancel button, as Enter clicks the default button.
    bool Cancel() const { return m_cancel; }
    void setCancel(bool cancel);
    // A key its owner answers for the button (a shortcut of the window's own, kept apart from the
    // caption so that the caption's text stays a plain word): its first letter in the caption is
    // drawn underlined, as an access key marked with "&" is. Registers no shortcut.
    QChar ownerAccessKey() const { return m_ownerAccessKey; }
    void setOwnerAccessKey(QChar key);

    QPaintDevice* hDC() { return &m_surface; }
    WId hWnd() const { return effectiveWinId(); }

    void Refresh();
    void DelayDrawing(bool delay);
    bool isDrawingDelayed() const { return m_delayDrawing; }

    // Designer hosting: design-time messages, the default-button look and ResetDefaultColors.
    void setDesignMode(bool designMode);
    bool isDesignMode() const { return m_designMode; }

    // Property storage with the window: the settings of a newly placed button, and the
    // counterparts of loading and saving through the window's property store.
    void InitProperties();
    void ReadProperties(const PropertyBag& bag);
    void WriteProperties(PropertyBag& bag) const;

    // Every GlyphButton on window, one "[objectName]" section each, and back.
    static QString storeButtons(const QWidget& window);
    static bool loadButtons(QWidget& window, const QString& text, QString* error = nullptr);

    // Focused, pressed and hovered bits as GlyphFace::State.
    int stateBits() const;
    GlyphCaption captionLayout() const { return GlyphFace::parseCaption(text()); }
    // The face as it would be drawn in the given state, with the current properties.
    QImage faceImage(int stateBits) const;
    static QColor resolveColor(GlyphColor color, const QPalette& palette);

    // Shows the design-time messages; the default shows an information box. Returns the old one.
    using MessageHandler = std::function<void(QWidget* button, const QString& text)>;
    static MessageHandler setMessageHandler(MessageHandler handler);

    // Starts a drag from the button: OLEStartDrag lets the caller fill the data, empty formats
    // are asked for through OLESetData, and OLECompleteDrag reports the outcome.
    void OLEDrag();

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    void MouseDown(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y);
    void MouseUp(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y);
    void MouseMove(Qt::MouseButtons button, Qt::KeyboardModifiers shift, int x, int y);
    void KeyDown(int keyCode, Qt::KeyboardModifiers shift);
    void KeyPress(int keyAscii);
    void KeyUp(int keyCode, Qt::KeyboardModifiers shift);
    void MouseOnButton(bool onButton);
    void Click();
    void DoubleClick(Qt::MouseButton button);
    void OLECompleteDrag(Qt::DropAction effect);
    // effect starts as the proposed action; a handler may change it, IgnoreAction refuses.
    void OLEDragDrop(const QMimeData* data, Qt::DropAction& effect, Qt::MouseButtons button,
                     Qt::KeyboardModifiers shift, int x, int y);
    // state: 0 entering, 1 leaving, 2 moving over.
    void OLEDragOver(const QMimeData* data, Qt::DropAction& effect, Qt::MouseButtons button,
                     Qt::KeyboardModifiers shift, int x, int y, int state);
    void OLEGiveFeedback(Qt::DropAction effect, bool defaultCursors);
    void OLESetData(QMimeData* data, const QString& dataFormat);
    void OLEStartDrag(QMimeData* data, Qt::DropActions& allowedEffects);

protected:
    bool event(QEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void changeEvent(QEvent* e) override;
    void timerEvent(QTimerEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void keyReleaseEvent(QKeyEvent* e) override;
    void focusInEvent(QFocusEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;
    void dragEnterEvent(QDragEnterEvent* e) override;
    void dragMoveEvent(QDragMoveEvent* e) override;
    void dragLeaveEvent(QDragLeaveEvent* e) override;
    void dropEvent(QDropEvent* e) override;
    bool hitButton(const QPoint& pos) const override;

private:
    QColor foreQColor() const { return resolveColor(m_fore, palette()); }
    void setForeQColor(const QColor& c) { setForeColor(c.rgb() & 0xFFFFFF); }
    void resetForeColor() { setForeColor(ButtonText); }
    QColor backQColor() const { return resolveColor(m_back, palette()); }
    void setBackQColor(const QColor& c) { setBackColor(c.rgb() & 0xFFFFFF); }
    void resetBackColor() { setBackColor(ButtonFace); }
    QColor gradientQColor() const { return resolveColor(m_gradient, palette()); }
    void setGradientQColor(const QColor& c) { setGradientColor(c.rgb() & 0xFFFFFF); }
    void resetGradientColor() { setGradientColor(ButtonFace); }
    QColor hoverForeQColor() const { return resolveColor(m_hoverFore, palette()); }
    void setHoverForeQColor(const QColor& c) { setHoverForeColor(c.rgb() & 0xFFFFFF); }
    void resetHoverForeColor() { setHoverForeColor(ButtonText); }
    QColor hoverBackQColor() const { return resolveColor(m_hoverBack, palette()); }
    void setHoverBackQColor(const QColor& c) { setHoverBackColor(c.rgb() & 0xFFFFFF); }
    void resetHoverBackColor() { setHoverBackColor(m_back); }

    // Value checks shared by the setters and by loading from the property bag.
    static bool validColor(GlyphColor c);
    static bool validPointer(int pointer);
    static std::optional<QCursor> cursorFromIconFile(const QByteArray& data);

    void changed();
    void setColor(GlyphColor& slot, GlyphColor color);
    void renderSurface();
    GlyphFace face() const;
    int drawnState() const;
    void applyHoverLocks();
    void applyPointer();
    void updateMask();
    void syncWithBase();
    void watchWindow();
    void startHover();
    void endHover(bool raise);
    void showMessage(const QString& text);
    GlyphColor containerBackColor() const;
    QColor containerColor() const;
    bool isInside(const QPoint& pos) const;
    void relayDragOver(QDragMoveEvent* e, int state);

    int m_style = 0;
    int m_shape = 0;
    int m_captionAlign = 2;
    int m_captionStyle = 0;
    QPixmap m_picture;
    int m_pictureAlign = 0;
    int m_picturePixels = 16;
    bool m_showFocusRect = true;
    int m_mousePointer = 0;
    QByteArray m_mouseIcon;
    GlyphColor m_fore = ButtonText;
    GlyphColor m_back = ButtonFace;
    GlyphColor m_gradient = ButtonFace;
    int m_gradientMode = 0;
    int m_hoverLocks = 0;
    GlyphColor m_hoverFore = ButtonText;
    GlyphColor m_hoverBack = ButtonFace;
    bool m_cancel = false;
    QChar m_ownerAccessKey;

    int m_state = 0;             // GlyphFace::Focused and Hovered; pressed is isDown()
    bool m_hovering = false;
    QBasicTimer m_hoverTimer;
    bool m_delayDrawing = false;
    bool m_designMode = false;
    bool m_captionFollowsName = false;
    QString m_nameShown;         // the object name the caption follows while it is unchanged

    // The off-screen face and what it was drawn for.
    QPixmap m_surface;
    bool m_surfaceValid = false;
    int m_surfaceState = -1;
    QString m_surfaceCaption;

    // Keyboard: the caption whose access key is registered, and the window whose Enter and
    // Escape keys reach a default or cancel button.
    QString m_syncedCaption;
    QPointer<QWidget> m_watchedWindow;
    QPointer<const QMimeData> m_dragData;
};
