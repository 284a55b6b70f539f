#pragma once
// Step 8: the destination folder and the log of the generation runs. Next ("Generate") runs the
// generator through the progress window and tells the user how it went.

#include "wizard/steps/WizardStep.h"

class GenerationLog;
class QListWidget;
class QPushButton;

class GeneratePage : public WizardStep {
    Q_OBJECT

public:
    explicit GeneratePage(WizardSession& session, QWidget* parent = nullptr);

    void enter(bool comingBack) override;
    bool leave() override;
    QString nextCaption() const override;

private:
    void setupUi();
    void BrowseDestination();
    bool TakeDestinationFromBox();
    bool MayReplaceFiles();
    bool RunGeneration();

    // The log lives as long as the window and feeds lstLog, so every run's lines stay listed.
    GenerationLog* m_log = nullptr;

    QLineEdit* txtDestination = nullptr;
    QPushButton* cmdDestBrowse = nullptr;
    QListWidget* lstLog = nullptr;
};
