#pragma once
// Stands in for the real dialogs while it lives: keeps every message, input box, file and colour
// dialog and modal window the program shows, and answers them from a script. A question or input
// box nobody scripted fails the test, so unexpected prompts never pass unnoticed.

#include "QtPrinters.h"
#include "dialogs/UserDialogs.h"

#include <QHash>
#include <QList>
#include <QStringList>

#include <deque>
#include <functional>

namespace qmtest {

struct RecordedMessage {
    QString text;
    MessageIcon icon = MessageIcon::None;
    MessageButtons buttons = MessageButtons::Ok;
    QString title;  // as the program passed it; empty means the application title
};

class DialogRecorder : public UserDialogs {
public:
    DialogRecorder();
    ~DialogRecorder() override;

    // Scripted answers, taken front first.
    std::deque<MessageAnswer> answers;           // for Yes/No questions
    std::deque<std::optional<QString>> inputs;   // for input boxes; nothing = Cancel
    std::deque<QString> fileNames;               // for file dialogs; empty = Cancel
    std::deque<std::optional<QColor>> colors;    // for the colour dialog; nothing = Cancel
    // Handles modal windows, by the window's object name; without a handler the window is shown,
    // events are processed once and it is closed with Rejected.
    QHash<QString, std::function<int(QDialog&)>> modalHandlers;

    // What was shown.
    QList<RecordedMessage> messages;
    QStringList prompts;      // input-box prompts
    QStringList modals;       // object names of modal windows
    QStringList texts() const;
    void clear();

    MessageAnswer message(QWidget* parent, const QString& text, MessageIcon icon,
                          MessageButtons buttons, const QString& title) override;
    std::optional<QString> input(QWidget* parent, const QString& prompt, const QString& title,
                                 const QString& defaultText) override;
    QString openFileName(QWidget* parent, const QString& caption, const QString& dir,
                         const QString& filter) override;
    QString saveFileName(QWidget* parent, const QString& caption, const QString& dir,
                         const QString& filter) override;
    std::optional<QColor> color(QWidget* parent, const QColor& initial) override;
    int exec(QDialog& dialog) override;
};

}  // namespace qmtest
