#include "wizard/steps/ConnectionPage.h"

#include "dialogs/NamedWidgets.h"
#include "dialogs/UserDialogs.h"
#include "dialogs/frmFolder.h"
#include "generator/SiteReader.h"
#include "wizard/cDB.h"
#include "wizard/cMain.h"
#include "wizard/frmConnectionName.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
const QString kDatabasePrompt = QStringLiteral("<select db name or type it>");
}

ConnectionPage::ConnectionPage(WizardSession& shared, QWidget* parent) : WizardStep(shared, 1, parent)
{
    setupUi();
    connect(cmbConnType, &QComboBox::activated, this, [this] { OnConnectionTypeChosen(); });
    connect(Command1, &QPushButton::clicked, this, &ConnectionPage::ConnectToServer);
    connect(Command3, &QPushButton::clicked, this, &ConnectionPage::DisconnectFromServer);
    connect(cmbSaved, &QComboBox::activated, this, &ConnectionPage::LoadSavedConnection);
    connect(cmdOpenSite, &QPushButton::clicked, this, &ConnectionPage::OpenSite);
    connect(&shared, &WizardSession::connectionLost, this, &ConnectionPage::OnConnectionLost);
    // Step 1 fills the saved-connection list on entry; a Back on a later step empties it.
    connect(&shared, &WizardSession::steppedBack, cmbSaved, &QComboBox::clear);
}

void ConnectionPage::setupUi()
{
    auto* grid = new QGridLayout(this);
    grid->setVerticalSpacing(4);

    cmbConnType = named(new QComboBox(this), "cmbConnType");
    cmbConnType->addItems({QStringLiteral("Local"), QStringLiteral("Remote")});
    txtServer = lineEdit("txtServer", this);
    txtServer->setText(QStringLiteral("localhost"));
    txtServer->setEnabled(false);
    txtServer->setToolTip(QStringLiteral("the IP or the name of the MySQL server "));
    txtport = lineEdit("txtport", this);
    txtport->setText(QString::number(kDefaultServerPort));
    txtUsername = lineEdit("txtUsername", this);
    txtUsername->setText(QStringLiteral("root"));
    txtPassword = lineEdit("txtPassword", this);
    txtPassword->setEchoMode(QLineEdit::Password);
    cmbDBSelect = named(new QComboBox(this), "cmbDBSelect");
    cmbDBSelect->setEditable(true);
    cmbDBSelect->setInsertPolicy(QComboBox::NoInsert);
    cmbDBSelect->setEditText(kDatabasePrompt);
    cmbDBSelect->lineEdit()->setCursorPosition(0);
    // Wide enough for the prompt and most database names, so the closed box seldom cuts one.
    cmbDBSelect->setMinimumContentsLength(int(kDatabasePrompt.size()));
    cmbDBSelect->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);

    grid->addWidget(new QLabel(QStringLiteral("Connection Type"), this), 0, 0);
    grid->addWidget(cmbConnType, 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("Remote Server:"), this), 1, 0);
    grid->addWidget(txtServer, 1, 1);
    grid->addWidget(new QLabel(QStringLiteral("Port"), this), 2, 0);
    grid->addWidget(txtport, 2, 1);
    grid->addWidget(new QLabel(QStringLiteral("UserName:"), this), 3, 0);
    grid->addWidget(txtUsername, 3, 1);
    grid->addWidget(new QLabel(QStringLiteral("Password:"), this), 4, 0);
    grid->addWidget(txtPassword, 4, 1);
    grid->addWidget(new QLabel(QStringLiteral("DB Select:"), this), 5, 0);
    grid->addWidget(cmbDBSelect, 5, 1);

    auto* actions = named(new QGroupBox(QStringLiteral("Connection Actions:"), this), "frmActions");
    auto* actionsLayout = new QHBoxLayout(actions);
    Command1 = namedButton("Command1", QStringLiteral("Connect"), actions);
    Command3 = namedButton("Command3", QStringLiteral("Disconnect"), actions);
    Command3->setEnabled(false);
    actionsLayout->addWidget(Command1);
    actionsLayout->addWidget(Command3);
    grid->addWidget(actions, 0, 2, 3, 1);

    auto* saved = named(new QGroupBox(QStringLiteral("Saved Connections:"), this), "frmSaved");
    auto* savedLayout = new QVBoxLayout(saved);
    cmbSaved = named(new QComboBox(saved), "cmbSaved");
    cmbSaved->setPlaceholderText(QStringLiteral("Please Select"));
    savedLayout->addWidget(cmbSaved);
    cmdOpenSite = namedButton("cmdOpenSite", QStringLiteral("Open site..."), saved);
    cmdOpenSite->setToolTip(QStringLiteral("Take the choices of a site generated before from its folder"));
    savedLayout->addWidget(cmdOpenSite, 0, Qt::AlignLeft);
    grid->addWidget(saved, 3, 2, 3, 1);
    // Says whom Connect connected to, until Disconnect or a failed Connect.
    lblConnectionStatus = named(new QLabel(this), "lblConnectionStatus");
    lblConnectionStatus->setTextInteractionFlags(Qt::TextSelectableByMouse);
    grid->addWidget(lblConnectionStatus, 6, 0, 1, 3);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(2, 1);
    grid->setRowStretch(7, 1);
}

