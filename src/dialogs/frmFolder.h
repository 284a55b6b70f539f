#pragma once
// The destination folder chooser: walk the drives (mounted volumes) and their folders, create a
// folder, confirm one. Build it for one opening and discard it afterwards, so that each opening
// starts afresh on the process's current folder:
//
//     frmFolder chooser(choices.DestinationFolder, this);
//     UserDialogs::current().exec(chooser);
//     choices.DestinationFolder = chooser.DestinationFolder();
//
// DestinationFolder() is the folder given to the constructor until the user confirms one with
// "Ok"; a confirmed folder always ends with "/".

#include <QDialog>
#include <QIcon>
#include <QStringList>

#include <optional>

class QComboBox;
class QLineEdit;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

class frmFolder : public QDialog {
    Q_OBJECT

public:
    // The drive list holds the machine's mounted volumes.
    explicit frmFolder(const QString& destinationFolder, QWidget* parent = nullptr);
    // The drive list holds `driveRoots` (absolute folders) instead of the mounted volumes.
    frmFolder(const QString& destinationFolder, const QStringList& driveRoots, QWidget* parent = nullptr);

    // The confirmed folder, or the one given to the constructor when none was confirmed.
    const QString& DestinationFolder() const { return m_destinationFolder; }
    // Whether "Ok" confirmed a folder (the window's result is then Accepted too).
    bool FolderConfirmed() const { return m_confirmed; }
    // The path of the folder selected in the tree.
    QString FolderPath() const;

    // Replaces every run of "/" by one, so that a folder joined to a root ("/" + "/" + name) or
    // typed with a trailing "/" still gives a clean path.
    static QString CollapseSeparators(const QString& path);
    // The destination a typed path stands for: the path with a trailing "/" and separators
    // collapsed, or nothing when it names no existing folder ("folder dosnt exist").
    static std::optional<QString> DestinationFor(const QString& typed);

private:
    void setupUi();
    void fillDrives(const QStringList& driveRoots);
    void showDrive(int index);
    void moveFolderTo(const QString& path);
    void refreshChildren(QTreeWidgetItem* item);
    QTreeWidgetItem* newFolderItem(const QString& path, const QString& name);
    QIcon driveIcon() const;
    QIcon folderIcon() const;
    void showFolderPath();

    void onNewFolder();
    void onOk();
    void onCancel();

    QString m_destinationFolder;
    bool m_confirmed = false;

    QComboBox* drive = nullptr;
    QTreeWidget* folder = nullptr;
    QLineEdit* txtpath = nullptr;
    QPushButton* NewFolder = nullptr;
    QPushButton* ok = nullptr;
    QPushButton* cancel = nullptr;
};
