// Steps 2 and 3: moving tables between the two lists, and the field tree whose check marks
// become the chosen fields of every table.
#include "wizard/frmWizard.h"

#include "wizard/TreeNode.h"

#include "dialogs/UserDialogs.h"
#include "wizard/cDB.h"

#include <QCoreApplication>
#include <QListWidget>
#include <QPushButton>
#include <QSet>
#include <QTreeWidget>

namespace {

// Selects `row` of a non-empty list, or the row before it when `row` is now past the end.
void selectNear(QListWidget* list, int row)
{
    if (list->count() == 0)
        return;
    list->setCurrentRow(row < list->count() ? row : list->count() - 1);
}

}  // namespace

void frmWizard::connectTablePanels()
{
    connect(cmdAppendTables, &QPushButton::clicked, this, &frmWizard::AppendTable);
    connect(cmdRemoveTables, &QPushButton::clicked, this, &frmWizard::RemoveTable);
    connect(cAllToLeft, &QPushButton::clicked, this, &frmWizard::AllTablesToLeft);
    connect(cAllToright, &QPushButton::clicked, this, &frmWizard::AllTablesToRight);
    connect(lstAvTables, &QListWidget::itemDoubleClicked, this, [this] { AppendTable(); });
    connect(lstSelTables, &QListWidget::itemDoubleClicked, this, [this] { RemoveTable(); });
    connect(cSelAll, &QPushButton::clicked, this, [this] { SetAllFieldChecks(true); });
    connect(cSelNone, &QPushButton::clicked, this, [this] { SetAllFieldChecks(false); });
}

void frmWizard::LoadAvailableTables()
{
    const QStringList names = Database().ListTables(m_choices.Connection.DatabaseName.trimmed());
    lstAvTables->clear();
    // A table already in the selected list is not offered a second time.
    QSet<QString> selected;
    for (int i = 0; i < lstSelTables->count(); ++i)
        selected.insert(lstSelTables->item(i)->text());
    const qsizetype listed = std::min<qsizetype>(ListedTableCount, names.size());
    for (qsizetype i = 0; i < listed; ++i) {
        if (!selected.contains(names[i]))
            lstAvTables->addItem(names[i]);
    }
}

void frmWizard::AppendTable()
{
    if (lstAvTables->count() == 0)
        return;
    const int row = std::max(lstAvTables->currentRow(), 0);
    lstSelTables->addItem(lstAvTables->item(row)->text());
    delete lstAvTables->takeItem(row);
    selectNear(lstAvTables, row);
    lstSelTables->setCurrentRow(lstSelTables->count() - 1);
}

void frmWizard::RemoveTable()
{
    if (lstSelTables->count() == 0)
        return;
    const int row = std::max(lstSelTables->currentRow(), 0);
    lstAvTables->addItem(lstSelTables->item(row)->text());
    lstAvTables->setCurrentRow(lstAvTables->count() - 1);
    delete lstSelTables->takeItem(row);
    selectNear(lstSelTables, row);
}

void frmWizard::AllTablesToLeft()
{
    if (lstSelTables->count() == 0)
        return;
    for (int i = 0; i < lstSelTables->count(); ++i)
        lstAvTables->addItem(lstSelTables->item(i)->text());
    lstSelTables->clear();
    lstAvTables->setCurrentRow(lstAvTables->count() - 1);
}

void frmWizard::AllTablesToRight()
{
    if (lstAvTables->count() == 0)
        return;
    for (int i = 0; i < lstAvTables->count(); ++i)
        lstSelTables->addItem(lstAvTables->item(i)->text());
    lstAvTables->clear();
    lstSelTables->setCurrentRow(lstSelTables->count() - 1);
}

bool frmWizard::ConfirmTables()
{
    if (lstSelTables->count() == 0) {
        showMessage(this, QStringLiteral("You must select at least 1 table"), MessageIcon::Exclamation);
        return false;
    }
    QList<SelectedTable> tables;
    for (int i = 0; i < lstSelTables->count(); ++i)
        tables.append(SelectedTable{lstSelTables->item(i)->text(), {}});
    m_choices.SelectedTables = tables;
    m_tablesStale = false;
    return true;
}

