#include "wizard/frmConnectionName.h"

#include "dialogs/UserDialogs.h"
#include "wizard/cMain.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

QString PendingConnectionName;

frmConnectionName::frmConnectionName(const cMain& main, QWidget* parent) : QDialog(parent), m_main(main)
{
    setupUi();
}

void frmConnectionName::setupUi()
{
    setObjectName(QStringLiteral("frmConnectionName"));
    setWindowTitle(QStringLiteral("Enter connection name"));
    auto* layout = new QVBoxLayout(this);
    auto* row = new QHBoxLayout;
    row->addWidget(new QLabel(QStringLiteral("Connection name:"), this));
    tConnection = new QLineEdit(this);
    tConnection->setObjectName(QStringLiteral("tConnection"));
    row->addWidget(tConnection, 1);
    layout->addLayout(row);
    cOK = new QPushButton(QStringLiteral("OK"), this);
    cOK->setObjectName(QStringLiteral("cOK"));
    cOK->setDefault(true);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cOK);
    layout->addLayout(buttons);
    connect(cOK, &QPushButton::clicked, this, &frmConnectionName::onOk);
    setMinimumWidth(320);
}

void frmConnectionName::onOk()
{
    const QString name = tConnection->text();
    if (name.trimmed().isEmpty()) {
        showMessage(this, QStringLiteral("Enter connection name"), MessageIcon::Critical);
        tConnection->clear();
        tConnection->setCursorPosition(0);
        tConnection->setFocus();
        return;
    }
    if (m_main.ConnectionNameExists(name)) {
        showMessage(this, QStringLiteral("This connection name already exists."), MessageIcon::Critical);
        tConnection->selectAll();
        tConnection->setFocus();
        return;
    }
    PendingConnectionName = name;
    // Accepted, not destroyed: the box keeps the name for the next time.
    accept();
}
