// Construction of the wizard window: the frame, then one function per step panel. Behaviour lives
// in the other frmWizard_*.cpp files.
#include "wizard/frmWizard.h"

#include "dialogs/NamedWidgets.h"

#include "controls/GlyphButton.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

QCheckBox* checkBox(const char* name, const QString& caption, QWidget* parent)
{
    return named(new QCheckBox(caption, parent), name);
}

QLineEdit* lineEdit(const char* name, QWidget* parent)
{
    return named(new QLineEdit(parent), name);
}

}  // namespace

void frmWizard::setupUi()
{
    setObjectName(QStringLiteral("frmWizard"));
    setWindowTitle(QStringLiteral("Quillmere"));

    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 8);
    outer->setSpacing(6);

    auto* header = new QFrame(this);
    header->setObjectName(QStringLiteral("frmHeader"));
    header->setAutoFillBackground(true);
    QPalette pal = header->palette();
    pal.setColor(QPalette::Window, Qt::white);
    pal.setColor(QPalette::WindowText, Qt::black);
    header->setPalette(pal);
    auto* headerLayout = new QVBoxLayout(header);
    headerLayout->setContentsMargins(16, 10, 16, 10);
    lblStepInfo = named(new QLabel(header), "lblStepInfo");
    QFont titleFont = lblStepInfo->font();
    titleFont.setBold(true);
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.25);
    lblStepInfo->setFont(titleFont);
    lblStepDetails = named(new QLabel(header), "lblStepDetails");
    lblStepDetails->setWordWrap(true);
    // The longest explanation (step 5) takes three lines at this width.
    lblStepDetails->setMinimumHeight(lblStepDetails->fontMetrics().lineSpacing() * 3);
    lblStepDetails->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    headerLayout->addWidget(lblStepInfo);
    headerLayout->addWidget(lblStepDetails);
    outer->addWidget(header);

    auto* rule = new QFrame(this);
    rule->setFrameShape(QFrame::HLine);
    rule->setFrameShadow(QFrame::Sunken);
    outer->addWidget(rule);

    // The panels are placed by prepare_interface() at one fixed place, so they stay stacked.
    m_panelArea = new QWidget(this);
    m_panelArea->setObjectName(QStringLiteral("panelArea"));
    m_panelArea->setFixedSize(16 + 495 + 16, 16 + 185 + 8);
    outer->addWidget(m_panelArea, 0, Qt::AlignHCenter);

    for (int i = 0; i < 8; ++i) {
        auto* panel = new QGroupBox(m_main.GetPanelCaption(i + 1), m_panelArea);
        panel->setObjectName(QStringLiteral("frmStep1"));
        panel->setProperty("Index", i + 1);
        panel->hide();
        frmStep1[i] = panel;
    }
    buildConnectionPanel(frmStep1[0]);
    buildTablesPanel(frmStep1[1]);
    buildFieldsPanel(frmStep1[2]);
    buildOptionsPanel(frmStep1[3]);
    buildValidationPanel(frmStep1[4]);
    buildSecurityPanel(frmStep1[5]);
    buildAppearancePanel(frmStep1[6]);
    buildGeneratePanel(frmStep1[7]);

    auto* rule2 = new QFrame(this);
    rule2->setFrameShape(QFrame::HLine);
    rule2->setFrameShadow(QFrame::Sunken);
    outer->addWidget(rule2);

    auto* buttons = new QHBoxLayout;
    buttons->setContentsMargins(16, 0, 16, 0);
    // The wizard's own buttons are the owner-drawn picture buttons, rounded and raised.
    auto glyph = [this](const char* name, const QString& caption) {
        auto* b = new GlyphButton(caption, this);
        b->setObjectName(QString::fromLatin1(name));
        b->setButtonShape(4);
        b->setAutoDefault(false);
        b->setMinimumWidth(84);
        return b;
    };
    cmdHelp = glyph("cmdHelp", QStringLiteral("Help"));
    cmdPrevious = glyph("cmdPrevious", QStringLiteral("About"));
    cmdNext = glyph("cmdNext", QStringLiteral("Next"));
    cmdCancel = glyph("cmdCancel", QStringLiteral("Cancel"));
    buttons->addWidget(cmdHelp);
    buttons->addStretch(1);
    buttons->addWidget(cmdPrevious);
    buttons->addWidget(cmdNext);
    buttons->addSpacing(12);
    buttons->addWidget(cmdCancel);
    outer->addLayout(buttons);

    connect(cmdNext, &QPushButton::clicked, this, &frmWizard::onNext);
    connect(cmdPrevious, &QPushButton::clicked, this, &frmWizard::onBack);
    connect(cmdCancel, &QPushButton::clicked, this, &frmWizard::onCancel);
    connect(cmdHelp, &QPushButton::clicked, this, &frmWizard::onHelp);

    setFixedSize(sizeHint().expandedTo(QSize(m_panelArea->width(), 0)));
}