void frmWizard::BuildFieldTree()
{
    trvFields->clear();
    m_fieldNodes.clear();

    // The tree is built while detached from the view and inserted in one step, so its size
    // does not multiply the view's work.
    QTreeWidgetItem* root = makeTreeNode(QStringLiteral("root"), m_choices.Connection.DatabaseName, true);
    const qsizetype tableCount = m_choices.SelectedTables.size();
    m_fieldNodes.reserve(tableCount);
    QList<QList<QTreeWidgetItem*>> fieldsOfTable(tableCount);
    int k = 1;
    for (qsizetype i = 0; i < tableCount; ++i) {
        const QString& name = m_choices.SelectedTables[i].TableName;
        m_fieldNodes.append(makeTreeNode(QStringLiteral("Table%1").arg(i), name, true));
        for (const QString& column : Database().ListColumnNames(name))
            fieldsOfTable[i].append(makeTreeNode(QStringLiteral("Field%1").arg(k++), column, true));
    }
    for (qsizetype i = 0; i < tableCount; ++i) {
        m_fieldNodes[i]->addChildren(fieldsOfTable[i]);
        m_fieldNodes.append(fieldsOfTable[i]);
    }
    root->addChildren(m_fieldNodes.mid(0, tableCount));
    trvFields->addTopLevelItem(root);
    root->setExpanded(true);
    for (qsizetype i = 0; i < tableCount; ++i)
        m_fieldNodes[i]->setExpanded(true);
    trvFields->setCurrentItem(root);
    QCoreApplication::processEvents();
}

void frmWizard::SetAllFieldChecks(bool checked)
{
    const Qt::CheckState state = checked ? Qt::Checked : Qt::Unchecked;
    for (int i = 0; i < trvFields->topLevelItemCount(); ++i) {
        QTreeWidgetItem* root = trvFields->topLevelItem(i);
        root->setCheckState(0, state);
        for (int t = 0; t < root->childCount(); ++t) {
            QTreeWidgetItem* table = root->child(t);
            table->setCheckState(0, state);
            for (int f = 0; f < table->childCount(); ++f)
                table->child(f)->setCheckState(0, state);
        }
    }
}

// The chosen fields are the checked field nodes of each table, taken by the nodes' own texts in
// tree order (the table's column order), so a column added or dropped on the server meanwhile
// cannot shift a check mark onto another name. A column that no longer exists is left out.
bool frmWizard::CollectChosenFields()
{
    const qsizetype tableCount = m_choices.SelectedTables.size();
    for (qsizetype i = 0; i < tableCount && i < m_fieldNodes.size(); ++i) {
        SelectedTable& table = m_choices.SelectedTables[i];
        table.ChosenFields.clear();
        const QStringList columns = Database().ListColumnNames(table.TableName);
        // A lost connection has been reported on its own: the table is not to blame.
        if (columns.isEmpty() && Database().ConnectionLost())
            return false;
        if (columns.isEmpty()) {
            showMessage(this,
                        QStringLiteral("The columns of table %1 cannot be read: it may have been dropped or "
                                       "renamed on the server. Go back to the table selection and choose the "
                                       "tables again.")
                            .arg(table.TableName),
                        MessageIcon::Exclamation);
            return false;
        }
        const QSet<QString> existing(columns.begin(), columns.end());
        QTreeWidgetItem* tableNode = m_fieldNodes[i];
        for (int f = 0; f < tableNode->childCount(); ++f) {
            QTreeWidgetItem* node = tableNode->child(f);
            if (node->checkState(0) != Qt::Unchecked && existing.contains(node->text(0))) {
                ChosenField field;
                field.Name = node->text(0);
                table.ChosenFields.append(field);
            }
        }
        if (table.ChosenFields.isEmpty()) {
            showMessage(this,
                        QStringLiteral("You didn't select any fields in table ") + table.TableName
                            + QStringLiteral(". Please select at least 1 field per table"),
                        MessageIcon::Exclamation);
            return false;
        }
    }
    return true;
}
