// The wizard's frame: the header, the stacked step pages and the buttons; entering steps, Next,
// Back, Cancel, Help, About and closing the window.
#include "wizard/frmWizard.h"

#include "common/ProgramFolder.h"
#include "controls/GlyphButton.h"
#include "dialogs/ComboLists.h"
#include "dialogs/NamedWidgets.h"
#include "dialogs/UserDialogs.h"
#include "wizard/ApplicationIcon.h"
#include "wizard/cDB.h"
#include "wizard/preview/frmPreview.h"
#include "wizard/steps/AppearancePage.h"
#include "wizard/steps/ConnectionPage.h"
#include "wizard/steps/FieldsPage.h"
#include "wizard/steps/GeneratePage.h"
#include "wizard/steps/OptionsPage.h"
#include "wizard/steps/SecurityPage.h"
#include "wizard/steps/TablesPage.h"
#include "wizard/steps/ValidationPage.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QSettings>
#include <QShortcut>
#include <QStackedWidget>
#include <QTimer>
#include <QVBoxLayout>

namespace {

// Eight numbered dots in the header: the steps already passed are filled with the mid colour, the
// current one with the highlight. Drawn with the painter, so it is sharp at any scale and takes its
// colours from the palette. The current step is the "step" property, which EnterStep sets.
class StepMarkers : public QWidget {
public:
    explicit StepMarkers(QWidget* parent) : QWidget(parent)
    {
        setObjectName(QStringLiteral("stepIndicator"));
        setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    }

    QSize sizeHint() const override
    {
        const int d = diameter();
        return {kSteps * d + (kSteps - 1) * gap(), d};
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        const int current = property("step").toInt();
        const int d = diameter();
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        QFont small = font();
        small.setPointSizeF(small.pointSizeF() * 0.8);
        p.setFont(small);
        const QPalette& pal = palette();
        for (int i = 1; i <= kSteps; ++i) {
            const QRectF r((i - 1) * (d + gap()) + 0.5, 0.5, d - 1, d - 1);
            QColor fill = pal.color(QPalette::Base), text = pal.color(QPalette::Text);
            QColor edge = pal.color(QPalette::Mid);
            if (i == current) {
                fill = edge = pal.color(QPalette::Highlight);
                text = pal.color(QPalette::HighlightedText);
            } else if (i < current) {
                fill = pal.color(QPalette::Button);
                text = pal.color(QPalette::ButtonText);
            }
            p.setPen(QPen(edge, 1));
            p.setBrush(fill);
            p.drawEllipse(r);
            p.setPen(text);
            p.drawText(r, Qt::AlignCenter, QString::number(i));
        }
    }

private:
    static constexpr int kSteps = 8;
    int diameter() const { return fontMetrics().height() + 4; }
    int gap() const { return fontMetrics().height() / 3; }
};

// The window keeps its size and place between runs in the user's settings of the program, under
// the program's name (no organisation name is set: it would move the help collection's folder).
const QString kGeometryKey = QStringLiteral("wizard/geometry");

QVariant savedGeometry()
{
    return QSettings(QCoreApplication::applicationName(), QCoreApplication::applicationName()).value(kGeometryKey);
}

void saveGeometryOf(const QWidget& window)
{
    QSettings(QCoreApplication::applicationName(), QCoreApplication::applicationName())
        .setValue(kGeometryKey, window.saveGeometry());
}
}  // namespace

