#pragma once
// The wizard window: eight stacked step panels, the step title and explanation above them, and the
// Help, Back, Next and Cancel buttons below. Next checks and stores the current step's choices into
// WizardChoices before the next step is entered; entering a step prepares its panel.

#include "dialogs/HTMLHelpViewer.h"
#include "choices/WizardChoices.h"
#include "wizard/cMain.h"

#include <QPointer>
#include <QWidget>

#include <array>
#include <memory>
#include <utility>

class cDB;
class frmHelp;
class frmCSS;
class frmConnectionName;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

class frmWizard : public QWidget {
    Q_OBJECT

public:
    // `programFolder` is where sql.ini, the templates, the stylesheets and the help file live;
    // empty means the folder of the executable.
    explicit frmWizard(const QString& programFolder = {}, QWidget* parent = nullptr);
    ~frmWizard() override;

    const WizardChoices& Choices() const { return m_choices; }
    WizardChoices& Choices() { return m_choices; }
    const QString& ProgramFolder() const { return m_programFolder; }

    // Window state kept beside the record.
    bool Connected() const { return m_connected; }
    bool TablesStale() const { return m_tablesStale; }
    bool OptionsFirstVisit() const { return m_optionsFirstVisit; }
    bool SavedConnectionPicked() const { return m_pickedConnection > 0; }

    // The help file and topic that Help and F1 open.
    const QString& HelpFile() const { return m_helpFile; }
    int HelpContext() const { return m_helpContext; }

    // The schema object, created on first use; it owns the program's one connection.
    cDB& Database();

    // The tree nodes of the field tree and of the validation tree: position i holds the node of
    // table i, position n + k the field node "Field<k>" (n = number of tables - 1). Every node
    // keeps its key ("root", "Table<i>", "Field<k>") as data of role Qt::UserRole.
    const QList<QTreeWidgetItem*>& FieldNodeList() const { return m_fieldNodes; }
    const QList<QTreeWidgetItem*>& ValidationNodeList() const { return m_validationNodes; }
    // The chosen field the rule controls show and edit: (table index, field index).
    std::pair<int16_t, int16_t> CurrentField() const { return m_currentField; }

    // Panel `index` (1 to 8) of the frmStep1 control array.
    QGroupBox* StepPanel(int index) const;

    void EnterStep(int step, bool comingBack);

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    // Construction of the window (frmWizard_ui.cpp): one function per panel.
    void setupUi();
    void buildConnectionPanel(QGroupBox* panel);
    void buildTablesPanel(QGroupBox* panel);
    void buildFieldsPanel(QGroupBox* panel);
    void buildOptionsPanel(QGroupBox* panel);
    void buildValidationPanel(QGroupBox* panel);
    void buildSecurityPanel(QGroupBox* panel);
    void buildAppearancePanel(QGroupBox* panel);
    void buildGeneratePanel(QGroupBox* panel);
    void prepare_interface();

    // Navigation (frmWizard.cpp).
    void onNext();
    void onBack();
    void onCancel();
    void onHelp();
    bool confirmExit();
    void showPanel(int index);
    void nextFromConnection();
    void resetHelp();

    // Operations of the individual steps. Each is the one place where its step's behaviour lives.
    // Step 1: connection and saved connections.
    void connectConnectionPanel();
    void OnConnectionTypeChosen();
    struct Int16Result portFromBox() const;
    void ConnectToServer();
    void DisconnectFromServer();
    void FillDatabaseList();
    QList<struct SavedConnection> LoadSavedConnections() const;
    void FillSavedConnectionList();
    void LoadSavedConnection(int listIndex);
    bool UseDatabase(const QString& database);
    void OfferToSaveConnection();
    void OnConnectionLost(const QString& reason);
    // Steps 2 and 3: tables and fields.
    void connectTablePanels();
    void LoadAvailableTables();
    void AppendTable();
    void RemoveTable();
    void AllTablesToLeft();
    void AllTablesToRight();
    bool ConfirmTables();
    void BuildFieldTree();
    void SetAllFieldChecks(bool checked);
    bool CollectChosenFields();
    void KeepOrClearTableLists();
    void RemoveLookupsToUnchosenColumns();
    bool ConfirmRequiredColumnsLeftOut(bool leavingOptions);
    // Steps 4, 6, 7 and 8: options, security, appearance and destination.
    void connectOptionPanels();
    void ApplyOptionDefaults();
    void FillRecordsPerPageList();
    void CollectOptions();
    void OnRequireLoginChanged(bool checked);
    void OnUseCurrentChanged(bool checked);
    void OnStyleChosen(int index);
    void BrowseStylesheet();
    void RunCssEditor();
    void OpenAppearanceBuilder();
    void BrowseDestination();
    bool TakeDestinationFromBox();
    // Windows of their own, opened from the steps.
    void ShowStylesheetEditor(const QString& stylesheetPath);
    void ChooseDestinationFolder();
    // Step 5: validation rules and lookup columns.
    void connectValidationPanel();
    void BuildValidationTree();
    void PrefillLookupColumns();
    void LoadRuleControls(QTreeWidgetItem* clicked);
    ChosenField* CurrentChosenField();
    void SetNumberFromBox(QLineEdit* box, int16_t ChosenField::*member);
    void ShowFieldHelp(int topic);
    bool eventFilter(QObject* watched, QEvent* event) override;
    // Step 8, Help and About.
    bool RunGeneration();
    void ShowHelpTopic(int context);
    void ShowAbout();

