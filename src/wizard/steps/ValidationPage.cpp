#include "wizard/steps/ValidationPage.h"

#include "dialogs/NamedWidgets.h"
#include "dialogs/UserDialogs.h"
#include "wizard/NumberText.h"
#include "wizard/TreeNode.h"
#include "wizard/cDB.h"
#include "wizard/cMain.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QEvent>
#include <QFocusEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHash>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <tuple>

namespace {

bool isTextType(const QString& baseType)
{
    const QString t = baseType.toLower();
    return t == QLatin1String("char") || t == QLatin1String("varchar") || t.endsWith(QLatin1String("text"));
}

}  // namespace

ValidationPage::ValidationPage(WizardSession& shared, WizardStep& standIn, QWidget* parent)
    : WizardStep(shared, 5, parent), m_standIn(standIn)
{
    setupUi();
    connect(trvValidate, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem* item) { LoadRuleControls(item); });
    connect(chkNulls, &QCheckBox::toggled, this, [this](bool on) {
        if (ChosenField* f = CurrentChosenField())
            f->AllowNulls = on ? 1 : 0;
    });
    connect(chkCharacterCheck, &QCheckBox::toggled, txtCharacters, &QWidget::setEnabled);
    connect(txtCharacters, &QLineEdit::textChanged, this, [this](const QString& text) {
        if (ChosenField* f = CurrentChosenField())
            f->Characters = text;
    });
    connect(chkLimits, &QCheckBox::toggled, this, [this](bool on) {
        txtMin->setEnabled(on);
        txtMax->setEnabled(on);
    });
    connect(txtMin, &QLineEdit::textChanged, this, [this] { SetNumberFromBox(txtMin, &ChosenField::MinValue); });
    connect(txtMax, &QLineEdit::textChanged, this, [this] { SetNumberFromBox(txtMax, &ChosenField::MaxValue); });
    connect(cmbfk, &QComboBox::activated, this, [this](int index) {
        if (ChosenField* f = CurrentChosenField())
            f->LookupTarget = cmbfk->itemText(index);
    });
    connect(cmdhelpParent, &QPushButton::clicked, this, [this] { session().showFieldHelp(1); });
    // The rule controls change the chosen field in place, above; the site preview follows.
    for (QCheckBox* box : {chkNulls, chkCharacterCheck, chkLimits})
        connect(box, &QCheckBox::toggled, &shared, &WizardSession::noteChoicesEdited);
    for (QLineEdit* box : {txtCharacters, txtMin, txtMax})
        connect(box, &QLineEdit::textChanged, &shared, &WizardSession::noteChoicesEdited);
    connect(cmbfk, &QComboBox::activated, &shared, &WizardSession::noteChoicesEdited);
}

void ValidationPage::setupUi()
{
    auto* layout = new QHBoxLayout(this);
    trvValidate = named(new QTreeWidget(this), "trvValidate");
    trvValidate->setHeaderHidden(true);
    layout->addWidget(trvValidate, 1);

    auto* right = new QVBoxLayout;
    auto* rules = named(new QGroupBox(QStringLiteral("Validation setup"), this), "frmValidation");
    auto* grid = new QGridLayout(rules);
    grid->setVerticalSpacing(2);
    const QString charactersTip =
        QStringLiteral("validation will succeed only if user entry include these  characters");
    chkNulls = checkBox("chkNulls", QStringLiteral("Allow Nulls"), rules);
    chkCharacterCheck = checkBox("chkCharacterCheck", QStringLiteral("Check For Characters"), rules);
    chkCharacterCheck->setToolTip(charactersTip);
    txtCharacters = lineEdit("txtCharacters", rules);
    txtCharacters->setToolTip(charactersTip);
    txtCharacters->setEnabled(false);
    chkLimits = checkBox("chkLimits", QStringLiteral("Set Limits"), rules);
    chkLimits->setToolTip(QStringLiteral("For Numeric Fields only"));
    txtMin = lineEdit("txtMin", rules);
    txtMax = lineEdit("txtMax", rules);
    txtMin->setEnabled(false);
    txtMax->setEnabled(false);
    grid->addWidget(chkNulls, 0, 0, 1, 4);
    grid->addWidget(chkCharacterCheck, 1, 0, 1, 2);
    grid->addWidget(txtCharacters, 1, 2, 1, 2);
    grid->addWidget(chkLimits, 2, 0, 1, 4);
    // The limits' labels grey out with their boxes.
    for (const auto& [caption, box, column] : {std::tuple{"Min", txtMin, 0}, std::tuple{"Max", txtMax, 2}}) {
        auto* label = new QLabel(QString::fromLatin1(caption), rules);
        label->setEnabled(false);
        connect(chkLimits, &QCheckBox::toggled, label, &QWidget::setEnabled);
        grid->addWidget(label, 3, column);
        grid->addWidget(box, 3, column + 1);
    }
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(3, 1);
    right->addWidget(rules);

    auto* lookup = new QHBoxLayout;
    lookup->addWidget(new QLabel(QStringLiteral("Select parent Field"), this));
    cmbfk = named(new QComboBox(this), "cmbfk");
    cmbfk->setMinimumWidth(120);
    cmbfk->setEditable(true);
    cmbfk->lineEdit()->setReadOnly(true);
    cmbfk->setInsertPolicy(QComboBox::NoInsert);
    cmbfk->installEventFilter(this);
    lookup->addWidget(cmbfk, 1);
    cmdhelpParent = namedButton("cmdhelpParent", QStringLiteral("?"), this);
    cmdhelpParent->setToolTip(QStringLiteral("What are lookup columns?"));
    cmdhelpParent->setFixedWidth(28);
    lookup->addWidget(cmdhelpParent);
    right->addLayout(lookup);
    // A taller window gives the room to the tree; the rule controls keep their rows together.
    right->addStretch(1);
    layout->addLayout(right, 1);
}

