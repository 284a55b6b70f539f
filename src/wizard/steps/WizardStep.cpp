#include "wizard/steps/WizardStep.h"

#include "dialogs/NamedWidgets.h"
#include "wizard/cMain.h"

#include <QCheckBox>
#include <QLineEdit>

WizardStep::WizardStep(WizardSession& session, int index, QWidget* parent)
    : QGroupBox(session.main().GetPanelCaption(index), parent), m_session(session), m_index(index)
{
    setObjectName(QStringLiteral("frmStep1"));
    setProperty("Index", index);
}

void WizardStep::enter(bool) {}

bool WizardStep::leave()
{
    return true;
}

QString WizardStep::nextCaption() const
{
    return QStringLiteral("Next");
}

QString WizardStep::backCaption() const
{
    return QStringLiteral("Back");
}

WizardStep* WizardStep::pageShown()
{
    return this;
}

bool WizardStep::skippedOnBack() const
{
    return false;
}

QCheckBox* WizardStep::checkBox(const char* name, const QString& caption, QWidget* parent)
{
    return named(new QCheckBox(caption, parent), name);
}

QLineEdit* WizardStep::lineEdit(const char* name, QWidget* parent)
{
    return named(new QLineEdit(parent), name);
}

void WizardStep::applyUnsaved(WizardChoices&) const {}
