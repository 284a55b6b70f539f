#pragma once
// Reading and writing single values of an INI file with the rules of the Windows profile
// functions, so sql.ini files move freely between this program and Windows: sections and keys
// are matched without letter case, values are trimmed and lose one pair of surrounding quotes,
// at most 254 bytes are read back, and lines are written with CR LF.

#include <QByteArray>
#include <QFileDevice>
#include <QHash>
#include <QList>
#include <QString>

#include <optional>
#include <utility>

// An INI file held in memory: read once, looked up and changed in memory, and written back
// whole, so that many values cost one read and one write of the file however long it is.
// Every line the changes do not touch is written back byte for byte, with its own line break.
class IniDocument {
public:
    // Reads the file; a missing or unreadable file gives an empty document, and one that exists
    // but cannot be read is never written over. A UTF-8 byte-order mark at the start is kept
    // apart (and written back), and lines may end with CR LF, LF or CR.
    static IniDocument read(const QString& file);

    // The value as bytes (for values that are not text in the locale's encoding, such as
    // scrambled passwords), cut to 254 bytes; empty when the section or the key does not exist.
    QByteArray bytes(const QString& section, const QString& key) const;
    // The value as text, cut after the last whole character that fits in 254 bytes.
    QString text(const QString& section, const QString& key) const;

    // Sets key=value in the first section of that name, creating the section when needed and
    // replacing an existing value of the key.
    void setBytes(const QString& section, const QString& key, const QByteArray& value);
    void setText(const QString& section, const QString& key, const QString& value);

    // Replaces the file with the document, or leaves it exactly as it was. Returns an empty text
    // on success, otherwise the reason. `permissions`, when given, are the file's (see
    // writeWholeFile).
    QString write(const QString& file, QFileDevice::Permissions permissions = {}) const;

private:
    // One line without its line break, and the break itself ("\r\n", "\n", "\r" or none for a
    // last line without one).
    struct Line {
        QByteArray text;
        QByteArray ending;
    };
    // Where the first section of a name is: its header line, and the line after its last
    // non-blank line (where a new key goes).
    struct SectionPlace {
        qsizetype header = -1;
        qsizetype end = -1;
    };
    // Section and key, both case-folded.
    using NameKey = std::pair<QString, QString>;

    std::optional<QByteArray> rawValue(const QString& section, const QString& key) const;
    void buildIndex() const;
    // Takes line `i` into the index; `place` is the first section of the name the line is in,
    // or null when the line is in a later one.
    void indexLine(qsizetype i, const QString& section, SectionPlace* place) const;

    QString m_readFailure;
    QByteArray m_byteOrderMark;
    QList<Line> m_lines;
    // Built on first look-up and after every change that moved lines. A key found in a later
    // section of the same name still reads (the first occurrence in file order wins); writes go
    // to the first section of the name.
    mutable bool m_indexed = false;
    mutable QHash<NameKey, qsizetype> m_valueLines;
    mutable QHash<NameKey, qsizetype> m_firstSectionKeys;
    mutable QHash<QString, SectionPlace> m_sections;
};

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
