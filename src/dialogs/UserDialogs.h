#pragma once
// Every message box, input box, file dialog, colour dialog and modal window of the program goes
// through this one interface. The default shows the real Qt dialogs; tests install a recorder that
// keeps what was shown and answers from a script.

#include <QColor>
#include <QString>

#include <optional>

class QDialog;
class QWidget;

// The title of every message that has none of its own.
inline const QString kApplicationTitle = QStringLiteral("Quillmere");

enum class MessageIcon { None, Exclamation, Information, Critical, Question };
enum class MessageButtons { Ok, YesNo };
enum class MessageAnswer { Ok, Yes, No };

class UserDialogs {
public:
    virtual ~UserDialogs() = default;

    // A message box; an empty title means the application title.
    virtual MessageAnswer message(QWidget* parent, const QString& text, MessageIcon icon,
                                  MessageButtons buttons, const QString& title) = 0;
    // An input box; nothing when the user cancels.
    virtual std::optional<QString> input(QWidget* parent, const QString& prompt, const QString& title,
                                         const QString& defaultText) = 0;
    // File dialogs; an empty text when the user cancels.
    virtual QString openFileName(QWidget* parent, const QString& caption, const QString& dir,
                                 const QString& filter) = 0;
    virtual QString saveFileName(QWidget* parent, const QString& caption, const QString& dir,
                                 const QString& filter) = 0;
    // The colour dialog, starting at `initial`; nothing when the user cancels.
    virtual std::optional<QColor> color(QWidget* parent, const QColor& initial) = 0;
    // Shows a window modally and returns its result code (QDialog::Accepted, Rejected, ...).
    virtual int exec(QDialog& dialog) = 0;

    // The dialogs in use; the real ones unless a test installed others.
    static UserDialogs& current();
    // Installs `dialogs` (not owned) for every later call; nullptr puts the real ones back.
    static void install(UserDialogs* dialogs);
};

// Shorthand for the common case of a message with the application title.
MessageAnswer showMessage(QWidget* parent, const QString& text, MessageIcon icon = MessageIcon::None,
                          MessageButtons buttons = MessageButtons::Ok, const QString& title = {});

// The real dialogs.
class QtUserDialogs : public UserDialogs {
public:
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
