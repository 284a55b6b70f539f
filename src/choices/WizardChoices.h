#pragma once
// The one record of every choice the user makes in the wizard. The wizard window fills it step by
// step; the script generator reads it and never changes it.

#include <QList>
#include <QString>
#include <QStringList>

#include <cstdint>

// The port a MySQL or MariaDB server listens on unless told otherwise: the port box starts with it,
// an empty port box means it, and the generated scripts name a port only when it is another.
inline constexpr int16_t kDefaultServerPort = 3306;

// Server, database and login the generated scripts connect with (step 1).
struct ConnectionSettings {
    QString ServerName;
    QString DatabaseName;
    QString UserName;
    QString Password;
    int16_t Port = kDefaultServerPort;
};

// One chosen column of a table with its input checks and its lookup column (steps 3 and 5).
struct ChosenField {
    QString Name;
    // Validation rule.
    uint8_t AllowNulls = 0;  // 1: the field may be left empty
    int16_t MinValue = 0;
    int16_t MaxValue = 0;  // limits are on when MaxValue is not 0
    QString Characters;    // characters an entry must include; empty: no check
    // Lookup column.
    bool IsForeignKey = false;
    QString ParentTable;
    QString LookupTarget;  // "table.field" of the display column; empty: none
    // Whether the validation step has offered this field's rule yet: the first time, "Allow
    // Nulls" starts checked; from then on the rule is the user's.
    bool RuleOffered = false;
};

// A chosen table; its position in WizardChoices::SelectedTables is its index everywhere.
struct SelectedTable {
    QString TableName;
    QList<ChosenField> ChosenFields;
};

// What the generated scripts allow (step 4).
struct ScriptOptions {
    bool AllowAdd = false;
    bool AllowEdit = false;
    bool AllowDelete = false;
    bool AllowView = false;
    bool SearchRecords = false;
    bool ViewTable = false;
    bool CreateLookupColumns = false;
    bool AllowSearch = false;
    bool ShowForm = false;
    bool JavaValidate = false;
    bool PhpValidate = false;
    bool Navigator = false;
    int16_t RecordsPerPage = 0;
};

// The login the generated scripts require (step 6); AdminUser is empty when none is required.
struct SecurityOptions {
    QString AdminUser;
    QString AdminPassword;
};

// The stylesheet copied beside the scripts (step 7).
struct AppearanceOptions {
    QString StylesheetPath;
};

struct WizardChoices {
    int16_t CurrentStep = 1;
    ConnectionSettings Connection;
    QStringList ExtraQueries;  // written into config.php; no step fills it
    // Lines of a reopened site's config.php that the generator does not write (the owner's
    // comments and settings), written back before its end so that regenerating keeps them.
    QStringList ExtraConfigLines;
    QList<SelectedTable> SelectedTables{SelectedTable{}};
    ScriptOptions Options;
    SecurityOptions Security;
    AppearanceOptions Appearance;
    QString DestinationFolder;  // ends with "/" once chosen
};

// Title and explanation of one wizard step.
struct StepInfo {
    QString Title;
    QString Description;
};