void ConnectionPage::enter(bool)
{
    FillSavedConnectionList();
}

QString ConnectionPage::backCaption() const
{
    return QStringLiteral("About");
}

void ConnectionPage::OnConnectionTypeChosen()
{
    if (cmbConnType->currentText() == QStringLiteral("Local")) {
        txtServer->setText(QStringLiteral("localhost"));
        txtServer->setEnabled(false);
    } else {
        txtServer->clear();
        txtServer->setEnabled(true);
    }
}

Int16Result ConnectionPage::portFromBox() const
{
    const QString text = txtport->text().trimmed();
    if (text.isEmpty())
        return {kDefaultServerPort, {}};
    return toInt16(text);
}

void ConnectionPage::ConnectToServer()
{
    session().clearCancelledWait();
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
    bool connected = false;
    if (!session().waitOnServer([&] { connected = database().Connect(server, user, password, port.Value); })) {
        if (session().waitCancelled())
            lblConnectionStatus->setText(QStringLiteral("Connecting was cancelled"));
        return;
    }
    if (!connected) {
        lblConnectionStatus->clear();
        showMessage(this, QStringLiteral("Failed To Connect To MySQL Server. Please Revise Your Settings"),
                    MessageIcon::Critical);
        return;
    }
    lblConnectionStatus->setText(QStringLiteral("Connected to %1").arg(server.isEmpty() ? QStringLiteral("localhost") : server));
    showMessage(this, QStringLiteral("Connection to server established successfully"), MessageIcon::Information);
    QCoreApplication::processEvents();
    Command1->setEnabled(false);
    Command3->setEnabled(true);
    m_connected = true;
    FillDatabaseList();
    QCoreApplication::processEvents();
}

void ConnectionPage::FillDatabaseList()
{
    QStringList names;
    if (!session().waitOnServer([&] { names = database().ListDatabases(); }))
        return;
    cmbDBSelect->clear();
    cmbDBSelect->addItems(names);
    cmbDBSelect->setEditText(m_siteDatabase.isEmpty() ? kDatabasePrompt : m_siteDatabase);
    cmbDBSelect->lineEdit()->setCursorPosition(0);
}

void ConnectionPage::DisconnectFromServer()
{
    database().Disconnect();
    m_connected = false;
    lblConnectionStatus->clear();
    Command3->setEnabled(false);
    Command1->setEnabled(true);
    const QString text = cmbDBSelect->currentText();
    cmbDBSelect->clear();
    cmbDBSelect->setEditText(text);
}

void ConnectionPage::FillSavedConnectionList()
{
    const QList<SavedConnection> saved = main().LoadSavedConnections();
    const QSignalBlocker block(cmbSaved);
    cmbSaved->clear();
    for (qsizetype i = 1; i < saved.size(); ++i)
        cmbSaved->addItem(saved[i].ConnectionName);
    cmbSaved->setCurrentIndex(-1);
}

