// The wizard's frame: the header, the stacked step pages and the buttons; entering steps, Next,
// Back, Cancel, Help, About and closing the window.
#include "wizard/frmWizard.h"

#include "controls/GlyphButton.h"
#include "dialogs/NamedWidgets.h"
#include "dialogs/UserDialogs.h"
#include "wizard/steps/AppearancePage.h"
#include "wizard/steps/ConnectionPage.h"
#include "wizard/steps/FieldsPage.h"
#include "wizard/steps/GeneratePage.h"
#include "wizard/steps/OptionsPage.h"
#include "wizard/steps/SecurityPage.h"
#include "wizard/steps/TablesPage.h"
#include "wizard/steps/ValidationPage.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QStackedWidget>
#include <QTimer>
#include <QVBoxLayout>

frmWizard::frmWizard(const QString& programFolder, QWidget* parent)
    : QWidget(parent),
      m_programFolder(programFolder.isEmpty() ? QCoreApplication::applicationDirPath() : programFolder),
      m_main(m_programFolder),
      m_session(m_choices, m_main, m_programFolder, this)
{
    setupUi();
    EnterStep(1, false);
    m_choices = m_main.NewWizardChoices();
}

// The steps use the session: they go before it does.
frmWizard::~frmWizard()
{
    qDeleteAll(m_steps);
}

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

    // One page per step, all of one size, of which only the current one shows. The pages are never
    // smaller than the panels of the first versions (495 by 185) and grow with their contents.
    m_pages = new QStackedWidget(this);
    m_pages->setObjectName(QStringLiteral("stkSteps"));
    auto* security = new SecurityPage(m_session);
    m_connectionPage = new ConnectionPage(m_session);
    m_fieldsPage = new FieldsPage(m_session);
    m_optionsPage = new OptionsPage(m_session);
    m_validationPage = new ValidationPage(m_session, *security);
    m_steps = {m_connectionPage, new TablesPage(m_session), m_fieldsPage, m_optionsPage, m_validationPage,
               security, new AppearancePage(m_session), new GeneratePage(m_session)};
    for (WizardStep* page : std::as_const(m_steps))
        m_pages->addWidget(page);
    auto* pageArea = new QGridLayout;
    pageArea->setContentsMargins(16, 16, 16, 8);
    pageArea->addWidget(m_pages, 0, 0);
    pageArea->setColumnMinimumWidth(0, 495);
    pageArea->setRowMinimumHeight(0, 185);
    outer->addLayout(pageArea, 1);

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
    lblWaiting = named(new QLabel(QStringLiteral("Waiting for the server..."), this), "lblWaiting");
    lblWaiting->hide();
    m_busyDelay = new QTimer(this);
    m_busyDelay->setSingleShot(true);
    m_busyDelay->setInterval(300);
    connect(m_busyDelay, &QTimer::timeout, this, [this] {
        lblWaiting->show();
        setCursor(Qt::BusyCursor);
    });
    buttons->addWidget(cmdHelp);
    buttons->addSpacing(12);
    buttons->addWidget(lblWaiting);
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
    connect(&m_session, &WizardSession::waitingOnServerChanged, this, &frmWizard::onWaitingOnServer);

    // The window opens at its smallest size, which fits every page; it may be made larger.
    resize(minimumSizeHint());
}

WizardStep* frmWizard::step(int number) const
{
    if (number < 1 || number > m_steps.size())
        return nullptr;
    return m_steps[number - 1];
}

bool frmWizard::Connected() const
{
    return m_connectionPage->Connected();
}

bool frmWizard::OptionsFirstVisit() const
{
    return m_optionsPage->OptionsFirstVisit();
}

bool frmWizard::SavedConnectionPicked() const
{
    return m_connectionPage->SavedConnectionPicked();
}

const QList<QTreeWidgetItem*>& frmWizard::FieldNodeList() const
{
    return m_fieldsPage->FieldNodeList();
}

const QList<QTreeWidgetItem*>& frmWizard::ValidationNodeList() const
{
    return m_validationPage->ValidationNodeList();
}

std::pair<int16_t, int16_t> frmWizard::CurrentField() const
{
    return m_validationPage->CurrentField();
}

