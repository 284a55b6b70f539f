#pragma once
// Step 1: the connection type, server, port and login, Connect and Disconnect, the database list
// and the saved connections; "Open site..." takes the connection of a generated site's folder and
// leaves the rest of its choices to the later steps. Next stores the connection, selects the
// database, offers to save the connection and names the table source for the steps after it.

#include "wizard/NumberText.h"
#include "wizard/steps/WizardStep.h"

class frmConnectionName;
class QComboBox;
class QLabel;
class QPushButton;

class ConnectionPage : public WizardStep {
    Q_OBJECT

public:
    explicit ConnectionPage(WizardSession& session, QWidget* parent = nullptr);

    bool Connected() const { return m_connected; }
    bool SavedConnectionPicked() const { return m_pickedConnection > 0; }

    void enter(bool comingBack) override;
    bool leave() override;
    QString backCaption() const override;

private:
    void setupUi();
    void OnConnectionTypeChosen();
    // The port box as a port: empty means the default port, anything else must be a 16-bit number.
    Int16Result portFromBox() const;
    void ConnectToServer();
    void DisconnectFromServer();
    void FillDatabaseList();
    void FillSavedConnectionList();
    void LoadSavedConnection(int listIndex);
    void OfferToSaveConnection();
    void OnConnectionLost(const QString& reason);
    void OpenSite();

    bool m_connected = false;
    // Number of the saved connection the user chose or saved in this run, 0 for none.
    int m_pickedConnection = 0;
    frmConnectionName* m_connectionNameDialog = nullptr;
    // The database of the site opened with "Open site...": the database box shows it again once
    // Connect has filled the list.
    QString m_siteDatabase;

    QComboBox* cmbConnType = nullptr;
    QLineEdit* txtServer = nullptr;
    QLineEdit* txtport = nullptr;
    QLineEdit* txtUsername = nullptr;
    QLineEdit* txtPassword = nullptr;
    QComboBox* cmbDBSelect = nullptr;
    QLabel* lblConnectionStatus = nullptr;
    QPushButton* Command1 = nullptr;
    QPushButton* Command3 = nullptr;
    QComboBox* cmbSaved = nullptr;
    QPushButton* cmdOpenSite = nullptr;
};
