#include "dialogs/UserDialogs.h"

#include <QColorDialog>
#include <QDialog>
#include <QFileDialog>
#include <QInputDialog>
#include <QIcon>
#include <QMessageBox>
#include <QPainter>
#include <QPainterPath>
#include <QStyle>

namespace {

UserDialogs* g_installed = nullptr;

QMessageBox::Icon toQtIcon(MessageIcon icon)
{
    switch (icon) {
    case MessageIcon::Exclamation: return QMessageBox::Warning;
    case MessageIcon::Information: return QMessageBox::Information;
    case MessageIcon::Critical: return QMessageBox::Critical;
    case MessageIcon::Question: return QMessageBox::Question;
    case MessageIcon::None: break;
    }
    return QMessageBox::NoIcon;
}

// The picture of a message box at the screen's pixel density: the desktop theme's icon when there is
// one, else one painted here. The style's own pictures are small bitmaps that blur when scaled up.
QPixmap messagePicture(MessageIcon icon, const QWidget& box)
{
    const char* themeName = icon == MessageIcon::Exclamation ? "dialog-warning"
                          : icon == MessageIcon::Information ? "dialog-information"
                          : icon == MessageIcon::Critical    ? "dialog-error"
                                                             : "dialog-question";
    const int size = box.style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, &box);
    const qreal dpr = box.devicePixelRatioF();
    const QIcon themed = QIcon::fromTheme(QString::fromLatin1(themeName));
    if (!themed.isNull())
        return themed.pixmap(QSize(size, size), dpr);

    QPixmap picture(QSize(size, size) * dpr);
    picture.setDevicePixelRatio(dpr);
    picture.fill(Qt::transparent);
    QPainter p(&picture);
    p.setRenderHint(QPainter::Antialiasing);
    const double s = size;
    const QRectF disc(s * 0.04, s * 0.04, s * 0.92, s * 0.92);
    QPen mark(Qt::white, s * 0.12, Qt::SolidLine, Qt::RoundCap);
    switch (icon) {
    case MessageIcon::Exclamation: {
        QPainterPath triangle;
        triangle.moveTo(s * 0.5, s * 0.06);
        triangle.lineTo(s * 0.96, s * 0.9);
        triangle.lineTo(s * 0.04, s * 0.9);
        triangle.closeSubpath();
        p.setPen(QPen(QColor(0xE0, 0x9A, 0x00), s * 0.06, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.setBrush(QColor(0xF5, 0xB8, 0x00));
        p.drawPath(triangle);
        mark.setColor(QColor(0x30, 0x24, 0x00));
        p.setPen(mark);
        p.drawLine(QPointF(s * 0.5, s * 0.36), QPointF(s * 0.5, s * 0.6));
        p.drawPoint(QPointF(s * 0.5, s * 0.76));
        break;
    }
    case MessageIcon::Critical:
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0xD6, 0x35, 0x35));
        p.drawEllipse(disc);
        p.setPen(mark);
        p.drawLine(QPointF(s * 0.34, s * 0.34), QPointF(s * 0.66, s * 0.66));
        p.drawLine(QPointF(s * 0.66, s * 0.34), QPointF(s * 0.34, s * 0.66));
        break;
    case MessageIcon::Information:
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0x2F, 0x7B, 0xD6));
        p.drawEllipse(disc);
        p.setPen(mark);
        p.drawPoint(QPointF(s * 0.5, s * 0.28));
        p.drawLine(QPointF(s * 0.5, s * 0.46), QPointF(s * 0.5, s * 0.74));
        break;
    case MessageIcon::Question:
    case MessageIcon::None: {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0x2F, 0x7B, 0xD6));
        p.drawEllipse(disc);
        QFont font = box.font();
        font.setBold(true);
        font.setPixelSize(int(s * 0.62));
        p.setFont(font);
        p.setPen(Qt::white);
        p.drawText(disc, Qt::AlignCenter, QStringLiteral("?"));
        break;
    }
    }
    return picture;
}

}  // namespace

UserDialogs& UserDialogs::current()
{
    static QtUserDialogs real;
    return g_installed ? *g_installed : real;
}

void UserDialogs::install(UserDialogs* dialogs)
{
    g_installed = dialogs;
}

MessageAnswer showMessage(QWidget* parent, const QString& text, MessageIcon icon,
                          MessageButtons buttons, const QString& title)
{
    return UserDialogs::current().message(parent, text, icon, buttons, title);
}

MessageAnswer QtUserDialogs::message(QWidget* parent, const QString& text, MessageIcon icon,
                                     MessageButtons buttons, const QString& title)
{
    QMessageBox box(toQtIcon(icon), title.isEmpty() ? kApplicationTitle : title, text,
                    buttons == MessageButtons::YesNo ? QMessageBox::Yes | QMessageBox::No
                                                     : QMessageBox::Ok,
                    parent);
    if (icon != MessageIcon::None)
        box.setIconPixmap(messagePicture(icon, box));
    const int answer = box.exec();
    if (buttons == MessageButtons::Ok)
        return MessageAnswer::Ok;
    return answer == QMessageBox::Yes ? MessageAnswer::Yes : MessageAnswer::No;
}

std::optional<QString> QtUserDialogs::input(QWidget* parent, const QString& prompt,
                                            const QString& title, const QString& defaultText)
{
    bool ok = false;
    const QString text = QInputDialog::getText(parent, title.isEmpty() ? kApplicationTitle : title,
                                               prompt, QLineEdit::Normal, defaultText, &ok);
    if (!ok)
        return std::nullopt;
    return text;
}

QString QtUserDialogs::openFileName(QWidget* parent, const QString& caption, const QString& dir,
                                    const QString& filter)
{
    return QFileDialog::getOpenFileName(parent, caption, dir, filter);
}

QString QtUserDialogs::saveFileName(QWidget* parent, const QString& caption, const QString& dir,
                                    const QString& filter)
{
    return QFileDialog::getSaveFileName(parent, caption, dir, filter);
}

std::optional<QColor> QtUserDialogs::color(QWidget* parent, const QColor& initial)
{
    const QColor chosen = QColorDialog::getColor(initial, parent);
    if (!chosen.isValid())
        return std::nullopt;
    return chosen;
}

int QtUserDialogs::exec(QDialog& dialog)
{
    return dialog.exec();
}
