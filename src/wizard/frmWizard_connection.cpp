// Step 1: the connection type, Connect and Disconnect, the database list and saved connections.
#include "wizard/frmWizard.h"

#include "dialogs/UserDialogs.h"
#include "wizard/NumberText.h"
#include "wizard/cDB.h"
#include "wizard/frmConnectionName.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>

void frmWizard::connectConnectionPanel()
{
    connect(cmbConnType, &QComboBox::activated, this, [this] { OnConnectionTypeChosen(); });
    connect(Command1, &QPushButton::clicked, this, &frmWizard::ConnectToServer);
    connect(Command3, &QPushButton::clicked, this, &frmWizard::DisconnectFromServer);
    connect(cmbSaved, &QComboBox::activated, this, &frmWizard::LoadSavedConnection);
}

void frmWizard::OnConnectionTypeChosen()
{
    if (cmbConnType->currentText() == QStringLiteral("Local")) {
        txtServer->setText(QStringLiteral("localhost"));
        txtServer->setEnabled(false);
    } else {
        txtServer->clear();
        txtServer->setEnabled(true);
    }
}

// The port box as a port: empty (or blank) means the default port, anything else must be a
// 16-bit number.
Int16Result frmWizard::portFromBox() const
{
    const QString text = txtport->text().trimmed();
    if (text.isEmpty())
        return {kDefaultServerPort, {}};
    return toInt16(text);
}

void frmWizard::ConnectToServer()
{
    QCoreApplication::processEvents();
    DatabaseCount = 0;
    ListedTableCount = 0;
    // A port that is no number is reported; the connection is then tried with port 0, which the
    // client library takes as its default port.
    const Int16Result port = portFromBox();
    if (!port)
        showMessage(this, port.Failure);
    const QString server = txtServer->text().trimmed();
    const QString user = txtUsername->text().trimmed();
    const QString password = txtPassword->text().trimmed();
    if (!Database().Connect(server, user, password, port.Value)) {
        showMessage(this, QStringLiteral("Failed To Connect To MySQL Server. Please Revise Your Settings"),
                    MessageIcon::Critical);
        return;
    }
    showMessage(this, QStringLiteral("Connection to server established successfully"), MessageIcon::Information);
    QCoreApplication::processEvents();
    Command1->setEnabled(false);
    Command3->setEnabled(true);
    m_connected = true;
    FillDatabaseList();
    QCoreApplication::processEvents();
}

void frmWizard::FillDatabaseList()
{
    const QStringList names = Database().ListDatabases();
    cmbDBSelect->clear();
    cmbDBSelect->addItems(names);
    cmbDBSelect->setEditText(QStringLiteral("<select db name or type it>"));
    cmbDBSelect->lineEdit()->setCursorPosition(0);
}

void frmWizard::DisconnectFromServer()
{
    Database().Disconnect();
    m_connected = false;
    Command3->setEnabled(false);
    Command1->setEnabled(true);
    const QString text = cmbDBSelect->currentText();
    cmbDBSelect->clear();
    cmbDBSelect->setEditText(text);
}

QList<SavedConnection> frmWizard::LoadSavedConnections() const
{
    return m_main.LoadSavedConnections();
}

void frmWizard::FillSavedConnectionList()
{
    const QList<SavedConnection> saved = LoadSavedConnections();
    const QSignalBlocker block(cmbSaved);
    cmbSaved->clear();
    for (qsizetype i = 1; i < saved.size(); ++i)
        cmbSaved->addItem(saved[i].ConnectionName);
    cmbSaved->setCurrentIndex(-1);
}

void frmWizard::LoadSavedConnection(int listIndex)
{
    const QList<SavedConnection> saved = LoadSavedConnections();
    const int position = listIndex + 1;
    if (listIndex < 0 || position >= saved.size())
        return;
    const SavedConnection& s = saved[position];
    txtServer->setText(s.ServerName);
    if (s.ServerName == QStringLiteral("localhost")) {
        cmbConnType->setCurrentText(QStringLiteral("Local"));
        OnConnectionTypeChosen();
    }
    txtUsername->setText(s.UserName);
    txtPassword->setText(s.Password);
    m_pickedConnection = position;
}

bool frmWizard::UseDatabase(const QString& database)
{
    return Database().UseDatabase(database);
}

void frmWizard::OfferToSaveConnection()
{
    const MessageAnswer answer =
        showMessage(this, QStringLiteral("Would you like to save the current connection settings?"),
                    MessageIcon::Question, MessageButtons::YesNo);
    if (answer != MessageAnswer::Yes)
        return;
    if (!m_connectionNameDialog)
        m_connectionNameDialog = new frmConnectionName(m_main, this);
    // Closing the dialog by its frame cancels the save.
    if (UserDialogs::current().exec(*m_connectionNameDialog) != QDialog::Accepted)
        return;
    const SaveOutcome saved = m_main.SaveConnection(
        {txtServer->text(), txtUsername->text(), txtPassword->text(), PendingConnectionName});
    if (!saved) {
        showMessage(this,
                    QStringLiteral("The connection could not be saved in %1: %2")
                        .arg(QDir::toNativeSeparators(m_main.IniFile()), saved.Failure),
                    MessageIcon::Critical);
        return;
    }
    // The new entry holds what is in the boxes: it counts as picked.
    m_pickedConnection = saved.Number;
}

// A statement found the server gone (it stopped answering within the timeouts, or closed the
// connection). The connection is closed by now, so Connect is offered again at once.
void frmWizard::OnConnectionLost(const QString& reason)
{
    m_connected = false;
    Command3->setEnabled(false);
    Command1->setEnabled(true);
    showMessage(this,
                QStringLiteral("The connection to the MySQL server was lost: %1\nPress 'Connect' on the first "
                               "step to connect again.")
                    .arg(reason),
                MessageIcon::Critical);
}
