// The wizard's frame: entering steps, Next, Back, Cancel, Help and closing the window.
#include "wizard/frmWizard.h"

#include "dialogs/UserDialogs.h"
#include "wizard/NumberText.h"
#include "wizard/cDB.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

namespace {
const QString kDatabasePrompt = QStringLiteral("<select db name or type it>");
}

frmWizard::frmWizard(const QString& programFolder, QWidget* parent)
    : QWidget(parent),
      m_programFolder(programFolder.isEmpty() ? QCoreApplication::applicationDirPath() : programFolder),
      m_main(m_programFolder)
{
    setupUi();
    connectConnectionPanel();
    connectTablePanels();
    connectValidationPanel();
    connectOptionPanels();
    EnterStep(1, false);
    m_choices = m_main.NewWizardChoices();
    prepare_interface();
    resetHelp();
    m_helpContext = 1;
}

frmWizard::~frmWizard() = default;

cDB& frmWizard::Database()
{
    if (!m_db) {
        m_db = std::make_unique<cDB>([this](const QString& text) { showMessage(this, text); });
        m_db->SetConnectionLostHandler([this](const QString& reason) { OnConnectionLost(reason); });
    }
    return *m_db;
}

QGroupBox* frmWizard::StepPanel(int index) const
{
    if (index < 1 || index > 8)
        return nullptr;
    return frmStep1[index - 1];
}

void frmWizard::showPanel(int index)
{
    for (int i = 1; i <= 8; ++i)
        frmStep1[i - 1]->setVisible(i == index);
}

void frmWizard::resetHelp()
{
    m_helpFile = m_programFolder + QStringLiteral("/Quillmere OnLine Help.qch");
}

void frmWizard::EnterStep(int step, bool comingBack)
{
    const StepInfo info = m_main.GetStepInfo(step);
    lblStepInfo->setText(info.Title);
    lblStepDetails->setText(info.Description);

    auto backNext = [this] {
        cmdPrevious->setText(QStringLiteral("Back"));
        cmdNext->setText(QStringLiteral("Next"));
    };

    switch (step) {
    case 1:
        FillSavedConnectionList();
        cmdNext->setText(QStringLiteral("Next"));
        cmdPrevious->setText(QStringLiteral("About"));
        showPanel(1);
        break;
    case 2:
        backNext();
        showPanel(2);
        if (m_tablesStale)
            LoadAvailableTables();
        if (lstAvTables->count() > 0)
            lstAvTables->setCurrentRow(0);
        break;
    case 3:
        backNext();
        if (!comingBack) {
            BuildFieldTree();
            QCoreApplication::processEvents();
        }
        showPanel(3);
        break;
    case 4:
        backNext();
        if (m_optionsFirstVisit)
            ApplyOptionDefaults();
        showPanel(4);
        if (!comingBack)
            FillRecordsPerPageList();
        break;
    case 5:
        backNext();
        cmbfk->clear();
        if (chkFK->isChecked() || chkPHPValidate->isChecked()) {
            cmbfk->setEnabled(true);
            showPanel(5);
            BuildValidationTree();
            if (chkFK->isChecked())
                PrefillLookupColumns();
        } else {
            // Nothing to validate: the security panel stands in under this step's titles, and
            // Next moves on to step 6 as usual.
            showPanel(6);
            OnUseCurrentChanged(chkUseCurrent->isChecked());
        }
        break;
    case 6:
        backNext();
        showPanel(6);
        // The login boxes follow the connection while "Use Current Connection Settings" is
        // checked, and otherwise keep what the user typed.
        OnUseCurrentChanged(chkUseCurrent->isChecked());
        break;
    case 7:
        backNext();
        // The stylesheet starts as the default one and then stays as the user chose it.
        if (txtcss->text().isEmpty())
            txtcss->setText(m_programFolder + QStringLiteral("/default.css"));
        showPanel(7);
        break;
    case 8:
        cmdPrevious->setText(QStringLiteral("Back"));
        cmdNext->setText(QStringLiteral("Generate"));
        showPanel(8);
        break;
    default:
        break;
    }
}

