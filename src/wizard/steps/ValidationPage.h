#pragma once
// Step 5: the validation tree of the chosen fields, the rule controls that edit the current field's
// rule in place, and the lookup column selector. With neither validation nor lookup columns
// wanted on step 4, the step has nothing to show and another step's page stands in for it.

#include "wizard/steps/WizardStep.h"

#include <QList>

#include <cstdint>
#include <utility>

class QComboBox;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

class ValidationPage : public WizardStep {
    Q_OBJECT

public:
    // `standIn` is the step whose page is shown when there is nothing to validate.
    ValidationPage(WizardSession& session, WizardStep& standIn, QWidget* parent = nullptr);

    // The tree's nodes: position i holds the node of table i, position n + k the field node
    // "Field<k>" (n = number of tables - 1). Every node keeps its key ("root", "Table<i>",
    // "Field<k>") as data of role Qt::UserRole.
    const QList<QTreeWidgetItem*>& ValidationNodeList() const { return m_validationNodes; }
    // The chosen field the rule controls show and edit: (table index, field index).
    std::pair<int16_t, int16_t> CurrentField() const { return m_currentField; }

    void enter(bool comingBack) override;
    WizardStep* pageShown() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void focusBefore(QWidget* w);
    void setupUi();
    bool validating() const;
    void BuildValidationTree();
    void PrefillLookupColumns();
    void LoadRuleControls(QTreeWidgetItem* clicked);
    ChosenField* CurrentChosenField();
    void SetNumberFromBox(QLineEdit* box, int16_t ChosenField::*member);

    WizardStep& m_standIn;
    QList<QTreeWidgetItem*> m_validationNodes;
    std::pair<int16_t, int16_t> m_currentField{0, 0};

    QTreeWidget* trvValidate = nullptr;
    QCheckBox* chkNulls = nullptr;
    QCheckBox* chkCharacterCheck = nullptr;
    QLineEdit* txtCharacters = nullptr;
    QCheckBox* chkLimits = nullptr;
    QLineEdit* txtMin = nullptr;
    QLineEdit* txtMax = nullptr;
    QComboBox* cmbfk = nullptr;
    QPushButton* cmdhelpParent = nullptr;
};
