#include "dialogs/HTMLHelpViewer.h"

#include "dialogs/HelpWindow.h"
#include "dialogs/UserDialogs.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace {

QString contextIdentifier(int32_t context)
{
    return QStringLiteral("context-%1").arg(context);
}

}  // namespace

HTMLHelpViewer::HTMLHelpViewer() = default;

HTMLHelpViewer::~HTMLHelpViewer()
{
    Unload();
}

QString HTMLHelpViewer::CollectionFile()
{
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    if (folder.isEmpty())
        return {};
    return folder + QStringLiteral("/help/quillmere-help.qhc");
}

HelpWindow* HTMLHelpViewer::openHelpFile()
{
    if (!QFileInfo(m_helpFile).isFile()) {
        showMessage(nullptr, QStringLiteral("The help file was not found:\n%1").arg(m_helpFile),
                    MessageIcon::Exclamation);
        return nullptr;
    }
    if (m_window && m_window->helpFile() == m_helpFile)
        return m_window.get();

    // Another help file than the one shown: a window of its own replaces the old one.
    m_window.reset();
    const QString collection = CollectionFile();
    const QString folder = QFileInfo(collection).path();
    if (collection.isEmpty() || !QDir().mkpath(folder)) {
        showMessage(nullptr,
                    QStringLiteral("The help viewer cannot keep its index in the folder:\n%1")
                        .arg(collection.isEmpty() ? QStringLiteral("(no data folder)") : folder),
                    MessageIcon::Exclamation);
        return nullptr;
    }
    auto window = std::make_unique<HelpWindow>(collection);
    QString reason;
    if (!window->open(m_helpFile, &reason)) {
        showMessage(nullptr,
                    QStringLiteral("The help file could not be opened:\n%1\n\n%2").arg(m_helpFile, reason),
                    MessageIcon::Exclamation);
        return nullptr;
    }
    m_window = std::move(window);
    return m_window.get();
}

void HTMLHelpViewer::present(HelpWindow* window)
{
    if (window->isMinimized())
        window->showNormal();
    else
        window->show();
    window->raise();
    window->activateWindow();
}

// A window that was made for a request which then failed has never been seen: drop it, so that
// no invisible window is left behind.
void HTMLHelpViewer::discardIfHidden()
{
    if (m_window && !m_window->isVisible())
        m_window.reset();
}

bool HTMLHelpViewer::ShowContents()
{
    HelpWindow* window = openHelpFile();
    if (!window)
        return false;
    window->showContentsPane();
    present(window);
    return true;
}

bool HTMLHelpViewer::Show()
{
    HelpWindow* window = openHelpFile();
    if (!window)
        return false;
    window->showTopic(window->topicFor(QStringLiteral("home")));
    present(window);
    return true;
}

bool HTMLHelpViewer::ShowIndex()
{
    HelpWindow* window = openHelpFile();
    if (!window)
        return false;
    window->showIndexPane();
    present(window);
    return true;
}

bool HTMLHelpViewer::ShowSearch()
{
    HelpWindow* window = openHelpFile();
    if (!window)
        return false;
    window->showSearchPane();
    present(window);
    return true;
}

bool HTMLHelpViewer::ShowContext(int32_t context)
{
    HelpWindow* window = openHelpFile();
    if (!window)
        return false;
    const QUrl topic = window->topicFor(contextIdentifier(context));
    if (topic.isEmpty()) {
        showMessage(nullptr,
                    QStringLiteral("The help file has no topic for context number %1.").arg(context),
                    MessageIcon::Exclamation);
        discardIfHidden();
        return false;
    }
    window->showTopic(topic);
    present(window);
    return true;
}

void HTMLHelpViewer::Unload()
{
    if (m_window && m_window->isVisible())
        m_window->close();
}