QGroupBox* frmWizard::StepPanel(int index) const
{
    return step(index);
}

void frmWizard::EnterStep(int number, bool comingBack)
{
    const StepInfo info = m_main.GetStepInfo(number);
    lblStepInfo->setText(info.Title);
    lblStepDetails->setText(info.Description);
    WizardStep* entered = step(number);
    if (!entered)
        return;
    cmdPrevious->setText(entered->backCaption());
    cmdNext->setText(entered->nextCaption());
    WizardStep* shown = entered->pageShown();
    m_pages->setCurrentWidget(shown);
    entered->enter(comingBack);
    if (shown != entered)
        shown->enter(comingBack);
}

void frmWizard::onNext()
{
    WizardStep* current = step(m_choices.CurrentStep);
    if (!current || !current->leave())
        return;
    if (WizardStep* next = step(current->index() + 1)) {
        m_choices.CurrentStep = static_cast<int16_t>(next->index());
        EnterStep(next->index(), false);
    }
    m_helpContext = m_choices.CurrentStep;
}

// Back on the first step opens About instead; elsewhere it goes to the step before, past the steps
// that say Back skips them. The steps hear of every such Back through the session.
void frmWizard::onBack()
{
    int target = m_choices.CurrentStep - 1;
    if (target < 1) {
        ShowAbout();
        return;
    }
    emit m_session.steppedBack();
    while (target > 1 && step(target) && step(target)->skippedOnBack())
        --target;
    m_choices.CurrentStep = static_cast<int16_t>(target);
    EnterStep(target, true);
}

bool frmWizard::confirmExit()
{
    const MessageAnswer answer = showMessage(this, QStringLiteral("Are you sure?"), MessageIcon::None,
                                             MessageButtons::YesNo, QStringLiteral("Exit confirmation"));
    return answer == MessageAnswer::Yes;
}

void frmWizard::onCancel()
{
    if (!confirmExit())
        return;
    m_exitConfirmed = true;
    m_session.abandonServerWait();
    close();
    QCoreApplication::quit();
}

// While the wizard waits on the server only Cancel is usable; a wait that lasts shows that it
// waits.
void frmWizard::onWaitingOnServer(bool waiting)
{
    for (QWidget* w : std::initializer_list<QWidget*>{m_pages, cmdHelp, cmdPrevious, cmdNext})
        w->setEnabled(!waiting);
    if (waiting) {
        m_busyDelay->start();
        return;
    }
    m_busyDelay->stop();
    lblWaiting->hide();
    unsetCursor();
}

// Leaving while the wizard waits on the server gives up the wait.
void frmWizard::closeEvent(QCloseEvent* event)
{
    if (m_exitConfirmed || confirmExit()) {
        m_exitConfirmed = true;
        m_session.abandonServerWait();
        event->accept();
        return;
    }
    event->ignore();
}

void frmWizard::onHelp()
{
    m_session.showHelpTopic(m_choices.CurrentStep);
}

void frmWizard::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_F1) {
        m_session.showHelpTopic(m_helpContext);
        return;
    }
    QWidget::keyPressEvent(event);
}

void frmWizard::ShowAbout()
{
    QDialog about(this);
    about.setObjectName(QStringLiteral("frmAbout"));
    about.setWindowTitle(QStringLiteral("About Quillmere"));
    auto* layout = new QVBoxLayout(&about);
    auto* name = new QLabel(QStringLiteral("<h2>Quillmere</h2>"), &about);
    auto* version = new QLabel(QStringLiteral("Version %1").arg(QStringLiteral(QM_VERSION)), &about);
    version->setObjectName(QStringLiteral("lblVersion"));
    auto* text = new QLabel(
        QStringLiteral("Turns a MySQL or MariaDB database into a folder of PHP scripts that list, "
                       "search, add, edit and delete its records."),
        &about);
    text->setWordWrap(true);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, &about);
    connect(buttons, &QDialogButtonBox::accepted, &about, &QDialog::accept);
    layout->addWidget(name);
    layout->addWidget(version);
    layout->addWidget(text);
    layout->addWidget(buttons);
    about.setFixedWidth(360);
    UserDialogs::current().exec(about);
}
