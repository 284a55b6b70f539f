#pragma once
// Helpers of the wizard that need no window: the step table and the fresh choices record.
// Saved connections and type-name helpers join here as the steps that use them are built.

#include "choices/WizardChoices.h"

#include <QList>
#include <QString>

// One named connection kept in sql.ini; it holds neither a database nor a port.
struct SavedConnection {
    QString ServerName;
    QString UserName;
    QString Password;  // plain in memory, scrambled in the file
    QString ConnectionName;
};

// What saving a connection did: the number it was saved under, or why nothing was saved (the
// file is then left as it was).
struct SaveOutcome {
    int16_t Number = 0;
    QString Failure;
    explicit operator bool() const { return Failure.isEmpty(); }
};

class cMain {
public:
    // `programFolder` holds sql.ini when the program may write there (a build tree or a portable
    // copy); otherwise the user's own sql.ini is used (see IniFile).
    explicit cMain(const QString& programFolder = {});

    // The sql.ini a save writes: the program folder's when that folder is writable and not an
    // installed program's shared data folder, else the user's configuration folder's
    // (~/.config/Quillmere/sql.ini), made on the first save and readable by the user alone.
    // Until that file exists, connections are read from the program folder's sql.ini, and the
    // first save carries them over.
    QString IniFile() const;

    // Saved connection i is the section "Connection<i>"; the list ends before the first number
    // whose section is missing or has an empty SQL value. Each of these reads sql.ini once.
    int16_t CountSavedConnections() const;
    // Position i (1 to n) holds saved connection i; position 0 is an empty record.
    QList<SavedConnection> LoadSavedConnections() const;
    // Appends the connection as number n + 1, reading sql.ini once and writing it once.
    SaveOutcome SaveConnection(const SavedConnection& connection) const;
    // Exact comparison: letter case and blanks count.
    bool ConnectionNameExists(const QString& name) const;

    // Title and explanation of step 1 to 8; both empty for any other number.
    StepInfo GetStepInfo(int step) const;
    // Caption of the panel of step 1 to 8; empty for any other number.
    QString GetPanelCaption(int step) const;
    // The type name before its first "(", trimmed: "int(11) unsigned" gives "int".
    QString BaseTypeName(const QString& type) const;
    // Whether the base type name is exactly one of the lower-case integer type names.
    bool IsIntegerType(const QString& type) const;

    // A record holding the initial value of every member.
    WizardChoices NewWizardChoices() const;

private:
    // The sql.ini connections are read from.
    QString readIniFile() const;

    QString m_programFolder;
};

// The key that scrambles saved passwords.
inline const QString kPasswordKey = QStringLiteral("tgrfedswqa");
