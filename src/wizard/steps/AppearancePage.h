#pragma once
// Step 7: the stylesheet copied beside the scripts: one of the three delivered, one browsed for,
// or one made with the stylesheet editor or the appearance builder.

#include "wizard/steps/WizardStep.h"

#include <optional>

class frmCSS;
class QComboBox;
class QPushButton;

class AppearancePage : public WizardStep {
    Q_OBJECT

public:
    explicit AppearancePage(WizardSession& session, QWidget* parent = nullptr);

    void enter(bool comingBack) override;
    bool leave() override;
    void applyUnsaved(WizardChoices& choices) const override;

private:
    void setupUi();
    void OnStyleChosen(int index);
    void BrowseStylesheet();
    void RunCssEditor();
    std::optional<QString> ownCopy(const QString& stylesheet, const QString& folder);
    void OpenAppearanceBuilder();

    // One stylesheet editor for the whole run, created when first needed.
    frmCSS* m_cssEditor = nullptr;

    QComboBox* cmbStyles = nullptr;
    QLineEdit* txtcss = nullptr;
    QPushButton* cmdcssSelect = nullptr;
    QPushButton* Command2 = nullptr;
    QPushButton* cCssEditor = nullptr;
};