void frmWizard::prepare_interface()
{
    // Every panel at the same place with the same size: left 240, top 240, width 7420 and
    // height 2775 twips, which is 16, 16, 495 and 185 pixels at 96 dots per inch.
    for (QGroupBox* panel : frmStep1)
        panel->setGeometry(16, 16, 495, 185);
}

void frmWizard::buildConnectionPanel(QGroupBox* panel)
{
    auto* grid = new QGridLayout(panel);
    grid->setVerticalSpacing(4);

    cmbConnType = named(new QComboBox(panel), "cmbConnType");
    cmbConnType->addItems({QStringLiteral("Local"), QStringLiteral("Remote")});
    txtServer = lineEdit("txtServer", panel);
    txtServer->setText(QStringLiteral("localhost"));
    txtServer->setEnabled(false);
    txtServer->setToolTip(QStringLiteral("the IP or the name of the MySQL server "));
    txtport = lineEdit("txtport", panel);
    txtport->setText(QString::number(kDefaultServerPort));
    txtUsername = lineEdit("txtUsername", panel);
    txtUsername->setText(QStringLiteral("root"));
    txtPassword = lineEdit("txtPassword", panel);
    txtPassword->setEchoMode(QLineEdit::Password);
    cmbDBSelect = named(new QComboBox(panel), "cmbDBSelect");
    cmbDBSelect->setEditable(true);
    cmbDBSelect->setInsertPolicy(QComboBox::NoInsert);
    cmbDBSelect->setEditText(QStringLiteral("<select db name or type it>"));
    cmbDBSelect->lineEdit()->setCursorPosition(0);

    grid->addWidget(new QLabel(QStringLiteral("Connection Type"), panel), 0, 0);
    grid->addWidget(cmbConnType, 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("Remote Server:"), panel), 1, 0);
    grid->addWidget(txtServer, 1, 1);
    grid->addWidget(new QLabel(QStringLiteral("Port"), panel), 2, 0);
    grid->addWidget(txtport, 2, 1);
    grid->addWidget(new QLabel(QStringLiteral("UserName:"), panel), 3, 0);
    grid->addWidget(txtUsername, 3, 1);
    grid->addWidget(new QLabel(QStringLiteral("Password:"), panel), 4, 0);
    grid->addWidget(txtPassword, 4, 1);
    grid->addWidget(new QLabel(QStringLiteral("DB Select:"), panel), 5, 0);
    grid->addWidget(cmbDBSelect, 5, 1);

    auto* actions = named(new QGroupBox(QStringLiteral("Connection Actions:"), panel), "frmActions");
    auto* actionsLayout = new QHBoxLayout(actions);
    Command1 = namedButton("Command1", QStringLiteral("Connect"), actions);
    Command3 = namedButton("Command3", QStringLiteral("Disconnect"), actions);
    Command3->setEnabled(false);
    actionsLayout->addWidget(Command1);
    actionsLayout->addWidget(Command3);
    grid->addWidget(actions, 0, 2, 3, 1);

    auto* saved = named(new QGroupBox(QStringLiteral("Saved Connections:"), panel), "frmSaved");
    auto* savedLayout = new QVBoxLayout(saved);
    cmbSaved = named(new QComboBox(saved), "cmbSaved");
    cmbSaved->setPlaceholderText(QStringLiteral("Please Select"));
    savedLayout->addWidget(cmbSaved);
    grid->addWidget(saved, 3, 2, 3, 1);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(2, 1);
}

void frmWizard::buildTablesPanel(QGroupBox* panel)
{
    auto* grid = new QGridLayout(panel);
    lstAvTables = named(new QListWidget(panel), "lstAvTables");
    lstSelTables = named(new QListWidget(panel), "lstSelTables");
    cmdAppendTables = namedButton("cmdAppendTables", QStringLiteral(">"), panel);
    cmdRemoveTables = namedButton("cmdRemoveTables", QStringLiteral("<"), panel);
    cAllToright = namedButton("cAllToright", QStringLiteral(">>"), panel);
    cAllToLeft = namedButton("cAllToLeft", QStringLiteral("<<"), panel);

    auto* moves = new QVBoxLayout;
    moves->addStretch(1);
    for (QPushButton* b : {cmdAppendTables, cmdRemoveTables, cAllToright, cAllToLeft}) {
        b->setFixedWidth(40);
        moves->addWidget(b);
    }
    moves->addStretch(1);

    grid->addWidget(new QLabel(QStringLiteral("Available Tables:"), panel), 0, 0);
    grid->addWidget(new QLabel(QStringLiteral("Already Selected Tables:"), panel), 0, 2);
    grid->addWidget(lstAvTables, 1, 0);
    grid->addLayout(moves, 1, 1);
    grid->addWidget(lstSelTables, 1, 2);
}