bool ValidationPage::validating() const
{
    const ScriptOptions& o = choices().Options;
    return o.CreateLookupColumns || o.PhpValidate;
}

// Nothing to validate: the stand-in's page is shown under this step's titles, and Next moves on
// to the step after this one as usual.
WizardStep* ValidationPage::pageShown()
{
    return validating() ? this : &m_standIn;
}

// The tree is rebuilt on every entry with validation wanted, also when coming back.
void ValidationPage::enter(bool)
{
    cmbfk->clear();
    if (!validating())
        return;
    cmbfk->setEnabled(true);
    BuildValidationTree();
    if (choices().Options.CreateLookupColumns)
        PrefillLookupColumns();
}

ChosenField* ValidationPage::CurrentChosenField()
{
    const auto [table, field] = m_currentField;
    QList<SelectedTable>& tables = choices().SelectedTables;
    if (table < 0 || table >= tables.size())
        return nullptr;
    QList<ChosenField>& fields = tables[table].ChosenFields;
    if (field < 0 || field >= fields.size())
        return nullptr;
    return &fields[field];
}

// Text that is no 16-bit number (empty, letters, out of range) leaves the stored value alone.
void ValidationPage::SetNumberFromBox(QLineEdit* box, int16_t ChosenField::*member)
{
    ChosenField* f = CurrentChosenField();
    if (!f)
        return;
    if (const Int16Result number = toInt16(box->text()))
        f->*member = number.Value;
}

void ValidationPage::BuildValidationTree()
{
    WizardChoices& c = choices();
    trvValidate->clear();
    m_validationNodes.clear();
    QTreeWidgetItem* root = makeTreeNode(QStringLiteral("root"), c.Connection.DatabaseName, false);
    trvValidate->addTopLevelItem(root);
    root->setExpanded(true);
    const qsizetype tableCount = c.SelectedTables.size();
    for (qsizetype i = 0; i < tableCount; ++i) {
        QTreeWidgetItem* node = makeTreeNode(QStringLiteral("Table%1").arg(i), c.SelectedTables[i].TableName, false);
        root->addChild(node);
        node->setExpanded(true);
        m_validationNodes.append(node);
    }
    int k = 1;
    for (qsizetype i = 0; i < tableCount; ++i) {
        QList<QTreeWidgetItem*> fields;
        for (const ChosenField& field : c.SelectedTables[i].ChosenFields)
            fields.append(makeTreeNode(QStringLiteral("Field%1").arg(k++), field.Name, true));
        m_validationNodes[i]->addChildren(fields);
        m_validationNodes.append(fields);
    }
    for (SelectedTable& table : c.SelectedTables) {
        for (ChosenField& field : table.ChosenFields) {
            if (!field.RuleOffered)
                field.AllowNulls = 1;
            field.RuleOffered = true;
        }
    }
}

