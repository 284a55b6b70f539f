// The windows the wizard opens from its steps: the progress window of a generation run, the
// stylesheet editor and appearance builder, the folder chooser, the help viewer and About.
#include "wizard/frmWizard.h"

#include "dialogs/UserDialogs.h"
#include "dialogs/frmFolder.h"
#include "generator/GenerationLog.h"
#include "stylesheet/frmCSS.h"
#include "stylesheet/frmCSSBuilder.h"
#include "wizard/frmProgress.h"

#include <QCoreApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QVBoxLayout>

bool frmWizard::RunGeneration()
{
    // The log lives as long as the window and feeds lstLog, so every run's lines stay listed.
    auto* log = findChild<GenerationLog*>(QStringLiteral("GenerationLog"), Qt::FindDirectChildrenOnly);
    if (!log) {
        log = new GenerationLog(this);
        log->setObjectName(QStringLiteral("GenerationLog"));
        connect(log, &GenerationLog::lineAppended, lstLog, [this](const QString& line) {
            lstLog->addItem(line);
            lstLog->scrollToBottom();
        });
    }

    frmProgress progress(m_choices, m_programFolder, *log, this);
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
        showMessage(this, QStringLiteral("The scripts were not created: %1").arg(what),
                    MessageIcon::Critical);
        return false;
    }
    if (!result.Warnings.isEmpty() || !result.NameWarnings.isEmpty()) {
        QCoreApplication::processEvents();
        const qsizetype count = result.Warnings.size() + result.NameWarnings.size();
        const QString text =
            QStringLiteral("Scripts created with %1 %2: the log lists them.")
                .arg(count)
                .arg(count == 1 ? QStringLiteral("warning") : QStringLiteral("warnings"));
        showMessage(this, text, MessageIcon::Exclamation);
        return false;
    }
    return true;
}

void frmWizard::ShowStylesheetEditor(const QString& stylesheetPath)
{
    if (!m_cssEditor)
        m_cssEditor = new frmCSS(m_programFolder, this);
    m_cssEditor->openModal(stylesheetPath);
}

// The builder is a window of its own beside the wizard (not modal); saving a stylesheet there
// makes it the wizard's stylesheet.
void frmWizard::OpenAppearanceBuilder()
{
    auto* builder = new frmCSSBuilder(m_programFolder, this);
    connect(builder, &frmCSSBuilder::stylesheetSaved, this, [this](const QString& path) {
        m_choices.Appearance.StylesheetPath = path;
        txtcss->setText(path);
    });
    builder->show();
}

// DestinationFolder is set only through the chooser, and only when a folder was confirmed.
void frmWizard::ChooseDestinationFolder()
{
    frmFolder chooser(m_choices.DestinationFolder, this);
    UserDialogs::current().exec(chooser);
    m_choices.DestinationFolder = chooser.DestinationFolder();
}

void frmWizard::ShowHelpTopic(int context)
{
    HTMLHelpViewer& viewer = helpViewer();
    viewer.SetHelpFile(m_helpFile);
    viewer.ShowContext(context);
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
