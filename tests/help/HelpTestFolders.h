#pragma once
// What the help tests share: a private user data folder per test (where the viewer keeps its
// collection and search index), the help file of a temporary program folder, and the help windows
// on screen.

#include "TestFolders.h"
#include "dialogs/HelpWindow.h"

#include <QApplication>
#include <QTemporaryDir>
#include <QTextBrowser>

namespace helptest {

// Points the user's data folder (XDG_DATA_HOME) at a temporary folder while it lives.
class UserDataFolder {
public:
    UserDataFolder() : m_previous(qgetenv("XDG_DATA_HOME")), m_hadPrevious(qEnvironmentVariableIsSet("XDG_DATA_HOME"))
    {
        qputenv("XDG_DATA_HOME", m_dir.path().toLocal8Bit());
    }
    ~UserDataFolder()
    {
        if (m_hadPrevious)
            qputenv("XDG_DATA_HOME", m_previous);
        else
            qunsetenv("XDG_DATA_HOME");
    }
    QString path() const { return m_dir.path(); }

private:
    QTemporaryDir m_dir;
    QByteArray m_previous;
    bool m_hadPrevious;
};

inline QString helpFileIn(const qmtest::TempProgramFolder& folder)
{
    return folder.file(QStringLiteral("Quillmere OnLine Help.qch"));
}

inline QList<HelpWindow*> visibleHelpWindows()
{
    QList<HelpWindow*> shown;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (auto* window = qobject_cast<HelpWindow*>(w); window && window->isVisible())
            shown << window;
    }
    return shown;
}

inline QString browserText(HelpWindow* window)
{
    return window->findChild<QTextBrowser*>(QStringLiteral("browser"))->toPlainText();
}

}  // namespace helptest
