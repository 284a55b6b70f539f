#include "wizard/steps/SecurityPage.h"

#include "dialogs/NamedWidgets.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

SecurityPage::SecurityPage(WizardSession& shared, QWidget* parent) : WizardStep(shared, 6, parent)
{
    setupUi();
    connect(chkReqLogin, &QCheckBox::toggled, this, &SecurityPage::OnRequireLoginChanged);
    connect(chkUseCurrent, &QCheckBox::toggled, this, &SecurityPage::OnUseCurrentChanged);
    for (QCheckBox* box : {chkReqLogin, chkUseCurrent})
        connect(box, &QCheckBox::toggled, &shared, &WizardSession::noteChoicesEdited);
    for (QLineEdit* box : {txtUsername7, txtPassword7})
        connect(box, &QLineEdit::textChanged, &shared, &WizardSession::noteChoicesEdited);
}

void SecurityPage::setupUi()
{
    auto* layout = new QVBoxLayout(this);
    chkReqLogin = checkBox("chkReqLogin", QStringLiteral("Require Users to log in before using the script"), this);
    layout->addWidget(chkReqLogin);
    frmLoginSetup = named(new QGroupBox(QStringLiteral("Login Options:"), this), "frmLoginSetup");
    frmLoginSetup->setEnabled(false);
    auto* grid = new QGridLayout(frmLoginSetup);
    chkUseCurrent = checkBox("chkUseCurrent", QStringLiteral("Use Current Connection Settings"), frmLoginSetup);
    chkUseCurrent->setChecked(true);
    chkUseCurrent->setEnabled(false);
    lblUsername7 = named(new QLabel(QStringLiteral("Username:"), frmLoginSetup), "lblUsername7");
    lblPassword7 = named(new QLabel(QStringLiteral("Password: "), frmLoginSetup), "lblPassword7");
    txtUsername7 = lineEdit("txtUsername7", frmLoginSetup);
    txtPassword7 = lineEdit("txtPassword7", frmLoginSetup);
    txtPassword7->setEchoMode(QLineEdit::Password);
    for (QWidget* w : std::initializer_list<QWidget*>{lblUsername7, lblPassword7, txtUsername7, txtPassword7})
        w->setEnabled(false);
    grid->addWidget(chkUseCurrent, 0, 0, 1, 2);
    grid->addWidget(lblUsername7, 1, 0);
    grid->addWidget(txtUsername7, 1, 1);
    grid->addWidget(lblPassword7, 2, 0);
    grid->addWidget(txtPassword7, 2, 1);
    layout->addWidget(frmLoginSetup);
    layout->addStretch(1);
}

// The login boxes follow the connection while "Use Current Connection Settings" is checked, and
// otherwise keep what the user typed.
void SecurityPage::enter(bool)
{
    m_entered = true;
    if (const WizardChoices* site = session().siteToTake(index()))
        ShowSiteLogin(*site);
    OnUseCurrentChanged(chkUseCurrent->isChecked());
}

// The opened site's login shows in its own boxes; the record takes the site's login as it is, so
// a password kept without a login stays too.
void SecurityPage::ShowSiteLogin(const WizardChoices& site)
{
    choices().Security = site.Security;
    chkReqLogin->setChecked(!site.Security.AdminUser.isEmpty());
    chkUseCurrent->setChecked(false);
    txtUsername7->setText(site.Security.AdminUser);
    txtPassword7->setText(site.Security.AdminPassword);
    session().siteTaken(index());
}

// The login the boxes show; before the step was first shown, the login already chosen stays.
void SecurityPage::applyUnsaved(WizardChoices& c) const
{
    if (!m_entered)
        return;
    if (chkReqLogin->isChecked()) {
        c.Security.AdminUser = txtUsername7->text();
        c.Security.AdminPassword = txtPassword7->text();
    } else {
        c.Security.AdminUser.clear();
    }
}

bool SecurityPage::leave()
{
    applyUnsaved(choices());
    return true;
}

bool SecurityPage::skippedOnBack() const
{
    const ScriptOptions& o = choices().Options;
    return !o.AllowAdd && !o.AllowEdit;
}

void SecurityPage::OnRequireLoginChanged(bool checked)
{
    frmLoginSetup->setEnabled(checked);
    chkUseCurrent->setEnabled(checked);
}

void SecurityPage::OnUseCurrentChanged(bool checked)
{
    for (QWidget* w : std::initializer_list<QWidget*>{txtUsername7, txtPassword7, lblUsername7, lblPassword7})
        w->setEnabled(!checked);
    if (checked) {
        txtUsername7->setText(choices().Connection.UserName);
        txtPassword7->setText(choices().Connection.Password);
    }
}
