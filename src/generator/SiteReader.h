#pragma once
// Reads a generated site's choices back from its database.php and config.php, without PHP: the
// generator's output read in reverse. Hand edits that keep to the same statements are read too
// (another number, another option, an added $ExtraQueryes[] line); lines the reader does not know,
// comments aside, are listed in Unread and otherwise passed over, never fatal.

#include "choices/WizardChoices.h"

#include <QString>
#include <QStringList>

struct SiteReadResult {
    // False when the folder is not a generated site or one of its files could not be read;
    // FailedFile then names the file (or the folder) and Reason says why.
    bool Ok = false;
    QString FailedFile;
    QString Reason;
    // The choices the site was generated with. DestinationFolder is the folder itself (ending
    // with "/"), StylesheetPath the stylesheet inside it; every rule counts as already offered.
    WizardChoices Choices;
    // One line per statement that was not read: "config.php line 12: <statement>: <why>".
    QStringList Unread;

    // The message the wizard and the command line show when Ok is false.
    QString Message() const;
};

class SiteReader {
public:
    static SiteReadResult Read(const QString& folder);

    // The two files' texts read on their own; `folder` becomes DestinationFolder and the
    // stylesheet's folder. Return false (with result.Reason) when the text is not the file a
    // generated site has.
    static bool ReadDatabaseScript(const QByteArray& bytes, SiteReadResult& result);
    static bool ReadConfigScript(const QByteArray& bytes, const QString& folder, SiteReadResult& result);
};
