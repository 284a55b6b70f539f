// Step 5: the validation tree, the rule controls that edit the current field's rule in place, and
// the lookup column selector.
#include "wizard/frmWizard.h"

#include "wizard/TreeNode.h"

#include "dialogs/UserDialogs.h"
#include "dialogs/frmHelp.h"
#include "wizard/NumberText.h"
#include "wizard/cDB.h"
#include "wizard/cMain.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>

namespace {

bool isTextType(const QString& baseType)
{
    const QString t = baseType.toLower();
    return t == QLatin1String("char") || t == QLatin1String("varchar") || t.endsWith(QLatin1String("text"));
}

}  // namespace

void frmWizard::connectValidationPanel()
{
    cmbfk->setEditable(true);
    cmbfk->lineEdit()->setReadOnly(true);
    cmbfk->setInsertPolicy(QComboBox::NoInsert);
    cmbfk->installEventFilter(this);

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
    connect(cmdhelpParent, &QPushButton::clicked, this, [this] { ShowFieldHelp(1); });
}

ChosenField* frmWizard::CurrentChosenField()
{
    const auto [table, field] = m_currentField;
    if (table < 0 || table >= m_choices.SelectedTables.size())
        return nullptr;
    QList<ChosenField>& fields = m_choices.SelectedTables[table].ChosenFields;
    if (field < 0 || field >= fields.size())
        return nullptr;
    return &fields[field];
}

// Text that is no 16-bit number (empty, letters, out of range) leaves the stored value alone.
void frmWizard::SetNumberFromBox(QLineEdit* box, int16_t ChosenField::*member)
{
    ChosenField* f = CurrentChosenField();
    if (!f)
        return;
    if (const Int16Result number = toInt16(box->text()))
        f->*member = number.Value;
}

void frmWizard::BuildValidationTree()
{
    trvValidate->clear();
    m_validationNodes.clear();
    QTreeWidgetItem* root = makeTreeNode(QStringLiteral("root"), m_choices.Connection.DatabaseName, false);
    trvValidate->addTopLevelItem(root);
    root->setExpanded(true);
    const qsizetype tableCount = m_choices.SelectedTables.size();
    for (qsizetype i = 0; i < tableCount; ++i) {
        QTreeWidgetItem* node = makeTreeNode(QStringLiteral("Table%1").arg(i), m_choices.SelectedTables[i].TableName, false);
        root->addChild(node);
        node->setExpanded(true);
        m_validationNodes.append(node);
    }
    int k = 1;
    for (qsizetype i = 0; i < tableCount; ++i) {
        QList<QTreeWidgetItem*> fields;
        for (const ChosenField& field : m_choices.SelectedTables[i].ChosenFields)
            fields.append(makeTreeNode(QStringLiteral("Field%1").arg(k++), field.Name, true));
        m_validationNodes[i]->addChildren(fields);
        m_validationNodes.append(fields);
    }
    for (SelectedTable& table : m_choices.SelectedTables) {
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
void frmWizard::PrefillLookupColumns()
{
    const QString database = m_choices.Connection.DatabaseName.trimmed();
    QHash<QString, qsizetype> tableIndex;
    for (qsizetype i = 0; i < m_choices.SelectedTables.size(); ++i)
        tableIndex.insert(m_choices.SelectedTables[i].TableName, i);

    QHash<QString, QString> displayColumn;  // parent table -> first chosen text column
    auto displayColumnOf = [&](const QString& parent) -> QString {
        if (auto it = displayColumn.constFind(parent); it != displayColumn.constEnd())
            return *it;
        QHash<QString, QString> types;
        for (const FieldInfo& info : Database().DescribeTable(parent))
            types.insert(info.Name, m_main.BaseTypeName(info.Type));
        QString chosen;
        for (const ChosenField& f : m_choices.SelectedTables[tableIndex.value(parent)].ChosenFields) {
            if (isTextType(types.value(f.Name))) {
                chosen = f.Name;
                break;
            }
        }
        displayColumn.insert(parent, chosen);
        return chosen;
    };

    for (SelectedTable& table : m_choices.SelectedTables) {
        const QList<ForeignKeyInfo> keys = Database().DiscoverForeignKeys(database, table.TableName);
        for (ChosenField& field : table.ChosenFields) {
            if (field.IsForeignKey || !field.LookupTarget.isEmpty())
                continue;
            for (const ForeignKeyInfo& key : keys) {
                if (key.ChildColumn != field.Name || !tableIndex.contains(key.ParentTable))
                    continue;
                const QString display = displayColumnOf(key.ParentTable);
                field.IsForeignKey = true;
                field.ParentTable = key.ParentTable;
                field.LookupTarget = key.ParentTable + QLatin1Char('.') + (display.isEmpty() ? key.ParentColumn : display);
                break;
            }
        }
    }
}

void frmWizard::LoadRuleControls(QTreeWidgetItem* clicked)
{
    m_currentField = {0, 0};
    const qsizetype n = m_choices.SelectedTables.size() - 1;
    qsizetype k = 1;
    for (qsizetype i = 0; i < m_choices.SelectedTables.size(); ++i) {
        for (qsizetype j = 0; j < m_choices.SelectedTables[i].ChosenFields.size(); ++j, ++k) {
            if (n + k < m_validationNodes.size() && m_validationNodes[n + k] == clicked)
                m_currentField = {static_cast<int16_t>(i), static_cast<int16_t>(j)};
        }
    }
    ChosenField* f = CurrentChosenField();
    if (!f)
        return;
    // Showing a value works like the user setting it: the handlers above store it back.
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
    for (const SelectedTable& table : m_choices.SelectedTables) {
        for (const ChosenField& field : table.ChosenFields)
            cmbfk->addItem(table.TableName + QLatin1Char('.') + field.Name);
    }
    const QString text = shown.LookupTarget.isEmpty() ? shown.Name : shown.LookupTarget;
    const int index = cmbfk->findText(text);
    cmbfk->setCurrentIndex(index);
    cmbfk->setEditText(text);
}

bool frmWizard::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::FocusIn && watched == cmbfk && cmbfk->count() == 0) {
        showMessage(this,
                    QStringLiteral("Select the field, which is wanted to be a lookup column from the fields list"),
                    MessageIcon::Information);
        trvValidate->setFocus();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void frmWizard::ShowFieldHelp(int topic)
{
    if (!m_fieldHelp) {
        m_fieldHelp = new frmHelp(this);
        m_fieldHelp->SetHelpViewer(&helpViewer());
    }
    m_fieldHelp->SetHelpFile(m_helpFile);
    m_fieldHelp->HelpTopic = static_cast<int16_t>(topic);
    m_fieldHelp->ShowModal();
}
