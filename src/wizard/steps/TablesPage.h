#pragma once
// Step 2: moving tables between the available and the selected list. Next makes the selected list
// the chosen tables, keeping what was chosen for a table that stays. After a site was opened on
// step 1, the site's tables come selected, with the site's choices for them.

#include "wizard/steps/WizardStep.h"

class QListWidget;
class QPushButton;

class TablesPage : public WizardStep {
    Q_OBJECT

public:
    explicit TablesPage(WizardSession& session, QWidget* parent = nullptr);

    void enter(bool comingBack) override;
    bool leave() override;
    void applyUnsaved(WizardChoices& choices) const override;

private:
    void setupUi();
    bool LoadAvailableTables();
    void SelectSiteTables(const WizardChoices& site);
    void AppendTable();
    void RemoveTable();
    void AllTablesToLeft();
    void AllTablesToRight();
    void ClearTableLists();

    QListWidget* lstAvTables = nullptr;
    QListWidget* lstSelTables = nullptr;
    QPushButton* cmdAppendTables = nullptr;
    QPushButton* cmdRemoveTables = nullptr;
    QPushButton* cAllToLeft = nullptr;
    QPushButton* cAllToright = nullptr;
};
