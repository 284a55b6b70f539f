#pragma once
// Drives the real wizard window the way a user does: finds controls by their names, types into
// them and clicks them, and answers its questions through the dialog recorder.

#include "DialogRecorder.h"
#include "TestDatabase.h"
#include "wizard/frmWizard.h"

#include <QStringList>
#include <QWidget>

#include <gtest/gtest.h>

namespace qmtest {

class WizardDriver {
public:
    WizardDriver(frmWizard& wizard, DialogRecorder& dialogs) : m_wizard(wizard), m_dialogs(dialogs) {}

    template <typename T = QWidget>
    T* get(const char* name) const
    {
        T* c = m_wizard.findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(c, nullptr) << "no control " << name;
        return c;
    }
    void click(const char* name) const;
    void type(const char* name, const QString& text) const;
    void next() const { click("cmdNext"); }
    void back() const { click("cmdPrevious"); }
    int step() const { return m_wizard.Choices().CurrentStep; }
    // Index of the one visible step panel, 0 when none or several are visible.
    int visiblePanel() const;

    // Step 1: "Remote" and the given address, port and password (and user, unless empty), typed
    // into their boxes; Connect is left to the caller.
    void typeConnection(const QString& host, int port, const QString& password, const QString& user = {}) const;
    // Step 1: "Remote", the private server's address, port, user and password, then Connect.
    void connectToSandbox() const;
    // Step 1: connect, type the database and press Next, answering No to the save question.
    void leaveConnectionStep(const QString& database) const;
    // Step 2: moves the named tables to the selected list, in this order, and presses Next.
    void chooseTables(const QStringList& tables) const;
    // From a fresh wizard to step 3 (fields) with the tables chosen.
    void reachFieldStep(const QString& database, const QStringList& tables) const;

private:
    frmWizard& m_wizard;
    DialogRecorder& m_dialogs;
};

}  // namespace qmtest
