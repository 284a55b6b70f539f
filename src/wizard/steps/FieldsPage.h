#pragma once
// Step 3: the field tree of the chosen tables, whose check marks become the chosen fields of every
// table on Next.

#include "wizard/steps/WizardStep.h"

#include <QList>

class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

class FieldsPage : public WizardStep {
    Q_OBJECT

public:
    explicit FieldsPage(WizardSession& session, QWidget* parent = nullptr);

    // The tree's nodes: position i holds the node of table i, position n + k the field node
    // "Field<k>" (n = number of tables - 1). Every node keeps its key ("root", "Table<i>",
    // "Field<k>") as data of role Qt::UserRole.
    const QList<QTreeWidgetItem*>& FieldNodeList() const { return m_fieldNodes; }

    void enter(bool comingBack) override;
    bool leave() override;
    void applyUnsaved(WizardChoices& choices) const override;

private:
    void setupUi();
    void BuildFieldTree();
    void SetAllFieldChecks(bool checked);
    bool CollectChosenFields();
    void ClearFieldTree();

    QList<QTreeWidgetItem*> m_fieldNodes;

    QTreeWidget* trvFields = nullptr;
    QPushButton* cSelAll = nullptr;
    QPushButton* cSelNone = nullptr;
};
