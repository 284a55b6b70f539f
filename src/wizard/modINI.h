#pragma once
// Reading and writing single values of an INI file with the rules of the Windows profile
// functions, so sql.ini files move freely between this program and Windows: sections and keys
// are matched without letter case, values are trimmed and lose one pair of surrounding quotes,
// at most 254 characters are read back, and lines are written with CR LF.

#include <QString>

// Byte-level forms, for values that are not text in the locale's encoding (scrambled passwords).
QByteArray ReadIniBytes(const QString& section, const QString& key, const QString& file);
bool WriteIniBytes(const QString& section, const QString& key, const QByteArray& value,
                   const QString& file);

// The value, or empty text when the file, the section or the key does not exist.
QString ReadIniValue(const QString& section, const QString& key, const QString& file);

// Writes key=value into the section, creating the file and the section when needed and replacing
// an existing value. The file is replaced in one step, so a failure never leaves it half-written.
// Returns false when the file cannot be written.
bool WriteIniValue(const QString& section, const QString& key, const QString& value,
                   const QString& file);