frmWizard::frmWizard(const QString& programFolder, QWidget* parent)
    : QWidget(parent),
      m_programFolder(programFolder.isEmpty() ? ProgramFolder::dataFolder() : programFolder),
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
    // The band takes the palette's base colour (white in a light palette, dark in a dark one).
    header->setAutoFillBackground(true);
    header->setBackgroundRole(QPalette::Base);
    header->setForegroundRole(QPalette::Text);
    auto* headerLayout = new QGridLayout(header);
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
    lblStepInfo->setForegroundRole(QPalette::Text);
    lblStepDetails->setForegroundRole(QPalette::Text);
    headerLayout->addWidget(lblStepInfo, 0, 0);
    headerLayout->addWidget(new StepMarkers(header), 0, 1, Qt::AlignRight | Qt::AlignVCenter);
    headerLayout->addWidget(lblStepDetails, 1, 0, 1, 2);
    headerLayout->setColumnStretch(0, 1);
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
    // Made in the order they stand in the row, which is the order Tab visits them in.
    cmdPreview = glyph("cmdPreview", QStringLiteral("Preview"));
    cmdPreview->setToolTip(QStringLiteral("Show the site these choices generate, served on this computer"));
    cmdPreview->setEnabled(false);
    cmdPrevious = glyph("cmdPrevious", QStringLiteral("About"));
    cmdNext = glyph("cmdNext", QStringLiteral("Next"));
    auto* cancel = glyph("cmdCancel", QStringLiteral("Cancel"));
    cmdCancel = cancel;
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
    buttons->addWidget(cmdPreview);
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
    connect(cmdPreview, &QPushButton::clicked, this, &frmWizard::onPreview);
    m_previewDelay = new QTimer(this);
    m_previewDelay->setSingleShot(true);
    m_previewDelay->setInterval(150);
    connect(m_previewDelay, &QTimer::timeout, this, &frmWizard::updatePreview);
    connect(&m_session, &WizardSession::choicesEdited, this, [this] {
        enablePreview();
        m_previewDelay->start();
    });
    connect(&m_session, &WizardSession::tableSourceChanged, this, [this] { m_previewColumns.clear(); });
    connect(&m_session, &WizardSession::stylesheetEdited, this, [this](const QByteArray& css) {
        if (m_preview)
            m_preview->showStylesheet(css);
    });

    // Enter presses Next and Escape presses Cancel when the control with the focus has no use for
    // them (a multi-line box or an open drop-down list keeps them). A push button of a step is
    // pressed by Enter itself while it has the focus, as in a dialog. The captions stay plain
    // words, so the access keys are shortcuts of their own, drawn underlined on the buttons.
    cmdNext->setDefault(true);
    cancel->setCancel(true);
    for (QPushButton* b : m_pages->findChildren<QPushButton*>())
        b->setAutoDefault(true);
    for (QComboBox* box : m_pages->findChildren<QComboBox*>())
        fitListToEntries(box);
    const std::pair<char, QPushButton*> accessKeys[] = {{'N', cmdNext}, {'B', cmdPrevious}, {'H', cmdHelp}};
    for (const auto& [letter, button] : accessKeys) {
        const QKeySequence keys(Qt::ALT | Qt::Key(letter));
        connect(new QShortcut(keys, this), &QShortcut::activated, button, &QPushButton::click);
        static_cast<GlyphButton*>(button)->setOwnerAccessKey(QChar::fromLatin1(letter));
    }

    // The window opens where and as large as it was left; the first time at its smallest size,
    // which fits every page. It cannot be made smaller than that.
    resize(minimumSizeHint());
    restoreGeometry(savedGeometry().toByteArray());
    greyDisabledBoxes();
}

// Some palettes, dark desktop palettes among them, give a disabled box the page colour of an
// enabled one, so that it looks usable. The wizard then gives its disabled boxes the window
// colour, as Fusion's own palette does, and follows the program's palette in everything else. A
// palette given to the window itself is left as it is.
void frmWizard::greyDisabledBoxes()
{
    if (testAttribute(Qt::WA_SetPalette) && !m_greyedBoxes)
        return;
    const QPalette program = QApplication::palette(this);
    const bool needed =
        program.color(QPalette::Disabled, QPalette::Base) == program.color(QPalette::Active, QPalette::Base);
    const QColor wanted = needed ? program.color(QPalette::Active, QPalette::Window)
                                 : program.color(QPalette::Disabled, QPalette::Base);
    if (palette().color(QPalette::Disabled, QPalette::Base) == wanted)
        return;
    QPalette own;
    if (needed)
        own.setColor(QPalette::Disabled, QPalette::Base, wanted);
    m_greyedBoxes = needed;
    setPalette(own);
}

void frmWizard::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange)
        greyDisabledBoxes();
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
    if (auto* markers = findChild<QWidget*>(QStringLiteral("stepIndicator"))) {
        markers->setProperty("step", number);
        markers->setToolTip(QStringLiteral("Step %1 of 8: %2").arg(number).arg(info.Title));
        markers->update();
    }
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
    enablePreview();
    m_previewDelay->start();
}

