// Steps 2 and 3: moving tables between the two lists, and the field tree whose check marks
// become the chosen fields of every table.
#include "wizard/frmWizard.h"

#include "wizard/TreeNode.h"

#include "dialogs/UserDialogs.h"
#include "wizard/cDB.h"

#include <QCoreApplication>
#include <QHash>
#include <QListWidget>
#include <QPushButton>
#include <QSet>
#include <QTreeWidget>

#include <algorithm>
#include <utility>

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

// Next on step 1. The table lists, and what was chosen for their tables on the later steps, belong
// to one database on one server: they stay while that is unchanged (the available list is then
// read again, leaving out what is selected), and start afresh for another.
void frmWizard::KeepOrClearTableLists()
{
    const ConnectionSettings& c = m_choices.Connection;
    const QString source = c.ServerName + QLatin1Char('\n') + QString::number(c.Port) + QLatin1Char('\n') + c.DatabaseName;
    if (source != m_tableSource) {
        const bool hadTables = lstSelTables->count() > 0;
        m_tableSource = source;
        lstAvTables->clear();
        lstSelTables->clear();
        trvFields->clear();
        m_fieldNodes.clear();
        m_choices.SelectedTables.clear();
        if (hadTables)
            showMessage(this,
                        QStringLiteral("The server or database has changed, so the selected tables and the "
                                       "choices made for them were cleared."),
                        MessageIcon::Information);
    }
    cmdAppendTables->setEnabled(true);
    cAllToright->setEnabled(true);
}

// A table that stays selected keeps its chosen fields with their rules and lookup columns; a
// table new to the selection starts without any.
bool frmWizard::ConfirmTables()
{
    if (lstSelTables->count() == 0) {
        showMessage(this, QStringLiteral("You must select at least 1 table"), MessageIcon::Exclamation);
        return false;
    }
    QHash<QString, qsizetype> before;
    for (qsizetype i = 0; i < m_choices.SelectedTables.size(); ++i)
        before.insert(m_choices.SelectedTables[i].TableName, i);
    QList<SelectedTable> tables;
    for (int i = 0; i < lstSelTables->count(); ++i) {
        const QString name = lstSelTables->item(i)->text();
        const qsizetype kept = before.value(name, -1);
        tables.append(kept >= 0 ? m_choices.SelectedTables[kept] : SelectedTable{name, {}});
    }
    m_choices.SelectedTables = tables;
    m_tablesStale = false;
    RemoveLookupsToUnchosenColumns();
    return true;
}

