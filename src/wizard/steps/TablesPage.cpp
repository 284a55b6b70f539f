#include "wizard/steps/TablesPage.h"

#include "dialogs/NamedWidgets.h"
#include "dialogs/UserDialogs.h"
#include "wizard/cDB.h"

#include <QGridLayout>
#include <QHash>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSet>
#include <QVBoxLayout>

#include <algorithm>

namespace {

// Selects `row` of a non-empty list, or the row before it when `row` is now past the end.
void selectNear(QListWidget* list, int row)
{
    if (list->count() == 0)
        return;
    list->setCurrentRow(row < list->count() ? row : list->count() - 1);
}

}  // namespace

TablesPage::TablesPage(WizardSession& shared, QWidget* parent) : WizardStep(shared, 2, parent)
{
    setupUi();
    connect(cmdAppendTables, &QPushButton::clicked, this, &TablesPage::AppendTable);
    connect(cmdRemoveTables, &QPushButton::clicked, this, &TablesPage::RemoveTable);
    connect(cAllToLeft, &QPushButton::clicked, this, &TablesPage::AllTablesToLeft);
    connect(cAllToright, &QPushButton::clicked, this, &TablesPage::AllTablesToRight);
    connect(lstAvTables, &QListWidget::itemDoubleClicked, this, [this] { AppendTable(); });
    connect(lstSelTables, &QListWidget::itemDoubleClicked, this, [this] { RemoveTable(); });
    connect(&shared, &WizardSession::tableSourceChanged, this, &TablesPage::ClearTableLists);
    connect(lstSelTables->model(), &QAbstractItemModel::rowsInserted, &shared, &WizardSession::noteChoicesEdited);
    connect(lstSelTables->model(), &QAbstractItemModel::rowsRemoved, &shared, &WizardSession::noteChoicesEdited);
}

void TablesPage::setupUi()
{
    auto* grid = new QGridLayout(this);
    lstAvTables = named(new QListWidget(this), "lstAvTables");
    lstSelTables = named(new QListWidget(this), "lstSelTables");
    cmdAppendTables = namedButton("cmdAppendTables", QStringLiteral(">"), this);
    cmdRemoveTables = namedButton("cmdRemoveTables", QStringLiteral("<"), this);
    cAllToright = namedButton("cAllToright", QStringLiteral(">>"), this);
    cAllToLeft = namedButton("cAllToLeft", QStringLiteral("<<"), this);

    auto* moves = new QVBoxLayout;
    moves->addStretch(1);
    for (QPushButton* b : {cmdAppendTables, cmdRemoveTables, cAllToright, cAllToLeft}) {
        b->setFixedWidth(40);
        moves->addWidget(b);
    }
    moves->addStretch(1);

    grid->addWidget(new QLabel(QStringLiteral("Available Tables:"), this), 0, 0);
    grid->addWidget(new QLabel(QStringLiteral("Already Selected Tables:"), this), 0, 2);
    grid->addWidget(lstAvTables, 1, 0);
    grid->addLayout(moves, 1, 1);
    grid->addWidget(lstSelTables, 1, 2);
    // Tab goes left to right: the available list, the move buttons, the selected list.
    setTabOrder(cAllToLeft, lstSelTables);
}

// The available list is read again on the way from step 1 (leaving out what is selected); either
// way its first entry is selected.
void TablesPage::enter(bool)
{
    if (session().tablesStale()) {
        cmdAppendTables->setEnabled(true);
        cAllToright->setEnabled(true);
        if (LoadAvailableTables()) {
            if (const WizardChoices* site = session().siteToTake(index()))
                SelectSiteTables(*site);
        }
    }
    if (lstAvTables->count() > 0)
        lstAvTables->setCurrentRow(0);
}

bool TablesPage::LoadAvailableTables()
{
    const QString databaseName = choices().Connection.DatabaseName.trimmed();
    QStringList names;
    if (!session().waitOnServer([&] { names = database().ListTables(databaseName); }))
        return false;
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
    return true;
}

