#pragma once
// The "What's this" window: explains one concept in place, with a link to the help file for more.
// It knows one topic, number 1: lookup columns.
//
// The caller keeps the window between showings: Escape only hides it, so the next showing reuses
// it; closing it by its frame discards it (hold it in a QPointer and make a new one when that is
// empty).

#include <QDialog>

#include <cstdint>
#include <memory>

class HTMLHelpViewer;
class QLabel;
class QLineEdit;
class QPlainTextEdit;

class frmHelp : public QDialog {
    Q_OBJECT

public:
    explicit frmHelp(QWidget* parent = nullptr);
    ~frmHelp() override;

    // The topic to show; set it before showing the window. Other numbers than 1 leave the texts
    // as they are.
    int16_t HelpTopic = 1;

    // The viewer the link opens the help file in (not owned), so that the program keeps one help
    // window. Without one the window uses a viewer of its own.
    void SetHelpViewer(HTMLHelpViewer* viewer) { m_viewer = viewer; }
    // The help file the link opens; the program folder's help file unless set.
    const QString& HelpFile() const { return m_helpFile; }
    void SetHelpFile(const QString& path) { m_helpFile = path; }

    // Shows the window modally, through the dialog seam, until Escape hides it or it is closed.
    int ShowModal();

protected:
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void setupUi();
    void fillTopic();
    void openHelpFile();

    QString m_helpFile;
    HTMLHelpViewer* m_viewer = nullptr;
    std::unique_ptr<HTMLHelpViewer> m_ownViewer;

    QLabel* Label1 = nullptr;
    QLineEdit* title = nullptr;
    QPlainTextEdit* body = nullptr;
    QLabel* lblseealso = nullptr;
    QLabel* lblref = nullptr;
};
