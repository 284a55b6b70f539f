#pragma once
// The wizard window: the step title and explanation above, the eight step pages stacked below them
// (one visible at a time), and the Help, Back, Next and Cancel buttons. The window only navigates:
// each step (src/wizard/steps/) owns its controls and says what entering it, Next and Back do.

#include "choices/WizardChoices.h"
#include "wizard/cMain.h"
#include "wizard/steps/WizardSession.h"

#include <QHash>
#include <QList>
#include <QPointer>
#include <QWidget>

#include <cstdint>
#include <utility>

class cDB;
class frmPreview;
class ConnectionPage;
class FieldsPage;
class OptionsPage;
class ValidationPage;
class WizardStep;
class QGroupBox;
class QLabel;
class QPushButton;
class QStackedWidget;
class QTimer;
class QTreeWidgetItem;

class frmWizard : public QWidget {
    Q_OBJECT

public:
    // `programFolder` is where the templates, the stylesheets and the help file live, and sql.ini
    // when it may be written (cMain::IniFile); empty means the program's data folder: the folder
    // of the executable, or an installed program's share/quillmere.
    explicit frmWizard(const QString& programFolder = {}, QWidget* parent = nullptr);
    ~frmWizard() override;

    const WizardChoices& Choices() const { return m_choices; }
    const QString& ProgramFolder() const { return m_programFolder; }

    // State the steps keep beside the record.
    bool Connected() const;
    bool TablesStale() const { return m_session.tablesStale(); }
    bool OptionsFirstVisit() const;
    bool SavedConnectionPicked() const;

    // The help file and topic that Help and F1 open.
    const QString& HelpFile() const { return m_session.helpFile(); }
    int HelpContext() const { return m_helpContext; }

    // The schema object, created on first use; it owns the program's one connection.
    cDB& Database() { return m_session.database(); }

    // The nodes of the field tree (step 3) and of the validation tree (step 5), and the chosen
    // field the rule controls of step 5 show and edit: see FieldsPage and ValidationPage.
    const QList<QTreeWidgetItem*>& FieldNodeList() const;
    const QList<QTreeWidgetItem*>& ValidationNodeList() const;
    std::pair<int16_t, int16_t> CurrentField() const;

    // The page of step `index` (1 to 8): the panel named frmStep1 with that Index.
    QGroupBox* StepPanel(int index) const;

    // Shows step `step` under its title and explanation and lets it prepare its page; Next and
    // Back call it after setting CurrentStep to the same number.
    void EnterStep(int step, bool comingBack);

    // The choices as the site preview shows them: the record with what the steps' controls show
    // but Next has not stored yet; a table whose columns were not chosen yet shows all of them.
    WizardChoices PreviewChoices();
    // The open site preview window, if any.
    frmPreview* Preview() const;

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void setupUi();
    WizardStep* step(int number) const;
    void onNext();
    void onBack();
    void onCancel();
    void onHelp();
    bool confirmExit();
    void ShowAbout();
    void onWaitingOnServer(bool waiting);
    void greyDisabledBoxes();
    void onPreview();
    void updatePreview();
    void enablePreview();

    QString m_programFolder;
    cMain m_main;
    WizardChoices m_choices;
    WizardSession m_session;
    int m_helpContext = 1;
    bool m_exitConfirmed = false;
    // The window's palette greys disabled boxes that the program's palette does not.
    bool m_greyedBoxes = false;

    // The steps in order, and those the accessors above ask.
    QList<WizardStep*> m_steps;
    ConnectionPage* m_connectionPage = nullptr;
    FieldsPage* m_fieldsPage = nullptr;
    OptionsPage* m_optionsPage = nullptr;
    ValidationPage* m_validationPage = nullptr;

    QPointer<frmPreview> m_preview;
    // Follows a quick series of changes once, after the last of them.
    QTimer* m_previewDelay = nullptr;
    // The columns of tables shown before their columns were chosen, read once.
    QHash<QString, QStringList> m_previewColumns;

    QLabel* lblStepInfo = nullptr;
    QLabel* lblStepDetails = nullptr;
    QStackedWidget* m_pages = nullptr;
    QPushButton* cmdHelp = nullptr;
    QPushButton* cmdPrevious = nullptr;
    QPushButton* cmdNext = nullptr;
    QPushButton* cmdCancel = nullptr;
    QPushButton* cmdPreview = nullptr;
    // Shown, with a busy cursor, when a wait on the server lasts; Cancel stays usable.
    QLabel* lblWaiting = nullptr;
    QTimer* m_busyDelay = nullptr;
};