    QString m_programFolder;
    cMain m_main;
    WizardChoices m_choices;
    QString m_helpFile;
    int m_helpContext = 1;
    // The help viewer of the run, made on first use; the field-help window shares it for its link.
    std::unique_ptr<HTMLHelpViewer> m_helpViewer;
    // The "What's this" window deletes itself when closed by its frame.
    QPointer<frmHelp> m_fieldHelp;
    // One stylesheet editor for the whole run, created when first needed.
    frmCSS* m_cssEditor = nullptr;
    HTMLHelpViewer& helpViewer()
    {
        if (!m_helpViewer)
            m_helpViewer = std::make_unique<HTMLHelpViewer>();
        return *m_helpViewer;
    }
    bool m_connected = false;
    bool m_tablesStale = false;
    bool m_optionsFirstVisit = false;
    // Server, port and database the table lists were filled for; the tables chosen, and what
    // was chosen for them, stay while these stay.
    QString m_tableSource;
    // Whether step 4 has been left with Next once: its boxes then keep what the user set.
    bool m_optionsChosen = false;
    // "table.column" of every column left out on step 3 that a new record cannot do without,
    // and whether the user has gone on with adding allowed after being told.
    QStringList m_requiredLeftOut;
    bool m_requiredLeftOutAccepted = false;
    // Number of the saved connection the user chose or saved in this run, 0 for none.
    int m_pickedConnection = 0;
    bool m_exitConfirmed = false;
    std::unique_ptr<cDB> m_db;
    frmConnectionName* m_connectionNameDialog = nullptr;
    QList<QTreeWidgetItem*> m_fieldNodes;
    QList<QTreeWidgetItem*> m_validationNodes;
    std::pair<int16_t, int16_t> m_currentField{0, 0};

    // Frame.
    QLabel* lblStepInfo = nullptr;
    QLabel* lblStepDetails = nullptr;
    QWidget* m_panelArea = nullptr;
    std::array<QGroupBox*, 8> frmStep1{};
    QPushButton* cmdHelp = nullptr;
    QPushButton* cmdPrevious = nullptr;
    QPushButton* cmdNext = nullptr;
    QPushButton* cmdCancel = nullptr;

    // Step 1.
    QComboBox* cmbConnType = nullptr;
    QLineEdit* txtServer = nullptr;
    QLineEdit* txtport = nullptr;
    QLineEdit* txtUsername = nullptr;
    QLineEdit* txtPassword = nullptr;
    QComboBox* cmbDBSelect = nullptr;
    QPushButton* Command1 = nullptr;
    QPushButton* Command3 = nullptr;
    QComboBox* cmbSaved = nullptr;
    // Step 2.
    QListWidget* lstAvTables = nullptr;
    QListWidget* lstSelTables = nullptr;
    QPushButton* cmdAppendTables = nullptr;
    QPushButton* cmdRemoveTables = nullptr;
    QPushButton* cAllToLeft = nullptr;
    QPushButton* cAllToright = nullptr;
    // Step 3.
    QTreeWidget* trvFields = nullptr;
    QPushButton* cSelAll = nullptr;
    QPushButton* cSelNone = nullptr;
    // Step 4.
    QCheckBox* chkAddRecords = nullptr;
    QCheckBox* chkEditRecords = nullptr;
    QCheckBox* chkDeleteRecords = nullptr;
    QCheckBox* chkViewRecords = nullptr;
    QCheckBox* chkSearchRecords = nullptr;
    QCheckBox* chkFK = nullptr;
    QCheckBox* chkPHPValidate = nullptr;
    QComboBox* cmbSplitter = nullptr;
    QPushButton* cmdinfo1 = nullptr;
    // Step 5.
    QTreeWidget* trvValidate = nullptr;
    QCheckBox* chkNulls = nullptr;
    QCheckBox* chkCharacterCheck = nullptr;
    QLineEdit* txtCharacters = nullptr;
    QCheckBox* chkLimits = nullptr;
    QLineEdit* txtMin = nullptr;
    QLineEdit* txtMax = nullptr;
    QComboBox* cmbfk = nullptr;
    QPushButton* cmdhelpParent = nullptr;
    // Step 6.
    QCheckBox* chkReqLogin = nullptr;
    QGroupBox* frmLoginSetup = nullptr;
    QCheckBox* chkUseCurrent = nullptr;
    QLabel* lblUsername7 = nullptr;
    QLabel* lblPassword7 = nullptr;
    QLineEdit* txtUsername7 = nullptr;
    QLineEdit* txtPassword7 = nullptr;
    // Step 7.
    QComboBox* cmbStyles = nullptr;
    QLineEdit* txtcss = nullptr;
    QPushButton* cmdcssSelect = nullptr;
    QPushButton* Command2 = nullptr;
    QPushButton* cCssEditor = nullptr;
    // Step 8.
    QLineEdit* txtDestination = nullptr;
    QPushButton* cmdDestBrowse = nullptr;
    QListWidget* lstLog = nullptr;
};