void frmWizard::onNext()
{
    const int step = m_choices.CurrentStep;
    auto advance = [this](int next) {
        m_choices.CurrentStep = static_cast<int16_t>(next);
        EnterStep(next, false);
    };

    switch (step) {
    case 1:
        if (!m_connected) {
            showMessage(this, QStringLiteral("please click on 'Connect' button first"));
            return;
        }
        nextFromConnection();
        if (m_choices.CurrentStep == 1)
            return;
        break;
    case 2:
        if (!ConfirmTables())
            return;
        advance(3);
        break;
    case 3:
        if (!CollectChosenFields()) {
            showMessage(this, QStringLiteral("An error in this step has occured, please check the settings"),
                        MessageIcon::Exclamation);
            return;
        }
        if (!ConfirmRequiredColumnsLeftOut(false))
            return;
        // The boxes of step 4 take their defaults on the first arrival only.
        m_optionsFirstVisit = !m_optionsChosen;
        advance(4);
        break;
    case 4:
        CollectOptions();
        m_optionsFirstVisit = false;
        m_optionsChosen = true;
        if (!ConfirmRequiredColumnsLeftOut(true))
            return;
        advance(5);
        break;
    case 5:
        advance(6);
        break;
    case 6:
        if (chkReqLogin->isChecked()) {
            m_choices.Security.AdminUser = txtUsername7->text();
            m_choices.Security.AdminPassword = txtPassword7->text();
        } else {
            m_choices.Security.AdminUser.clear();
        }
        advance(7);
        break;
    case 7:
        advance(8);
        m_choices.Appearance.StylesheetPath = txtcss->text();
        break;
    case 8:
        if (!TakeDestinationFromBox())
            return;
        if (RunGeneration()) {
            QCoreApplication::processEvents();
            showMessage(this, QStringLiteral("Scripts created successfully in %1").arg(m_choices.DestinationFolder),
                        MessageIcon::Information);
        }
        break;
    default:
        return;
    }
    resetHelp();
    m_helpContext = m_choices.CurrentStep;
}

// Next on step 1: stores the connection settings, selects the database, offers to save the
// connection and moves to the table step. A port that is no number is reported and the earlier
// port kept, and the checks still follow.
void frmWizard::nextFromConnection()
{
    ConnectionSettings& c = m_choices.Connection;
    const QString server = txtServer->text().trimmed();
    c.ServerName = server.isEmpty() ? QStringLiteral("localhost") : server;
    c.UserName = txtUsername->text().trimmed();
    c.Password = txtPassword->text().trimmed();
    if (const Int16Result port = portFromBox())
        c.Port = port.Value;
    else
        showMessage(this, port.Failure);

    const QString database = cmbDBSelect->currentText();
    if (database.isEmpty() || database == kDatabasePrompt) {
        showMessage(this, QStringLiteral("Please select a database or type it's name"),
                    MessageIcon::Exclamation);
        return;
    }
    c.DatabaseName = database;
    if (!UseDatabase(c.DatabaseName))
        return;

    if (!SavedConnectionPicked())
        OfferToSaveConnection();

    KeepOrClearTableLists();

    // Only the entry the user chose or saved in this run is shown as picked. The boxes keep what
    // was connected: filling them from any other entry would hand its server and login to the
    // generated scripts.
    FillSavedConnectionList();
    if (m_pickedConnection > 0 && m_pickedConnection <= cmbSaved->count())
        cmbSaved->setCurrentIndex(m_pickedConnection - 1);

    m_tablesStale = true;
    m_choices.CurrentStep = 2;
    EnterStep(2, false);
}

void frmWizard::onBack()
{
    if (m_choices.CurrentStep == 1) {
        ShowAbout();
        return;
    }
    cmbSaved->clear();
    if (!m_choices.Options.AllowAdd && !m_choices.Options.AllowEdit && m_choices.CurrentStep == 7)
        m_choices.CurrentStep = 5;
    else
        m_choices.CurrentStep = static_cast<int16_t>(m_choices.CurrentStep - 1);
    EnterStep(m_choices.CurrentStep, true);
}

bool frmWizard::confirmExit()
{
    const MessageAnswer answer = showMessage(this, QStringLiteral("Are you sure?"), MessageIcon::None,
                                             MessageButtons::YesNo, QStringLiteral("Exit confirmation"));
    return answer == MessageAnswer::Yes;
}

void frmWizard::onCancel()
{
    if (!confirmExit())
        return;
    m_exitConfirmed = true;
    close();
    QCoreApplication::quit();
}

void frmWizard::closeEvent(QCloseEvent* event)
{
    if (m_exitConfirmed || confirmExit()) {
        m_exitConfirmed = true;
        event->accept();
        return;
    }
    event->ignore();
}

void frmWizard::onHelp()
{
    ShowHelpTopic(m_choices.CurrentStep);
}

void frmWizard::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_F1) {
        ShowHelpTopic(m_helpContext);
        return;
    }
    QWidget::keyPressEvent(event);
}
