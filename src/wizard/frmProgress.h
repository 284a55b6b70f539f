#pragma once
// The progress window: shown modally by Generate on the wizard's last step. When it opens it runs
// the generator once, shows the run's stage on its bar and closes itself.

#include "generator/phpCreator.h"
#include "choices/WizardChoices.h"

#include <QDialog>

class GenerationLog;
class QProgressBar;

class frmProgress : public QDialog {
    Q_OBJECT

public:
    frmProgress(const WizardChoices& choices, const QString& programFolder, GenerationLog& log,
                QWidget* parent = nullptr);

    // Whether the run has taken place, and how it ended.
    bool HasRun() const { return m_hasRun; }
    const GenerationResult& Result() const { return m_result; }

    // Refused while the run goes on: the window closes itself when the run is over.
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void setupUi();
    void run();

    const WizardChoices& m_choices;
    QString m_programFolder;
    GenerationLog& m_log;
    GenerationResult m_result;
    bool m_started = false;
    bool m_running = false;
    bool m_hasRun = false;

    QProgressBar* pb1 = nullptr;
};
