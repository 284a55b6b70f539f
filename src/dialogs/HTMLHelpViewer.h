#pragma once
// Opens the program's help file in the help window: at a topic by its context number, or on its
// contents, index or search pane. There is one help window; it belongs to no other window, so it
// stays open beside the wizard until it is closed or unloaded. The program folder may be
// read-only: the help collection and its search index live in the user's data folder, where the
// help file is registered.

#include <QString>

#include <cstdint>
#include <memory>

class HelpWindow;

class HTMLHelpViewer {
public:
    HTMLHelpViewer();
    // Unloads the help window.
    ~HTMLHelpViewer();
    HTMLHelpViewer(const HTMLHelpViewer&) = delete;
    HTMLHelpViewer& operator=(const HTMLHelpViewer&) = delete;

    // Full path of the help file (.qch) the show operations open.
    const QString& HelpFile() const { return m_helpFile; }
    void SetHelpFile(const QString& path) { m_helpFile = path; }

    // Each show operation opens the help window when needed and brings it to the front. A help
    // file that is missing or cannot be read, or a context number without a topic, is reported
    // to the user instead; the result is false then.
    bool ShowContents();                // the contents pane
    bool Show();                        // the start page
    bool ShowIndex();                   // the index pane
    bool ShowSearch();                  // the full-text search pane
    bool ShowContext(int32_t context);  // the topic of a context number (1 to 8: the wizard's steps)
    // Closes the help window when it is open; otherwise does nothing.
    void Unload();

    // The help window once it has been made (it may be closed), else nullptr.
    HelpWindow* Window() const { return m_window.get(); }

    // The help collection (.qhc) in the user's data folder; its search index is kept beside it.
    static QString CollectionFile();

private:
    // The help window showing HelpFile, created or switched to that file when needed; nullptr
    // after the user has been told why the file cannot be shown.
    HelpWindow* openHelpFile();
    void present(HelpWindow* window);
    void discardIfHidden();

    QString m_helpFile;
    std::unique_ptr<HelpWindow> m_window;
};
