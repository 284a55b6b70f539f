#include "wizard/steps/OptionsPage.h"

#include "dialogs/NamedWidgets.h"
#include "dialogs/UserDialogs.h"
#include "wizard/NumberText.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

#include <cmath>

OptionsPage::OptionsPage(WizardSession& shared, QWidget* parent) : WizardStep(shared, 4, parent)
{
    setupUi();
    // Until the step is first shown its boxes hold the defaults it will show; the site preview
    // reads them.
    ApplyOptionDefaults();
    connect(cmdinfo1, &QPushButton::clicked, this, [this] { session().showFieldHelp(1); });
    for (QCheckBox* box : findChildren<QCheckBox*>())
        connect(box, &QCheckBox::toggled, &shared, &WizardSession::noteChoicesEdited);
    connect(cmbSplitter, &QComboBox::editTextChanged, &shared, &WizardSession::noteChoicesEdited);
}

void OptionsPage::setupUi()
{
    auto* grid = new QGridLayout(this);
    grid->setVerticalSpacing(2);
    chkAddRecords = checkBox("chkAddRecords", QStringLiteral("Allow adding records"), this);
    chkEditRecords = checkBox("chkEditRecords", QStringLiteral("Allow editing records"), this);
    chkDeleteRecords = checkBox("chkDeleteRecords", QStringLiteral("Allow deleting records"), this);
    chkViewRecords = checkBox("chkViewRecords", QStringLiteral("Allow viewing records"), this);
    chkSearchRecords = checkBox("chkSearchRecords", QStringLiteral("Allow searching records"), this);
    chkFK = checkBox("chkFK", QStringLiteral("Create lookup columns "), this);
    chkPHPValidate = checkBox("chkPHPValidate", QStringLiteral("Set Server-Side(PHP) Validation"), this);
    chkPHPValidate->setToolTip(QStringLiteral("verify the contents of a field before they are sent to database "));
    cmbSplitter = named(new QComboBox(this), "cmbSplitter");
    cmbSplitter->setEditable(true);
    cmbSplitter->setInsertPolicy(QComboBox::NoInsert);
    cmbSplitter->setEditText(QStringLiteral("10"));

    grid->addWidget(chkAddRecords, 0, 0);
    grid->addWidget(chkEditRecords, 1, 0);
    grid->addWidget(chkDeleteRecords, 2, 0);
    grid->addWidget(chkViewRecords, 3, 0);
    grid->addWidget(chkSearchRecords, 4, 0);
    cmdinfo1 = namedButton("cmdinfo1", QStringLiteral("?"), this);
    cmdinfo1->setFixedWidth(28);
    cmdinfo1->setToolTip(QStringLiteral("What are lookup columns?"));
    auto* lookupRow = new QHBoxLayout;
    lookupRow->addWidget(chkFK);
    lookupRow->addWidget(cmdinfo1);
    lookupRow->addStretch(1);
    grid->addLayout(lookupRow, 0, 1, 1, 2);
    grid->addWidget(chkPHPValidate, 1, 1, 1, 2);
    grid->addWidget(new QLabel(QStringLiteral("Records per page"), this), 3, 1);
    grid->addWidget(cmbSplitter, 3, 2);
    grid->setColumnStretch(0, 1);
    grid->setRowStretch(5, 1);
    // The "?" button explains the box before it: Tab takes it next.
    setTabOrder(chkFK, cmdinfo1);
}

// The boxes take their defaults on the first arrival only; after that they keep what the user set.
void OptionsPage::enter(bool comingBack)
{
    if (!comingBack)
        m_firstVisit = !session().optionsChosen();
    if (const WizardChoices* site = session().siteToTake(index()))
        ShowSiteOptions(*site);
    else if (m_firstVisit)
        ApplyOptionDefaults();
    if (!comingBack)
        FillRecordsPerPageList();
}

// What the boxes show, and a records-per-page number that Next would take.
void OptionsPage::applyUnsaved(WizardChoices& c) const
{
    readBoxes(c.Options);
    const std::optional<double> number = parseDecimal(cmbSplitter->currentText());
    if (number && *number >= 1.0 && *number <= 32767.0)
        c.Options.RecordsPerPage = static_cast<int16_t>(std::floor(*number));
}

// The options are stored even when the records-per-page text is refused (the user is told, and
// the earlier number kept); the warning about required columns left out may still keep the user
// here.
bool OptionsPage::leave()
{
    CollectOptions();
    m_firstVisit = false;
    session().setOptionsChosen(true);
    return session().confirmRequiredColumnsLeftOut(true, this);
}

void OptionsPage::ApplyOptionDefaults()
{
    for (QCheckBox* box : {chkAddRecords, chkEditRecords, chkDeleteRecords, chkViewRecords, chkSearchRecords,
                           chkPHPValidate})
        box->setChecked(true);
    chkFK->setChecked(false);
}

// The boxes show the opened site's options, which count as chosen from then on; the options no
// box shows are taken over as they are.
void OptionsPage::ShowSiteOptions(const WizardChoices& site)
{
    const ScriptOptions& o = site.Options;
    choices().Options = o;
    chkAddRecords->setChecked(o.AllowAdd);
    chkEditRecords->setChecked(o.AllowEdit);
    chkDeleteRecords->setChecked(o.AllowDelete);
    chkViewRecords->setChecked(o.AllowView);
    chkSearchRecords->setChecked(o.SearchRecords);
    chkFK->setChecked(o.CreateLookupColumns);
    chkPHPValidate->setChecked(o.PhpValidate);
    cmbSplitter->setEditText(QString::number(o.RecordsPerPage));
    m_firstVisit = false;
    session().setOptionsChosen(true);
    session().siteTaken(index());
}

void OptionsPage::FillRecordsPerPageList()
{
    const QString text = cmbSplitter->currentText();
    cmbSplitter->clear();
    for (int n = 2; n <= 100; ++n)
        cmbSplitter->addItem(QString::number(n));
    cmbSplitter->setEditText(text);
}

void OptionsPage::readBoxes(ScriptOptions& o) const
{
    auto checked = [](const QCheckBox* box) { return box->checkState() != Qt::Unchecked; };
    o.AllowAdd = checked(chkAddRecords);
    o.AllowEdit = checked(chkEditRecords);
    o.AllowDelete = checked(chkDeleteRecords);
    o.AllowView = checked(chkViewRecords);
    o.SearchRecords = checked(chkSearchRecords);
    o.CreateLookupColumns = checked(chkFK);
    o.AllowSearch = checked(chkSearchRecords);
    o.PhpValidate = checked(chkPHPValidate);
}

void OptionsPage::CollectOptions()
{
    ScriptOptions& o = choices().Options;
    readBoxes(o);

    // The whole part of the number (the largest whole number not above it); 0 keeps the value.
    const std::optional<double> number = parseDecimal(cmbSplitter->currentText());
    const double whole = number ? std::floor(*number) : 0.0;
    if (!number || whole < -32768.0 || whole > 32767.0) {
        showMessage(this, QStringLiteral("There are errors on the form"), MessageIcon::Exclamation);
        return;
    }
    if (whole != 0.0)
        o.RecordsPerPage = static_cast<int16_t>(whole);
}
