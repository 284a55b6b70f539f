#pragma once
// One step of the wizard: a page that owns its controls and its logic. The wizard window shows the
// steps one at a time and asks the current one, through the hooks below, what Next and Back do.
// The page is the step's framed panel: object name "frmStep1", property "Index" (1 to 8) and the
// panel caption of the step table.

#include "wizard/steps/WizardSession.h"

#include <QGroupBox>

class QCheckBox;
class QLineEdit;

class WizardStep : public QGroupBox {
    Q_OBJECT

public:
    WizardStep(WizardSession& session, int index, QWidget* parent = nullptr);

    // The step's number, 1 to 8.
    int index() const { return m_index; }

    // Prepares the page when the step is entered; `comingBack` is true when Back led here.
    virtual void enter(bool comingBack);
    // Next on this step: checks the step's choices, stores them into WizardChoices and does what
    // Next does here (on the last step: generating the scripts). False keeps the wizard on this
    // step.
    virtual bool leave();
    // The captions of Next and Back while this step is current.
    virtual QString nextCaption() const;
    virtual QString backCaption() const;
    // The step whose page is shown while this step is current: the step itself, or another step
    // that stands in for it (the wizard enters that step as well, under this step's titles).
    virtual WizardStep* pageShown();
    // Whether Back passes over this step on the way to the one before it.
    virtual bool skippedOnBack() const;
    // Puts into `choices` what the step's controls show but Next has not stored yet, as far as
    // that needs neither the server nor the user: the site preview shows the choices so.
    virtual void applyUnsaved(WizardChoices& choices) const;

protected:
    WizardSession& session() const { return m_session; }
    WizardChoices& choices() const { return m_session.choices(); }
    const cMain& main() const { return m_session.main(); }
    const QString& programFolder() const { return m_session.programFolder(); }
    cDB& database() const { return m_session.database(); }

    // Named controls for the steps' setupUi().
    static QCheckBox* checkBox(const char* name, const QString& caption, QWidget* parent);
    static QLineEdit* lineEdit(const char* name, QWidget* parent);

private:
    WizardSession& m_session;
    int m_index;
};
