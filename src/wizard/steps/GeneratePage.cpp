#include "wizard/steps/GeneratePage.h"

#include "dialogs/NamedWidgets.h"
#include "dialogs/UserDialogs.h"
#include "dialogs/frmFolder.h"
#include "generator/GenerationLog.h"
#include "generator/phpCreator.h"
#include "wizard/frmProgress.h"

#include <QCoreApplication>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

GeneratePage::GeneratePage(WizardSession& shared, QWidget* parent)
    : WizardStep(shared, 8, parent), m_log(new GenerationLog(this))
{
    setupUi();
    connect(cmdDestBrowse, &QPushButton::clicked, this, &GeneratePage::BrowseDestination);
    connect(m_log, &GenerationLog::lineAppended, lstLog, [this](const QString& line) {
        lstLog->addItem(line);
        lstLog->scrollToBottom();
    });
}

void GeneratePage::setupUi()
{
    auto* grid = new QGridLayout(this);
    txtDestination = lineEdit("txtDestination", this);
    cmdDestBrowse = namedButton("cmdDestBrowse", QStringLiteral("Browse"), this);
    grid->addWidget(new QLabel(QStringLiteral("Destination:"), this), 0, 0);
    grid->addWidget(txtDestination, 0, 1);
    grid->addWidget(cmdDestBrowse, 0, 2);
    auto* logFrame = named(new QGroupBox(QStringLiteral("Log Process"), this), "frmLog");
    auto* logLayout = new QVBoxLayout(logFrame);
    lstLog = named(new QListWidget(logFrame), "lstLog");
    logLayout->addWidget(lstLog);
    grid->addWidget(logFrame, 1, 0, 1, 3);
}

// An opened site is generated again into its own folder unless the user picks another.
void GeneratePage::enter(bool)
{
    if (const WizardChoices* site = session().siteToTake(index())) {
        choices().DestinationFolder = site->DestinationFolder;
        txtDestination->setText(site->DestinationFolder);
        session().siteTaken(index());
    }
}

QString GeneratePage::nextCaption() const
{
    return QStringLiteral("Generate");
}

// Generate: with a destination, runs the generator; the wizard stays on this step either way, so
// the user may generate again, go back or leave.
bool GeneratePage::leave()
{
    if (!TakeDestinationFromBox())
        return false;
    if (!MayReplaceFiles())
        return false;
    if (RunGeneration()) {
        QCoreApplication::processEvents();
        showMessage(this, QStringLiteral("Scripts created successfully in %1").arg(choices().DestinationFolder),
                    MessageIcon::Information);
    }
    return true;
}

// DestinationFolder is set only through the chooser, and only when a folder was confirmed.
void GeneratePage::BrowseDestination()
{
    WizardChoices& c = choices();
    frmFolder chooser(c.DestinationFolder, window());
    UserDialogs::current().exec(chooser);
    c.DestinationFolder = chooser.DestinationFolder();
    txtDestination->setText(c.DestinationFolder);
}

// The scripts go where the destination box says, whether the folder was chosen with Browse or
// typed: a typed folder must exist, as in the folder chooser.
bool GeneratePage::TakeDestinationFromBox()
{
    const QString typed = txtDestination->text();
    if (typed.trimmed().isEmpty()) {
        showMessage(this, QStringLiteral("A destination must be selected before generation"), MessageIcon::Exclamation);
        return false;
    }
    const std::optional<QString> destination = frmFolder::DestinationFor(typed);
    if (!destination) {
        showMessage(this, QStringLiteral("folder dosnt exist"));
        return false;
    }
    choices().DestinationFolder = *destination;
    txtDestination->setText(*destination);
    return true;
}

// Files of an earlier run that hold other bytes now (edited by hand, or generated from other
// choices) are replaced only when the user says so; No leaves the folder exactly as it was.
bool GeneratePage::MayReplaceFiles()
{
    const QStringList paths = phpCreator(programFolder(), *m_log).FilesToReplace(choices());
    if (paths.isEmpty())
        return true;
    QStringList names;
    for (const QString& path : paths)
        names << phpCreator::FileNameOf(path);
    const QString text =
        QStringLiteral("These files in %1 exist with other contents and will be replaced:\n\n%2\n\n"
                       "A copy of each is kept as <name>.bak. Replace them?")
            .arg(choices().DestinationFolder, names.join(u'\n'));
    return showMessage(this, text, MessageIcon::Question, MessageButtons::YesNo) == MessageAnswer::Yes;
}

bool GeneratePage::RunGeneration()
{
    frmProgress progress(choices(), programFolder(), *m_log, window());
    UserDialogs::current().exec(progress);
    if (!progress.HasRun())
        return false;

    const GenerationResult& result = progress.Result();
    if (!result.Succeeded) {
        QCoreApplication::processEvents();
        const QString what =
            result.FailedFile.isEmpty()
                ? result.Reason
                : QStringLiteral("%1 could not be written: %2").arg(result.FailedFile, result.Reason);
        showMessage(this, QStringLiteral("The scripts were not created: %1").arg(what), MessageIcon::Critical);
        return false;
    }
    if (!result.Warnings.isEmpty() || !result.NameWarnings.isEmpty()) {
        QCoreApplication::processEvents();
        const qsizetype count = result.Warnings.size() + result.NameWarnings.size();
        const QString text = QStringLiteral("Scripts created with %1 %2: the log lists them.")
                                 .arg(count)
                                 .arg(count == 1 ? QStringLiteral("warning") : QStringLiteral("warnings"));
        showMessage(this, text, MessageIcon::Exclamation);
        return false;
    }
    return true;
}