// The selected list becomes the site's tables in the site's order, and the record takes the site's
// choices for them. A site table the database no longer has is left out and named.
void TablesPage::SelectSiteTables(const WizardChoices& site)
{
    for (int i = 0; i < lstSelTables->count(); ++i)
        lstAvTables->addItem(lstSelTables->item(i)->text());
    lstSelTables->clear();
    WizardChoices& c = choices();
    c.SelectedTables.clear();
    QStringList gone;
    for (const SelectedTable& table : site.SelectedTables) {
        const QList<QListWidgetItem*> found = lstAvTables->findItems(table.TableName, Qt::MatchExactly);
        if (found.isEmpty()) {
            gone << QStringLiteral("%1 was in the site but is no longer in the database").arg(table.TableName);
            continue;
        }
        delete lstAvTables->takeItem(lstAvTables->row(found[0]));
        lstSelTables->addItem(table.TableName);
        SelectedTable taken = table;
        // With lookup columns on, the site decided every field's lookup: one left without stays
        // without, rather than taking a foreign key found on the server.
        if (site.Options.CreateLookupColumns) {
            for (ChosenField& field : taken.ChosenFields)
                field.IsForeignKey = true;
        }
        c.SelectedTables.append(taken);
    }
    if (lstSelTables->count() > 0)
        lstSelTables->setCurrentRow(0);
    session().siteTaken(index());
    if (!gone.isEmpty())
        showMessage(this, gone.join(QLatin1Char('\n')), MessageIcon::Exclamation);
}

void TablesPage::AppendTable()
{
    if (lstAvTables->count() == 0)
        return;
    const int row = std::max(lstAvTables->currentRow(), 0);
    lstSelTables->addItem(lstAvTables->item(row)->text());
    delete lstAvTables->takeItem(row);
    selectNear(lstAvTables, row);
    lstSelTables->setCurrentRow(lstSelTables->count() - 1);
}

void TablesPage::RemoveTable()
{
    if (lstSelTables->count() == 0)
        return;
    const int row = std::max(lstSelTables->currentRow(), 0);
    lstAvTables->addItem(lstSelTables->item(row)->text());
    lstAvTables->setCurrentRow(lstAvTables->count() - 1);
    delete lstSelTables->takeItem(row);
    selectNear(lstSelTables, row);
}

void TablesPage::AllTablesToLeft()
{
    if (lstSelTables->count() == 0)
        return;
    for (int i = 0; i < lstSelTables->count(); ++i)
        lstAvTables->addItem(lstSelTables->item(i)->text());
    lstSelTables->clear();
    lstAvTables->setCurrentRow(lstAvTables->count() - 1);
}

void TablesPage::AllTablesToRight()
{
    if (lstAvTables->count() == 0)
        return;
    for (int i = 0; i < lstAvTables->count(); ++i)
        lstSelTables->addItem(lstAvTables->item(i)->text());
    lstAvTables->clear();
    lstSelTables->setCurrentRow(lstSelTables->count() - 1);
}

// Another server or database: both lists start afresh, and a user who had selected tables is told
// that they and the choices made for them are gone.
void TablesPage::ClearTableLists()
{
    const bool hadTables = lstSelTables->count() > 0;
    lstAvTables->clear();
    lstSelTables->clear();
    if (hadTables)
        showMessage(this,
                    QStringLiteral("The server or database has changed, so the selected tables and the "
                                   "choices made for them were cleared."),
                    MessageIcon::Information);
}

// The selected list in its order. A table that stays selected keeps its chosen fields with their
// rules and lookup columns; a table new to the selection starts without any.
void TablesPage::applyUnsaved(WizardChoices& c) const
{
    if (lstSelTables->count() == 0)
        return;
    QList<SelectedTable> tables;
    for (int i = 0; i < lstSelTables->count(); ++i) {
        const QString name = lstSelTables->item(i)->text();
        const auto kept = std::find_if(c.SelectedTables.begin(), c.SelectedTables.end(),
                                       [&name](const SelectedTable& t) { return t.TableName == name; });
        tables.append(kept != c.SelectedTables.end() ? *kept : SelectedTable{name, {}});
    }
    c.SelectedTables = tables;
}

bool TablesPage::leave()
{
    if (lstSelTables->count() == 0) {
        showMessage(this, QStringLiteral("You must select at least 1 table"), MessageIcon::Exclamation);
        return false;
    }
    applyUnsaved(choices());
    session().setTablesStale(false);
    session().removeLookupsToUnchosenColumns(this);
    return true;
}