// A table that was in the tree before keeps its check marks; a table or column new to the tree
// comes checked.
void frmWizard::BuildFieldTree()
{
    QHash<std::pair<QString, QString>, Qt::CheckState> marks;  // (table, column or empty) -> mark
    if (QTreeWidgetItem* root = trvFields->topLevelItem(0)) {
        for (int t = 0; t < root->childCount(); ++t) {
            QTreeWidgetItem* table = root->child(t);
            marks.insert({table->text(0), QString()}, table->checkState(0));
            for (int f = 0; f < table->childCount(); ++f)
                marks.insert({table->text(0), table->child(f)->text(0)}, table->child(f)->checkState(0));
        }
    }
    trvFields->clear();
    m_fieldNodes.clear();
    auto keepMark = [&marks](QTreeWidgetItem* node, const QString& table, const QString& column) {
        if (auto it = marks.constFind({table, column}); it != marks.constEnd())
            node->setCheckState(0, *it);
        return node;
    };

    // The tree is built while detached from the view and inserted in one step, so its size
    // does not multiply the view's work.
    QTreeWidgetItem* root = makeTreeNode(QStringLiteral("root"), m_choices.Connection.DatabaseName, true);
    const qsizetype tableCount = m_choices.SelectedTables.size();
    m_fieldNodes.reserve(tableCount);
    QList<QList<QTreeWidgetItem*>> fieldsOfTable(tableCount);
    int k = 1;
    for (qsizetype i = 0; i < tableCount; ++i) {
        const QString& name = m_choices.SelectedTables[i].TableName;
        m_fieldNodes.append(keepMark(makeTreeNode(QStringLiteral("Table%1").arg(i), name, true), name, {}));
        for (const QString& column : Database().ListColumnNames(name))
            fieldsOfTable[i].append(keepMark(makeTreeNode(QStringLiteral("Field%1").arg(k++), column, true), name, column));
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
// A field chosen before keeps its rule and lookup column. Columns left out that a new record
// cannot do without are noted for the warning about adding records.
bool frmWizard::CollectChosenFields()
{
    m_requiredLeftOut.clear();
    const qsizetype tableCount = m_choices.SelectedTables.size();
    for (qsizetype i = 0; i < tableCount && i < m_fieldNodes.size(); ++i) {
        SelectedTable& table = m_choices.SelectedTables[i];
        const QList<FieldInfo> described = Database().DescribeTable(table.TableName);
        // A lost connection has been reported on its own: the table is not to blame.
        if (described.isEmpty() && Database().ConnectionLost())
            return false;
        QStringList columns;
        for (const FieldInfo& column : described)
            columns << column.Name;
        if (columns.isEmpty()) {
            showMessage(this,
                        QStringLiteral("The columns of table %1 cannot be read: it may have been dropped or "
                                       "renamed on the server. Go back to the table selection and choose the "
                                       "tables again.")
                            .arg(table.TableName),
                        MessageIcon::Exclamation);
            return false;
        }
        const QList<ChosenField> before = std::exchange(table.ChosenFields, {});
        const QSet<QString> existing(columns.begin(), columns.end());
        QTreeWidgetItem* tableNode = m_fieldNodes[i];
        for (int f = 0; f < tableNode->childCount(); ++f) {
            QTreeWidgetItem* node = tableNode->child(f);
            if (node->checkState(0) != Qt::Unchecked && existing.contains(node->text(0))) {
                const QString name = node->text(0);
                const auto kept = std::find_if(before.begin(), before.end(),
                                               [&name](const ChosenField& c) { return c.Name == name; });
                ChosenField field;
                field.Name = name;
                table.ChosenFields.append(kept != before.end() ? *kept : field);
            }
        }
        for (const FieldInfo& column : described) {
            const bool chosen = std::any_of(table.ChosenFields.begin(), table.ChosenFields.end(),
                                            [&column](const ChosenField& c) { return c.Name == column.Name; });
            if (column.NeedsValue && !chosen)
                m_requiredLeftOut << table.TableName + QLatin1Char('.') + column.Name;
        }
        if (table.ChosenFields.isEmpty()) {
            showMessage(this,
                        QStringLiteral("You didn't select any fields in table ") + table.TableName
                            + QStringLiteral(". Please select at least 1 field per table"),
                        MessageIcon::Exclamation);
            return false;
        }
    }
    RemoveLookupsToUnchosenColumns();
    return true;
}

// A lookup column shows a chosen column of a chosen table: one whose column is no longer chosen is
// removed, and the user is told which.
void frmWizard::RemoveLookupsToUnchosenColumns()
{
    QSet<QString> chosen;
    for (const SelectedTable& table : std::as_const(m_choices.SelectedTables)) {
        for (const ChosenField& field : table.ChosenFields)
            chosen.insert(table.TableName + QLatin1Char('.') + field.Name);
    }
    QStringList removed;
    for (SelectedTable& table : m_choices.SelectedTables) {
        for (ChosenField& field : table.ChosenFields) {
            if (!field.LookupTarget.isEmpty() && !chosen.contains(field.LookupTarget)) {
                removed << table.TableName + QLatin1Char('.') + field.Name;
                field.LookupTarget.clear();
            }
        }
    }
    if (!removed.isEmpty())
        showMessage(this,
                    QStringLiteral("The column shown by these lookup columns is no longer chosen, so they were "
                                   "removed: %1.")
                        .arg(removed.join(QStringLiteral(", "))),
                    MessageIcon::Information);
}

// Adding a record fails while a column it cannot do without is left out. Whether adding is allowed
// is chosen on step 4, after this step, so the user is warned on leaving step 3 unless adding was
// already switched off there, and on leaving step 4 when adding is allowed and the warning was not
// answered with Yes on step 3. Yes goes on; No stays to change the choice.
bool frmWizard::ConfirmRequiredColumnsLeftOut(bool leavingOptions)
{
    if (!leavingOptions)
        m_requiredLeftOutAccepted = false;
    const bool adding = m_choices.Options.AllowAdd || (!leavingOptions && !m_optionsChosen);
    if (m_requiredLeftOut.isEmpty() || !adding || m_requiredLeftOutAccepted)
        return true;
    constexpr qsizetype kNamed = 10;
    QString columns = m_requiredLeftOut.mid(0, kNamed).join(QStringLiteral(", "));
    if (m_requiredLeftOut.size() > kNamed)
        columns += QStringLiteral(" and %1 more").arg(m_requiredLeftOut.size() - kNamed);
    const QString why = QStringLiteral("A new record cannot be saved without them (they cannot be empty and have "
                                       "no default), so the site's add form will always fail");
    const QString text =
        leavingOptions
            ? QStringLiteral("Adding records is allowed, but these columns were left out on step 3: %1.\n\n%2. "
                             "Go on anyway?")
                  .arg(columns, why)
            : QStringLiteral("These columns are left out: %1.\n\n%2 unless adding records is switched off on the "
                             "next step. Go on anyway?")
                  .arg(columns, why);
    if (showMessage(this, text, MessageIcon::Exclamation, MessageButtons::YesNo) != MessageAnswer::Yes)
        return false;
    m_requiredLeftOutAccepted = true;
    return true;
}
