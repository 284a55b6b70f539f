#pragma once
// Step 4: what the generated scripts allow, whether they get lookup columns and server-side
// validation, and how many records a page lists.

#include "wizard/steps/WizardStep.h"

class QComboBox;
class QPushButton;

class OptionsPage : public WizardStep {
    Q_OBJECT

public:
    explicit OptionsPage(WizardSession& session, QWidget* parent = nullptr);

    // Whether this is the first arrival: true from entering the step forward, as long as it was never
    // left with Next, until Next leaves it. The boxes take their defaults then.
    bool OptionsFirstVisit() const { return m_firstVisit; }

    void enter(bool comingBack) override;
    bool leave() override;
    void applyUnsaved(WizardChoices& choices) const override;

private:
    void setupUi();
    void ApplyOptionDefaults();
    void ShowSiteOptions(const WizardChoices& site);
    void FillRecordsPerPageList();
    void CollectOptions();
    // What the check boxes show, into `options`.
    void readBoxes(ScriptOptions& options) const;

    bool m_firstVisit = false;

    QCheckBox* chkAddRecords = nullptr;
    QCheckBox* chkEditRecords = nullptr;
    QCheckBox* chkDeleteRecords = nullptr;
    QCheckBox* chkViewRecords = nullptr;
    QCheckBox* chkSearchRecords = nullptr;
    QCheckBox* chkFK = nullptr;
    QCheckBox* chkPHPValidate = nullptr;
    QComboBox* cmbSplitter = nullptr;
    QPushButton* cmdinfo1 = nullptr;
};
