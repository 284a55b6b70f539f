#pragma once
// What the steps of the wizard share, handed to every step when it is made: the choices record,
// the step table and saved connections (cMain), the program folder, the database, help, and the
// few facts one step leaves for another. The wizard window owns it.

#include "choices/WizardChoices.h"
#include "wizard/ServerWait.h"

#include <QObject>
#include <QPointer>
#include <QSet>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <mutex>
#include <optional>

class cDB;
class cMain;
class frmHelp;
class HTMLHelpViewer;
class QWidget;

class WizardSession : public QObject {
    Q_OBJECT

public:
    // `window` is the wizard window: the database's messages and the field-help window belong to
    // it.
    WizardSession(WizardChoices& choices, const cMain& main, const QString& programFolder, QWidget* window);
    ~WizardSession() override;

    WizardChoices& choices() { return m_choices; }
    const WizardChoices& choices() const { return m_choices; }
    const cMain& main() const { return m_main; }
    const QString& programFolder() const { return m_programFolder; }

    // The schema object, created on first use; it owns the program's one connection. A statement
    // that finds the server gone emits connectionLost.
    cDB& database();

    // Runs `call`, which uses database() and may wait on the server, in a worker thread while the
    // window keeps handling events; waitingOnServer tells the window when to hold its controls. The
    // database's messages and a lost connection are shown once the call has returned, in their
    // order. False when the user gave the wait up with Cancel or left the program meanwhile: the
    // step then does nothing more, and further waits return false at once.
    bool waitOnServer(const std::function<void()>& call);
    bool waitingOnServer() const { return m_serverWait.waiting(); }
    // Cancel during a wait: the call waited on is interrupted and its messages dropped, and what
    // the user asked for (connect, go to the next step) does not happen. The wizard stays usable:
    // a connection cut by the interrupt is opened again by the next statement. Waits go on
    // returning false until clearCancelledWait, which each new action of the user calls first.
    void cancelServerWait();
    bool waitCancelled() const { return m_waitCancelled; }
    void clearCancelledWait() { m_waitCancelled = false; }
    // The user leaves the program: a call waited on is interrupted and its messages dropped, and
    // the steps then wait on nothing more and say nothing more about it.
    void abandonServerWait();
    // The last wait ended without an outcome, by Cancel or by leaving: the step's failure is the
    // user's own doing and is not to be reported.
    bool waitGivenUp() const { return m_leaving || m_waitCancelled; }

    // Help: the help file that Help, F1 and the field-help window open, the topic of a context
    // number in the one help viewer of the run, and the "What's this" window with a topic.
    const QString& helpFile() const { return m_helpFile; }
    void showHelpTopic(int context);
    void showFieldHelp(int topic);

    // Step 1 -> step 2: the available tables are to be read again when step 2 is entered.
    bool tablesStale() const { return m_tablesStale; }
    void setTablesStale(bool stale) { m_tablesStale = stale; }

    // The table lists, and what was chosen for their tables on the later steps, belong to one
    // server, port and database (the "table source"). Step 1 names the source on Next: a source
    // other than before drops the chosen tables from the record and emits tableSourceChanged, so
    // the table and field steps start afresh.
    void useTableSource(const QString& source);

    // Whether step 4 has been left with Next once: its boxes then keep what the user set, and the
    // user's "allow adding" counts.
    bool optionsChosen() const { return m_optionsChosen; }
    void setOptionsChosen(bool chosen) { m_optionsChosen = chosen; }

    // A generated site opened on step 1: its choices, which the later steps take over as the user
    // reaches them. siteToTake(step) gives the site while that step has not taken it yet; the step
    // calls siteTaken(step) once its controls show the site, the first time it has read the
    // database after the opening. Opening another site starts the steps over.
    void reopenSite(const WizardChoices& site);
    const WizardChoices* siteToTake(int step) const;
    void siteTaken(int step) { m_stepsToTakeSite.remove(step); }

    // Step 3 notes the columns it leaves out ("table.column") that a new record cannot do without.
    void setRequiredLeftOut(const QStringList& columns) { m_requiredLeftOut = columns; }
    // Adding a record fails while such a column is left out. Whether adding is allowed is chosen on
    // step 4, after step 3, so the user is warned on leaving step 3 unless adding was already
    // switched off there, and on leaving step 4 when adding is allowed and the warning was not
    // answered with Yes on step 3. Yes goes on (true); No stays to change the choice (false).
    bool confirmRequiredColumnsLeftOut(bool leavingOptions, QWidget* parent);

    // A lookup column shows a chosen column of a chosen table: one whose column is no longer
    // chosen is removed, and the user is told which.
    void removeLookupsToUnchosenColumns(QWidget* parent);

    // A step's control changed a choice (stored or not yet): the site preview follows.
    void noteChoicesEdited() { emit choicesEdited(); }

signals:
    void choicesEdited();
    // The stylesheet tools show or saved a stylesheet: the site preview shows it too.
    void stylesheetEdited(const QByteArray& css);
    void tableSourceChanged();
    void connectionLost(const QString& reason);
    // Back was pressed on any step but the first.
    void steppedBack();
    // A call of waitOnServer started (true) or returned (false).
    void waitingOnServerChanged(bool waiting);

private:
    HTMLHelpViewer& helpViewer();
    // Runs `report` now on the window's thread, or keeps it for the end of the wait.
    void report(std::function<void()> report);

    WizardChoices& m_choices;
    const cMain& m_main;
    QString m_programFolder;
    QWidget* m_window;
    QString m_helpFile;
    std::unique_ptr<cDB> m_db;
    ServerWait m_serverWait;
    std::mutex m_reportsMutex;
    QList<std::function<void()>> m_reports;
    bool m_leaving = false;
    bool m_waitCancelled = false;
    // The help viewer of the run, made on first use; the field-help window shares it for its link.
    std::unique_ptr<HTMLHelpViewer> m_helpViewer;
    // The "What's this" window deletes itself when closed by its frame.
    QPointer<frmHelp> m_fieldHelp;

    bool m_tablesStale = false;
    QString m_tableSource;
    bool m_optionsChosen = false;
    QStringList m_requiredLeftOut;
    bool m_requiredLeftOutAccepted = false;
    std::optional<WizardChoices> m_reopenedSite;
    QSet<int> m_stepsToTakeSite;
};
