#pragma once
// The help window: contents, index and full-text search panes beside a browser pane, over a Qt Help
// collection kept in a folder of the user's. It shows one help file at a time.

#include <QUrl>
#include <QWidget>

class QHelpEngine;
class QLineEdit;
class QTabWidget;
class QTextBrowser;
class QToolButton;

class HelpWindow : public QWidget {
    Q_OBJECT

public:
    // `collectionFile` is the collection (.qhc) the window registers help files in; its search
    // index is written beside it.
    explicit HelpWindow(const QString& collectionFile, QWidget* parent = nullptr);
    ~HelpWindow() override;

    // Opens `helpFile`, registering it in the collection unless it is registered there as it is
    // now. False, with the reason in `error`, when the file cannot be used. Called once, before
    // the window is shown.
    bool open(const QString& helpFile, QString* error);
    const QString& helpFile() const { return m_helpFile; }

    // The topic the help file names by `identifier`; empty when it names none.
    QUrl topicFor(const QString& identifier) const;
    void showTopic(const QUrl& url);
    QUrl currentTopic() const;

    void showContentsPane();
    void showIndexPane();
    void showSearchPane();

    // Searches the text of every topic; the result pane lists the hits. A search asked for while
    // the index is still being built runs as soon as it is complete.
    void search(const QString& text);
    bool isIndexing() const { return m_indexing; }

    QHelpEngine* engine() const { return m_engine; }

signals:
    // A search finished with `hits` topics found.
    void searchFinished(int hits);

private:
    void setupUi();
    void showHome();
    void markInContents(const QUrl& url);
    QString searchIndexFolder() const;
    void runPendingSearch();

    QHelpEngine* m_engine = nullptr;
    QString m_helpFile;
    bool m_indexing = false;
    QString m_pendingSearch;

    QTabWidget* m_panes = nullptr;
    QLineEdit* m_indexLookFor = nullptr;
    QTextBrowser* m_browser = nullptr;
    QToolButton* m_home = nullptr;
    QToolButton* m_back = nullptr;
    QToolButton* m_forward = nullptr;
};