WizardChoices frmWizard::PreviewChoices()
{
    WizardChoices c = m_choices;
    for (const WizardStep* s : std::as_const(m_steps))
        s->applyUnsaved(c);
    c.SelectedTables.removeIf([](const SelectedTable& t) { return t.TableName.isEmpty(); });
    for (SelectedTable& table : c.SelectedTables) {
        if (!table.ChosenFields.isEmpty())
            continue;
        if (!m_previewColumns.contains(table.TableName)) {
            QStringList columns;
            if (!m_session.waitOnServer([&] { columns = Database().ListColumnNames(table.TableName); }))
                continue;
            m_previewColumns.insert(table.TableName, columns);
        }
        for (const QString& column : m_previewColumns.value(table.TableName)) {
            ChosenField field;
            field.Name = column;
            table.ChosenFields.append(field);
        }
    }
    // A table without a column to show (its columns could not be read) stays out of the preview.
    c.SelectedTables.removeIf([](const SelectedTable& t) { return t.ChosenFields.isEmpty(); });
    return c;
}

frmPreview* frmWizard::Preview() const
{
    return m_preview;
}

// From step 2 on, once a table is chosen.
void frmWizard::enablePreview()
{
    WizardChoices c = m_choices;
    if (WizardStep* tables = step(2))
        tables->applyUnsaved(c);
    cmdPreview->setEnabled(m_choices.CurrentStep >= 2
                           && std::any_of(c.SelectedTables.begin(), c.SelectedTables.end(),
                                          [](const SelectedTable& t) { return !t.TableName.isEmpty(); }));
}

// The preview follows the wizard unless a wait on the server is on: it tries again after it.
void frmWizard::updatePreview()
{
    if (!m_preview)
        return;
    if (m_session.waitingOnServer()) {
        m_previewDelay->start();
        return;
    }
    m_preview->setChoices(PreviewChoices());
}

// PHP with its MySQL extension is looked for on every press, so that installing it meanwhile
// helps; without it the user is told what to install and nothing more happens.
void frmWizard::onPreview()
{
    if (m_preview) {
        m_preview->raise();
        m_preview->activateWindow();
        return;
    }
    QString problem;
    const std::optional<QString> php = SitePreview::findPhp(&problem);
    if (!php) {
        showMessage(this, problem, MessageIcon::Information, MessageButtons::Ok, QStringLiteral("Site Preview"));
        return;
    }
    const WizardChoices choices = PreviewChoices();
    auto* preview = new frmPreview(m_session, this);
    if (!preview->open(*php, choices)) {
        delete preview;
        return;
    }
    m_preview = preview;
    const QRect wizard = frameGeometry();
    preview->move(wizard.right() + 8, wizard.top());
    preview->show();
}

void frmWizard::onNext()
{
    m_session.clearCancelledWait();
    WizardStep* current = step(m_choices.CurrentStep);
    if (!current || !current->leave())
        return;
    if (WizardStep* next = step(current->index() + 1)) {
        m_choices.CurrentStep = static_cast<int16_t>(next->index());
        EnterStep(next->index(), false);
        // The next step reads from the server on entry: when the user cancelled that wait, the
        // wizard stays on the step it was on, as if Next had not been pressed.
        if (m_session.waitCancelled()) {
            m_choices.CurrentStep = static_cast<int16_t>(current->index());
            EnterStep(current->index(), true);
        }
    }
    m_helpContext = m_choices.CurrentStep;
}

// Back on the first step opens About instead; elsewhere it goes to the step before, past the steps
// that say Back skips them. The steps hear of every such Back through the session.
void frmWizard::onBack()
{
    m_session.clearCancelledWait();
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

// Cancel while the wizard waits on the server gives up the wait and nothing more: what was
// waited for does not happen and the wizard stays where it was.
void frmWizard::onCancel()
{
    if (m_session.waitingOnServer()) {
        m_session.cancelServerWait();
        return;
    }
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
        if (m_preview)
            m_preview->close();
        saveGeometryOf(*this);
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
    auto* icon = new QLabel(&about);
    icon->setObjectName(QStringLiteral("lblIcon"));
    icon->setPixmap(ApplicationIcon().pixmap(QSize(64, 64), about.devicePixelRatioF()));
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
    // The icon at the left of the name and the version.
    auto* top = new QHBoxLayout;
    auto* title = new QVBoxLayout;
    title->addWidget(name);
    title->addWidget(version);
    top->addWidget(icon, 0, Qt::AlignTop);
    top->addSpacing(8);
    top->addLayout(title, 1);
    layout->addLayout(top);
    layout->addWidget(text);
    layout->addWidget(buttons);
    // Fixed at the height its wrapped text needs at this width, so it cannot be shrunk to cut the text.
    about.setFixedWidth(360);
    const int height = about.heightForWidth(360);
    about.setFixedHeight(height > 0 ? height : about.sizeHint().height());
    UserDialogs::current().exec(about);
}