void frmWizard::buildFieldsPanel(QGroupBox* panel)
{
    auto* layout = new QHBoxLayout(panel);
    trvFields = named(new QTreeWidget(panel), "trvFields");
    trvFields->setHeaderHidden(true);
    auto* side = new QVBoxLayout;
    cSelAll = namedButton("cSelAll", QStringLiteral("Select All"), panel);
    cSelNone = namedButton("cSelNone", QStringLiteral("Select None"), panel);
    side->addWidget(cSelAll);
    side->addWidget(cSelNone);
    side->addStretch(1);
    layout->addWidget(trvFields, 1);
    layout->addLayout(side);
}

void frmWizard::buildOptionsPanel(QGroupBox* panel)
{
    auto* grid = new QGridLayout(panel);
    grid->setVerticalSpacing(2);
    chkAddRecords = checkBox("chkAddRecords", QStringLiteral("Allow adding records"), panel);
    chkEditRecords = checkBox("chkEditRecords", QStringLiteral("Allow editing records"), panel);
    chkDeleteRecords = checkBox("chkDeleteRecords", QStringLiteral("Allow deleting records"), panel);
    chkViewRecords = checkBox("chkViewRecords", QStringLiteral("Allow viewing records"), panel);
    chkSearchRecords = checkBox("chkSearchRecords", QStringLiteral("Allow searching records"), panel);
    chkFK = checkBox("chkFK", QStringLiteral("Create lookup columns "), panel);
    chkPHPValidate = checkBox("chkPHPValidate", QStringLiteral("Set Server-Side(PHP) Validation"), panel);
    chkPHPValidate->setToolTip(
        QStringLiteral("verify the contents of a field before they are sent to database "));
    cmbSplitter = named(new QComboBox(panel), "cmbSplitter");
    cmbSplitter->setEditable(true);
    cmbSplitter->setInsertPolicy(QComboBox::NoInsert);
    cmbSplitter->setEditText(QStringLiteral("10"));

    grid->addWidget(chkAddRecords, 0, 0);
    grid->addWidget(chkEditRecords, 1, 0);
    grid->addWidget(chkDeleteRecords, 2, 0);
    grid->addWidget(chkViewRecords, 3, 0);
    grid->addWidget(chkSearchRecords, 4, 0);
    cmdinfo1 = namedButton("cmdinfo1", QStringLiteral("?"), panel);
    cmdinfo1->setFixedWidth(28);
    cmdinfo1->setToolTip(QStringLiteral("What are lookup columns?"));
    auto* lookupRow = new QHBoxLayout;
    lookupRow->addWidget(chkFK);
    lookupRow->addWidget(cmdinfo1);
    lookupRow->addStretch(1);
    grid->addLayout(lookupRow, 0, 1, 1, 2);
    grid->addWidget(chkPHPValidate, 1, 1, 1, 2);
    grid->addWidget(new QLabel(QStringLiteral("Records per page"), panel), 3, 1);
    grid->addWidget(cmbSplitter, 3, 2);
    grid->setColumnStretch(0, 1);
}

void frmWizard::buildValidationPanel(QGroupBox* panel)
{
    auto* layout = new QHBoxLayout(panel);
    trvValidate = named(new QTreeWidget(panel), "trvValidate");
    trvValidate->setHeaderHidden(true);
    layout->addWidget(trvValidate, 1);

    auto* right = new QVBoxLayout;
    auto* rules = named(new QGroupBox(QStringLiteral("Validation setup"), panel), "frmValidation");
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
    grid->addWidget(new QLabel(QStringLiteral("Min"), rules), 3, 0);
    grid->addWidget(txtMin, 3, 1);
    grid->addWidget(new QLabel(QStringLiteral("Max"), rules), 3, 2);
    grid->addWidget(txtMax, 3, 3);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(3, 1);
    right->addWidget(rules);

    auto* lookup = new QHBoxLayout;
    lookup->addWidget(new QLabel(QStringLiteral("Select parent Field"), panel));
    cmbfk = named(new QComboBox(panel), "cmbfk");
    cmbfk->setMinimumWidth(120);
    lookup->addWidget(cmbfk, 1);
    cmdhelpParent = namedButton("cmdhelpParent", QStringLiteral("?"), panel);
    cmdhelpParent->setToolTip(QStringLiteral("What are lookup columns?"));
    cmdhelpParent->setFixedWidth(28);
    lookup->addWidget(cmdhelpParent);
    right->addLayout(lookup);
    layout->addLayout(right, 1);
}

