#pragma once
// Step 6: whether the generated scripts ask for a login, and which one: the connection's login or
// one typed here.

#include "wizard/steps/WizardStep.h"

class QLabel;

class SecurityPage : public WizardStep {
    Q_OBJECT

public:
    explicit SecurityPage(WizardSession& session, QWidget* parent = nullptr);

    void enter(bool comingBack) override;
    bool leave() override;
    void applyUnsaved(WizardChoices& choices) const override;
    // Scripts that neither add nor edit records: Back from the step after this one goes past it.
    bool skippedOnBack() const override;

private:
    bool m_entered = false;
    void setupUi();
    void ShowSiteLogin(const WizardChoices& site);
    void OnRequireLoginChanged(bool checked);
    void OnUseCurrentChanged(bool checked);

    QCheckBox* chkReqLogin = nullptr;
    QGroupBox* frmLoginSetup = nullptr;
    QCheckBox* chkUseCurrent = nullptr;
    QLabel* lblUsername7 = nullptr;
    QLabel* lblPassword7 = nullptr;
    QLineEdit* txtUsername7 = nullptr;
    QLineEdit* txtPassword7 = nullptr;
};
