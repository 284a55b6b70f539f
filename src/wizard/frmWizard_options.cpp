// Steps 4, 6, 7 and 8: what the scripts allow, the login they ask for, the stylesheet they use and
// the folder they are written into.
#include "wizard/frmWizard.h"

#include "dialogs/UserDialogs.h"
#include "dialogs/frmFolder.h"
#include "wizard/NumberText.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <cmath>

void frmWizard::connectOptionPanels()
{
    connect(chkReqLogin, &QCheckBox::toggled, this, &frmWizard::OnRequireLoginChanged);
    connect(chkUseCurrent, &QCheckBox::toggled, this, &frmWizard::OnUseCurrentChanged);
    connect(cmbStyles, &QComboBox::activated, this, &frmWizard::OnStyleChosen);
    connect(cmdcssSelect, &QPushButton::clicked, this, &frmWizard::BrowseStylesheet);
    connect(cCssEditor, &QPushButton::clicked, this, &frmWizard::RunCssEditor);
    connect(Command2, &QPushButton::clicked, this, &frmWizard::OpenAppearanceBuilder);
    connect(cmdDestBrowse, &QPushButton::clicked, this, &frmWizard::BrowseDestination);
    connect(cmdinfo1, &QPushButton::clicked, this, [this] { ShowFieldHelp(1); });
}

// ---- Step 4 -------------------------------------------------------------------------------

void frmWizard::ApplyOptionDefaults()
{
    for (QCheckBox* box : {chkAddRecords, chkEditRecords, chkDeleteRecords, chkViewRecords,
                           chkSearchRecords, chkPHPValidate})
        box->setChecked(true);
    chkFK->setChecked(false);
}

void frmWizard::FillRecordsPerPageList()
{
    const QString text = cmbSplitter->currentText();
    cmbSplitter->clear();
    for (int n = 2; n <= 100; ++n)
        cmbSplitter->addItem(QString::number(n));
    cmbSplitter->setEditText(text);
}

void frmWizard::CollectOptions()
{
    ScriptOptions& o = m_choices.Options;
    auto checked = [](const QCheckBox* box) { return box->checkState() != Qt::Unchecked; };
    o.AllowAdd = checked(chkAddRecords);
    o.AllowEdit = checked(chkEditRecords);
    o.AllowDelete = checked(chkDeleteRecords);
    o.AllowView = checked(chkViewRecords);
    o.SearchRecords = checked(chkSearchRecords);
    o.CreateLookupColumns = checked(chkFK);
    o.AllowSearch = checked(chkSearchRecords);
    o.PhpValidate = checked(chkPHPValidate);

    // The whole part of the number (the largest whole number not above it); 0 keeps the value.
    const std::optional<double> number = parseDecimal(cmbSplitter->currentText());
    const double whole = number ? std::floor(*number) : 0.0;
    if (!number || whole < -32768.0 || whole > 32767.0) {
        showMessage(this, QStringLiteral("There are errors on the form"), MessageIcon::Exclamation);
        return;
    }
    if (whole != 0.0)
        o.RecordsPerPage = static_cast<int16_t>(whole);
}

// ---- Step 6 -------------------------------------------------------------------------------

void frmWizard::OnRequireLoginChanged(bool checked)
{
    frmLoginSetup->setEnabled(checked);
    chkUseCurrent->setEnabled(checked);
}

void frmWizard::OnUseCurrentChanged(bool checked)
{
    for (QWidget* w : std::initializer_list<QWidget*>{txtUsername7, txtPassword7, lblUsername7, lblPassword7})
        w->setEnabled(!checked);
    if (checked) {
        txtUsername7->setText(m_choices.Connection.UserName);
        txtPassword7->setText(m_choices.Connection.Password);
    }
}

// ---- Step 7 -------------------------------------------------------------------------------

void frmWizard::OnStyleChosen(int index)
{
    static const char* const kFiles[] = {"/default.css", "/plain.css", "/Colorful.css"};
    static const char* const kStyles[] = {"Professional", "Simple", "Colorful"};
    const QString style = cmbStyles->itemText(index);
    for (int i = 0; i < 3; ++i) {
        if (style == QLatin1String(kStyles[i]))
            txtcss->setText(m_programFolder + QLatin1String(kFiles[i]));
    }
}

void frmWizard::BrowseStylesheet()
{
    const QString start = txtcss->text().trimmed().isEmpty() ? m_programFolder : QFileInfo(txtcss->text()).path();
    const QString chosen = UserDialogs::current().openFileName(this, QStringLiteral("Select a stylesheet"), start,
                                                               QStringLiteral("Stylesheets (*.css)"));
    if (!chosen.isEmpty())
        txtcss->setText(chosen);
}

// "Run CSS Editor": asks for a file name when the path box is empty, refuses a path whose file is
// missing, and opens the one stylesheet editor of the run modally on the stylesheet.
void frmWizard::RunCssEditor()
{
    QString path;
    if (txtcss->text().trimmed().isEmpty()) {
        const std::optional<QString> answer = UserDialogs::current().input(
            this, QStringLiteral("CSS file name: ") + m_programFolder + QLatin1Char('/'), QString(), QString());
        if (!answer || answer->trimmed().isEmpty())
            return;
        path = *answer;
        txtcss->setText(m_programFolder + QLatin1Char('/') + *answer);
    } else if (!QFileInfo::exists(txtcss->text())) {
        showMessage(this, QStringLiteral("CSS file does not exist."), MessageIcon::Critical);
        return;
    } else {
        path = txtcss->text();
    }
    ShowStylesheetEditor(path);
}

// ---- Step 8 -------------------------------------------------------------------------------

void frmWizard::BrowseDestination()
{
    ChooseDestinationFolder();
    txtDestination->setText(m_choices.DestinationFolder);
}

// The scripts go where the destination box says, whether the folder was chosen with Browse or
// typed: a typed folder must exist, as in the folder chooser.
bool frmWizard::TakeDestinationFromBox()
{
    const QString typed = txtDestination->text();
    if (typed.trimmed().isEmpty()) {
        showMessage(this, QStringLiteral("A destination must be selected before generation"),
                    MessageIcon::Exclamation);
        return false;
    }
    const std::optional<QString> destination = frmFolder::DestinationFor(typed);
    if (!destination) {
        showMessage(this, QStringLiteral("folder dosnt exist"));
        return false;
    }
    m_choices.DestinationFolder = *destination;
    txtDestination->setText(*destination);
    return true;
}
