#include "WizardDriver.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

namespace qmtest {

void WizardDriver::click(const char* name) const
{
    auto* button = get<QAbstractButton>(name);
    ASSERT_NE(button, nullptr);
    ASSERT_TRUE(button->isEnabled()) << name << " is disabled";
    QTest::mouseClick(button, Qt::LeftButton);
}

void WizardDriver::type(const char* name, const QString& text) const
{
    QWidget* w = get(name);
    ASSERT_NE(w, nullptr);
    if (auto* combo = qobject_cast<QComboBox*>(w)) {
        combo->setEditText(text);
        return;
    }
    auto* edit = qobject_cast<QLineEdit*>(w);
    ASSERT_NE(edit, nullptr) << name;
    edit->clear();
    QTest::keyClicks(edit, text);
}

int WizardDriver::visiblePanel() const
{
    int shown = 0;
    for (QGroupBox* panel : m_wizard.findChildren<QGroupBox*>(QStringLiteral("frmStep1"))) {
        if (panel->isVisible()) {
            if (shown)
                return 0;
            shown = panel->property("Index").toInt();
        }
    }
    return shown;
}

void WizardDriver::typeConnection(const QString& host, int port, const QString& password, const QString& user) const
{
    auto* connectionType = get<QComboBox>("cmbConnType");
    connectionType->setCurrentText(QStringLiteral("Remote"));
    emit connectionType->activated(connectionType->currentIndex());
    type("txtServer", host);
    type("txtport", QString::number(port));
    if (!user.isEmpty())
        type("txtUsername", user);
    type("txtPassword", password);
}

void WizardDriver::connectToSandbox() const
{
    const ServerSettings& s = sandboxServer();
    typeConnection(s.host, s.port, s.password, s.user);
    const qsizetype before = m_dialogs.messages.size();
    click("Command1");
    ASSERT_TRUE(m_wizard.Connected()) << m_dialogs.texts().mid(before).join(" | ").toStdString();
}

void WizardDriver::leaveConnectionStep(const QString& database) const
{
    connectToSandbox();
    type("cmbDBSelect", database);
    if (!m_wizard.SavedConnectionPicked())
        m_dialogs.answers.push_back(MessageAnswer::No);
    next();
    ASSERT_EQ(step(), 2) << m_dialogs.texts().join(" | ").toStdString();
}

void WizardDriver::chooseTables(const QStringList& tables) const
{
    auto* available = get<QListWidget>("lstAvTables");
    for (const QString& table : tables) {
        const auto found = available->findItems(table, Qt::MatchExactly);
        ASSERT_EQ(found.size(), 1) << table.toStdString();
        available->setCurrentItem(found[0]);
        click("cmdAppendTables");
    }
    next();
}

void WizardDriver::reachFieldStep(const QString& database, const QStringList& tables) const
{
    leaveConnectionStep(database);
    chooseTables(tables);
    ASSERT_EQ(step(), 3) << m_dialogs.texts().join(" | ").toStdString();
}

}  // namespace qmtest