void frmWizard::buildSecurityPanel(QGroupBox* panel)
{
    auto* layout = new QVBoxLayout(panel);
    chkReqLogin = checkBox("chkReqLogin",
                           QStringLiteral("Require Users to log in before using the script"), panel);
    layout->addWidget(chkReqLogin);
    frmLoginSetup = named(new QGroupBox(QStringLiteral("Login Options:"), panel), "frmLoginSetup");
    frmLoginSetup->setEnabled(false);
    auto* grid = new QGridLayout(frmLoginSetup);
    chkUseCurrent = checkBox("chkUseCurrent", QStringLiteral("Use Current Connection Settings"),
                             frmLoginSetup);
    chkUseCurrent->setChecked(true);
    chkUseCurrent->setEnabled(false);
    lblUsername7 = named(new QLabel(QStringLiteral("Username:"), frmLoginSetup), "lblUsername7");
    lblPassword7 = named(new QLabel(QStringLiteral("Password: "), frmLoginSetup), "lblPassword7");
    txtUsername7 = lineEdit("txtUsername7", frmLoginSetup);
    txtPassword7 = lineEdit("txtPassword7", frmLoginSetup);
    txtPassword7->setEchoMode(QLineEdit::Password);
    for (QWidget* w : std::initializer_list<QWidget*>{lblUsername7, lblPassword7, txtUsername7, txtPassword7})
        w->setEnabled(false);
    grid->addWidget(chkUseCurrent, 0, 0, 1, 2);
    grid->addWidget(lblUsername7, 1, 0);
    grid->addWidget(txtUsername7, 1, 1);
    grid->addWidget(lblPassword7, 2, 0);
    grid->addWidget(txtPassword7, 2, 1);
    layout->addWidget(frmLoginSetup);
    layout->addStretch(1);
}

void frmWizard::buildAppearancePanel(QGroupBox* panel)
{
    auto* grid = new QGridLayout(panel);
    cmbStyles = named(new QComboBox(panel), "cmbStyles");
    cmbStyles->setEditable(true);
    cmbStyles->setInsertPolicy(QComboBox::NoInsert);
    cmbStyles->addItems({QStringLiteral("Professional"), QStringLiteral("Simple"), QStringLiteral("Colorful")});
    cmbStyles->setCurrentIndex(0);
    grid->addWidget(new QLabel(QStringLiteral("HTML Template"), panel), 0, 0);
    grid->addWidget(cmbStyles, 0, 1);

    auto* cssFrame = named(new QGroupBox(QStringLiteral("css Select"), panel), "frmCssSelect");
    auto* cssLayout = new QHBoxLayout(cssFrame);
    txtcss = lineEdit("txtcss", cssFrame);
    cmdcssSelect = namedButton("cmdcssSelect", QStringLiteral("Browse"), cssFrame);
    cssLayout->addWidget(txtcss, 1);
    cssLayout->addWidget(cmdcssSelect);
    grid->addWidget(cssFrame, 1, 0, 1, 3);

    Command2 = namedButton("Command2", QStringLiteral("Customize HTML apperance"), panel);
    cCssEditor = namedButton("cCssEditor", QStringLiteral("Run CSS Editor"), panel);
    auto* tools = new QHBoxLayout;
    tools->addWidget(Command2);
    tools->addWidget(cCssEditor);
    tools->addStretch(1);
    grid->addLayout(tools, 2, 0, 1, 3);
    grid->setColumnStretch(2, 1);
    grid->setRowStretch(3, 1);
}

void frmWizard::buildGeneratePanel(QGroupBox* panel)
{
    auto* grid = new QGridLayout(panel);
    txtDestination = lineEdit("txtDestination", panel);
    cmdDestBrowse = namedButton("cmdDestBrowse", QStringLiteral("Browse"), panel);
    grid->addWidget(new QLabel(QStringLiteral("Destination:"), panel), 0, 0);
    grid->addWidget(txtDestination, 0, 1);
    grid->addWidget(cmdDestBrowse, 0, 2);
    auto* logFrame = named(new QGroupBox(QStringLiteral("Log Process"), panel), "frmLog");
    auto* logLayout = new QVBoxLayout(logFrame);
    lstLog = named(new QListWidget(logFrame), "lstLog");
    logLayout->addWidget(lstLog);
    grid->addWidget(logFrame, 1, 0, 1, 3);
}