void ConnectionPage::LoadSavedConnection(int listIndex)
{
    const QList<SavedConnection> saved = main().LoadSavedConnections();
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

// Next on step 1: stores the connection settings, selects the database, offers to save the
// connection and names the table source. A port that is no number is reported and the earlier
// port kept, and the checks still follow.
bool ConnectionPage::leave()
{
    if (!m_connected) {
        showMessage(this, QStringLiteral("please click on 'Connect' button first"));
        return false;
    }
    ConnectionSettings& c = choices().Connection;
    const QString server = txtServer->text().trimmed();
    c.ServerName = server.isEmpty() ? QStringLiteral("localhost") : server;
    c.UserName = txtUsername->text().trimmed();
    c.Password = txtPassword->text().trimmed();
    if (const Int16Result port = portFromBox())
        c.Port = port.Value;
    else
        showMessage(this, port.Failure);

    const QString databaseName = cmbDBSelect->currentText();
    if (databaseName.isEmpty() || databaseName == kDatabasePrompt) {
        showMessage(this, QStringLiteral("Please select a database or type it's name"), MessageIcon::Exclamation);
        return false;
    }
    c.DatabaseName = databaseName;
    bool used = false;
    if (!session().waitOnServer([&] { used = database().UseDatabase(c.DatabaseName); }) || !used)
        return false;

    if (!SavedConnectionPicked())
        OfferToSaveConnection();

    // The tables chosen, and what was chosen for them, stay while server, port and database stay.
    session().useTableSource(c.ServerName + QLatin1Char('\n') + QString::number(c.Port) + QLatin1Char('\n')
                             + c.DatabaseName);

    // Only the entry the user chose or saved in this run is shown as picked. The boxes keep what
    // was connected: filling them from any other entry would hand its server and login to the
    // generated scripts.
    FillSavedConnectionList();
    if (m_pickedConnection > 0 && m_pickedConnection <= cmbSaved->count())
        cmbSaved->setCurrentIndex(m_pickedConnection - 1);

    session().setTablesStale(true);
    return true;
}

void ConnectionPage::OfferToSaveConnection()
{
    const MessageAnswer answer =
        showMessage(this, QStringLiteral("Would you like to save the current connection settings?"),
                    MessageIcon::Question, MessageButtons::YesNo);
    if (answer != MessageAnswer::Yes)
        return;
    if (!m_connectionNameDialog)
        m_connectionNameDialog = new frmConnectionName(main(), window());
    // Closing the dialog by its frame cancels the save.
    if (UserDialogs::current().exec(*m_connectionNameDialog) != QDialog::Accepted)
        return;
    const SaveOutcome saved = main().SaveConnection(
        {txtServer->text(), txtUsername->text(), txtPassword->text(), PendingConnectionName});
    if (!saved) {
        showMessage(this,
                    QStringLiteral("The connection could not be saved in %1: %2")
                        .arg(QDir::toNativeSeparators(main().IniFile()), saved.Failure),
                    MessageIcon::Critical);
        return;
    }
    // The new entry holds what is in the boxes: it counts as picked.
    m_pickedConnection = saved.Number;
}

// A statement found the server gone (it stopped answering within the timeouts, or closed the
// connection). The connection is closed by now, so Connect is offered again at once.
void ConnectionPage::OnConnectionLost(const QString& reason)
{
    m_connected = false;
    lblConnectionStatus->clear();
    Command3->setEnabled(false);
    Command1->setEnabled(true);
    showMessage(this,
                QStringLiteral("The connection to the MySQL server was lost: %1\nPress 'Connect' on the first "
                               "step to connect again.")
                    .arg(reason),
                MessageIcon::Critical);
}

// "Open site...": the folder chooser picks a generated site's folder, whose database.php fills the
// connection boxes; the session keeps the rest of its choices for the later steps. A folder that
// cannot be read as a site is reported and changes nothing.
void ConnectionPage::OpenSite()
{
    frmFolder chooser(choices().DestinationFolder, window());
    UserDialogs::current().exec(chooser);
    if (!chooser.FolderConfirmed())
        return;
    const SiteReadResult site = SiteReader::Read(chooser.DestinationFolder());
    if (!site.Ok) {
        showMessage(this, site.Message(), MessageIcon::Critical);
        return;
    }
    // The site's connection is the one Connect is to make.
    if (m_connected)
        DisconnectFromServer();
    const ConnectionSettings& c = site.Choices.Connection;
    cmbConnType->setCurrentText(c.ServerName == QStringLiteral("localhost") ? QStringLiteral("Local")
                                                                            : QStringLiteral("Remote"));
    OnConnectionTypeChosen();
    txtServer->setText(c.ServerName);
    txtport->setText(QString::number(c.Port));
    txtUsername->setText(c.UserName);
    txtPassword->setText(c.Password);
    m_siteDatabase = c.DatabaseName;
    cmbDBSelect->setEditText(c.DatabaseName);
    cmbDBSelect->lineEdit()->setCursorPosition(0);
    session().reopenSite(site.Choices);
    lblConnectionStatus->setText(QStringLiteral("Opened the site in %1: press 'Connect'")
                                     .arg(QDir::toNativeSeparators(site.Choices.DestinationFolder)));
    if (!site.Unread.isEmpty())
        showMessage(this,
                    QStringLiteral("The site was opened, but these lines of it were not understood:\n%1")
                        .arg(site.Unread.join(QLatin1Char('\n'))),
                    MessageIcon::Exclamation);
}
