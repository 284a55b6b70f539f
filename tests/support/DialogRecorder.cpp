#include "DialogRecorder.h"

#include <QCoreApplication>
#include <QDialog>

#include <gtest/gtest.h>

namespace qmtest {

DialogRecorder::DialogRecorder()
{
    UserDialogs::install(this);
}

DialogRecorder::~DialogRecorder()
{
    UserDialogs::install(nullptr);
}

QStringList DialogRecorder::texts() const
{
    QStringList list;
    for (const RecordedMessage& m : messages)
        list << m.text;
    return list;
}

void DialogRecorder::clear()
{
    messages.clear();
    prompts.clear();
    modals.clear();
}

MessageAnswer DialogRecorder::message(QWidget*, const QString& text, MessageIcon icon,
                                      MessageButtons buttons, const QString& title)
{
    messages.append({text, icon, buttons, title});
    if (buttons == MessageButtons::Ok)
        return MessageAnswer::Ok;
    if (answers.empty()) {
        ADD_FAILURE() << "unscripted question: " << text.toStdString();
        return MessageAnswer::No;
    }
    const MessageAnswer answer = answers.front();
    answers.pop_front();
    return answer;
}

std::optional<QString> DialogRecorder::input(QWidget*, const QString& prompt, const QString&,
                                             const QString&)
{
    prompts.append(prompt);
    if (inputs.empty()) {
        ADD_FAILURE() << "unscripted input box: " << prompt.toStdString();
        return std::nullopt;
    }
    auto answer = inputs.front();
    inputs.pop_front();
    return answer;
}

QString DialogRecorder::openFileName(QWidget*, const QString& caption, const QString&, const QString&)
{
    prompts.append(caption);
    if (fileNames.empty())
        return {};
    QString name = fileNames.front();
    fileNames.pop_front();
    return name;
}

QString DialogRecorder::saveFileName(QWidget* parent, const QString& caption, const QString& dir,
                                     const QString& filter)
{
    return openFileName(parent, caption, dir, filter);
}

std::optional<QColor> DialogRecorder::color(QWidget*, const QColor&)
{
    if (colors.empty())
        return std::nullopt;
    auto chosen = colors.front();
    colors.pop_front();
    return chosen;
}

int DialogRecorder::exec(QDialog& dialog)
{
    modals.append(dialog.objectName());
    if (auto handler = modalHandlers.value(dialog.objectName()))
        return handler(dialog);
    dialog.show();
    QCoreApplication::processEvents();
    if (dialog.isVisible())
        dialog.reject();
    return dialog.result();
}

}  // namespace qmtest
