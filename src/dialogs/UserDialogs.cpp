#include "dialogs/UserDialogs.h"

#include <QColorDialog>
#include <QDialog>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>

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