// Foreign keys found on the server become lookup columns: a chosen field that refers to another
// selected table shows that table's first chosen text column (or the referenced column when it
// has none). A field marked once is left to the user from then on, even when he cleared it.
void ValidationPage::PrefillLookupColumns()
{
    WizardChoices& c = choices();
    const QString databaseName = c.Connection.DatabaseName.trimmed();
    QHash<QString, qsizetype> tableIndex;
    for (qsizetype i = 0; i < c.SelectedTables.size(); ++i)
        tableIndex.insert(c.SelectedTables[i].TableName, i);

    QHash<QString, QString> displayColumn;  // parent table -> first chosen text column
    auto displayColumnOf = [&](const QString& parent) -> QString {
        if (auto it = displayColumn.constFind(parent); it != displayColumn.constEnd())
            return *it;
        QHash<QString, QString> types;
        QList<FieldInfo> described;
        session().waitOnServer([&] { described = database().DescribeTable(parent); });
        for (const FieldInfo& info : std::as_const(described))
            types.insert(info.Name, main().BaseTypeName(info.Type));
        QString chosen;
        for (const ChosenField& f : c.SelectedTables[tableIndex.value(parent)].ChosenFields) {
            if (isTextType(types.value(f.Name))) {
                chosen = f.Name;
                break;
            }
        }
        displayColumn.insert(parent, chosen);
        return chosen;
    };

    for (SelectedTable& table : c.SelectedTables) {
        // The window is repainted before each table's keys are read, which may take a while.
        QCoreApplication::processEvents();
        QList<ForeignKeyInfo> keys;
        if (!session().waitOnServer([&] { keys = database().DiscoverForeignKeys(databaseName, table.TableName); }))
            return;
        for (ChosenField& field : table.ChosenFields) {
            if (field.IsForeignKey || !field.LookupTarget.isEmpty())
                continue;
            for (const ForeignKeyInfo& key : keys) {
                if (key.ChildColumn != field.Name || !tableIndex.contains(key.ParentTable))
                    continue;
                const QString display = displayColumnOf(key.ParentTable);
                // A wait given up leaves the field as it was, to be looked at on the next entry.
                if (session().waitGivenUp())
                    return;
                field.IsForeignKey = true;
                field.ParentTable = key.ParentTable;
                field.LookupTarget = key.ParentTable + QLatin1Char('.') + (display.isEmpty() ? key.ParentColumn : display);
                break;
            }
        }
    }
}

void ValidationPage::LoadRuleControls(QTreeWidgetItem* clicked)
{
    const WizardChoices& c = choices();
    m_currentField = {0, 0};
    const qsizetype n = c.SelectedTables.size() - 1;
    qsizetype k = 1;
    for (qsizetype i = 0; i < c.SelectedTables.size(); ++i) {
        for (qsizetype j = 0; j < c.SelectedTables[i].ChosenFields.size(); ++j, ++k) {
            if (n + k < m_validationNodes.size() && m_validationNodes[n + k] == clicked)
                m_currentField = {static_cast<int16_t>(i), static_cast<int16_t>(j)};
        }
    }
    ChosenField* f = CurrentChosenField();
    if (!f)
        return;
    // Showing a value works like the user setting it: the handlers store it back.
    const ChosenField shown = *f;
    txtMax->setText(QString::number(shown.MaxValue));
    txtMin->setText(QString::number(shown.MinValue));
    chkLimits->setChecked(shown.MaxValue != 0);
    txtMin->setEnabled(chkLimits->isChecked());
    txtMax->setEnabled(chkLimits->isChecked());
    txtCharacters->setText(shown.Characters);
    chkCharacterCheck->setChecked(!shown.Characters.isEmpty());
    txtCharacters->setEnabled(chkCharacterCheck->isChecked());
    chkNulls->setChecked(shown.AllowNulls != 0);

    // The empty first entry removes a chosen lookup column.
    cmbfk->clear();
    cmbfk->addItem(QString());
    for (const SelectedTable& table : c.SelectedTables) {
        for (const ChosenField& field : table.ChosenFields)
            cmbfk->addItem(table.TableName + QLatin1Char('.') + field.Name);
    }
    const QString text = shown.LookupTarget.isEmpty() ? shown.Name : shown.LookupTarget;
    const int index = cmbfk->findText(text);
    cmbfk->setCurrentIndex(index);
    cmbfk->setEditText(text);
}

// Gives the focus to the nearest control before `w` in the Tab order that can take it.
void ValidationPage::focusBefore(QWidget* w)
{
    for (QWidget* before = w->previousInFocusChain(); before && before != w; before = before->previousInFocusChain()) {
        if ((before->focusPolicy() & Qt::TabFocus) && before->isVisible() && before->isEnabled()) {
            before->setFocus(Qt::BacktabFocusReason);
            return;
        }
    }
}

bool ValidationPage::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::FocusIn && watched == cmbfk && cmbfk->count() == 0) {
        showMessage(this,
                    QStringLiteral("Select the field, which is wanted to be a lookup column from the fields list"),
                    MessageIcon::Information);
        // Sent back to the tree, a user who tabs would never get past the empty box: Tab and
        // Shift+Tab go on to the control after or before it.
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason == Qt::TabFocusReason)
            cmdhelpParent->setFocus(reason);
        else if (reason == Qt::BacktabFocusReason)
            focusBefore(cmbfk);
        else
            trvValidate->setFocus();
        return true;
    }
    return WizardStep::eventFilter(watched, event);
}
