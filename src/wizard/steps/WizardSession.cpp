#include "wizard/steps/WizardSession.h"

#include "dialogs/HTMLHelpViewer.h"
#include "dialogs/UserDialogs.h"
#include "dialogs/frmHelp.h"
#include "mysql/MYSQL_CONNECTION.h"
#include "wizard/cDB.h"
#include "wizard/cMain.h"

#include <QSet>
#include <QThread>

WizardSession::WizardSession(WizardChoices& choices, const cMain& main, const QString& programFolder,
                             QWidget* window)
    : m_choices(choices),
      m_main(main),
      m_programFolder(programFolder),
      m_window(window),
      m_helpFile(programFolder + QStringLiteral("/Quillmere OnLine Help.qch")),
      m_serverWait([this] { database().Connection().Cancel(); })
{
}

WizardSession::~WizardSession() = default;

cDB& WizardSession::database()
{
    if (!m_db) {
        m_db = std::make_unique<cDB>(
            [this](const QString& text) { report([this, text] { showMessage(m_window, text); }); });
        m_db->SetConnectionLostHandler(
            [this](const QString& reason) { report([this, reason] { emit connectionLost(reason); }); });
    }
    return *m_db;
}

void WizardSession::report(std::function<void()> report)
{
    if (QThread::currentThread() == thread()) {
        report();
        return;
    }
    const std::lock_guard lock(m_reportsMutex);
    m_reports.append(std::move(report));
}

void WizardSession::abandonServerWait()
{
    if (!m_serverWait.waiting())
        return;
    m_leaving = true;
    m_serverWait.abandon();
}

void WizardSession::cancelServerWait()
{
    if (!m_serverWait.waiting())
        return;
    m_waitCancelled = true;
    m_serverWait.abandon();
}

bool WizardSession::waitOnServer(const std::function<void()>& call)
{
    if (waitGivenUp())
        return false;
    // The connection is made here, so that the worker and the interrupt find the same one.
    database().Connection();
    const bool lostBefore = database().ConnectionLost();
    emit waitingOnServerChanged(true);
    const bool completed = m_serverWait.run(call);
    emit waitingOnServerChanged(false);
    const QList<std::function<void()>> reports = std::exchange(m_reports, {});
    if (!completed) {
        if (m_waitCancelled && !m_leaving && !lostBefore && database().ConnectionLost())
            database().ReopenAfterCancel();
        return false;
    }
    for (const std::function<void()>& r : reports)
        r();
    return true;
}

HTMLHelpViewer& WizardSession::helpViewer()
{
    if (!m_helpViewer)
        m_helpViewer = std::make_unique<HTMLHelpViewer>();
    return *m_helpViewer;
}

void WizardSession::showHelpTopic(int context)
{
    HTMLHelpViewer& viewer = helpViewer();
    viewer.SetHelpFile(m_helpFile);
    viewer.ShowContext(context);
}

void WizardSession::showFieldHelp(int topic)
{
    if (!m_fieldHelp) {
        m_fieldHelp = new frmHelp(m_window);
        m_fieldHelp->SetHelpViewer(&helpViewer());
    }
    m_fieldHelp->SetHelpFile(m_helpFile);
    m_fieldHelp->HelpTopic = static_cast<int16_t>(topic);
    m_fieldHelp->ShowModal();
}

void WizardSession::useTableSource(const QString& source)
{
    if (source == m_tableSource)
        return;
    m_tableSource = source;
    m_choices.SelectedTables.clear();
    emit tableSourceChanged();
}

void WizardSession::reopenSite(const WizardChoices& site)
{
    m_reopenedSite = site;
    m_stepsToTakeSite = {2, 3, 4, 6, 7, 8};
    // No step shows the extra queries or the owner's own lines of config.php: they go back into
    // config.php as the site had them.
    m_choices.ExtraQueries = site.ExtraQueries;
    m_choices.ExtraConfigLines = site.ExtraConfigLines;
}

const WizardChoices* WizardSession::siteToTake(int step) const
{
    return m_reopenedSite && m_stepsToTakeSite.contains(step) ? &*m_reopenedSite : nullptr;
}

bool WizardSession::confirmRequiredColumnsLeftOut(bool leavingOptions, QWidget* parent)
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
    if (showMessage(parent, text, MessageIcon::Exclamation, MessageButtons::YesNo) != MessageAnswer::Yes)
        return false;
    m_requiredLeftOutAccepted = true;
    return true;
}

void WizardSession::removeLookupsToUnchosenColumns(QWidget* parent)
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
        showMessage(parent,
                    QStringLiteral("The column shown by these lookup columns is no longer chosen, so they were "
                                   "removed: %1.")
                        .arg(removed.join(QStringLiteral(", "))),
                    MessageIcon::Information);
}
