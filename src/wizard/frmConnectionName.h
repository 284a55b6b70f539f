#pragma once
// Asks for the name under which the current connection settings are saved. Created on first use
// and then only hidden, so it shows the name confirmed last when it opens again.

#include <QDialog>

class cMain;
class QLineEdit;
class QPushButton;

// The last name confirmed in the dialog.
extern QString PendingConnectionName;

class frmConnectionName : public QDialog {
    Q_OBJECT

public:
    explicit frmConnectionName(const cMain& main, QWidget* parent = nullptr);

private:
    void setupUi();
    void onOk();

    const cMain& m_main;
    QLineEdit* tConnection = nullptr;
    QPushButton* cOK = nullptr;
};
