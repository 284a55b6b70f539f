#pragma once
// A reader for the few PHP statements a generated script is made of: assignments
// ($Name = value;  $Name['key'] = value;  $Name[] = value;) and calls (name(value, ...);), whose
// values are string literals, numbers, True/False/null, variables and calls. It works on the raw
// bytes, since PHP strings are bytes; string values come back as bytes for the caller to decode.
// Comments are passed over; any other statement is reported with its line and skipped.

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>
#include <vector>

struct PhpValue {
    enum class Kind { String, Number, Bool, Null, Variable, Call };
    Kind kind = Kind::Null;
    QByteArray text;              // String: the bytes; Number: as written; Variable/Call: the name
    bool flag = false;            // Bool
    std::vector<PhpValue> args;   // Call
};

struct PhpStatement {
    int line = 0;                 // where it starts, from 1
    bool isCall = false;          // name(args); rather than an assignment
    QByteArray name;              // the variable (without "$") or the function
    bool indexed = false;         // $name[...] = ...
    std::optional<PhpValue> key;  // the index; none for $name[] = ...
    PhpValue value;               // assignment: the value; call: a Call value
    QByteArray raw;               // the statement exactly as written
};

// A statement that was not read, or a comment between statements.
struct PhpUnread {
    int line = 0;
    QString text;                 // the statement as written, shortened
    QString reason;               // empty for a comment
    QByteArray raw;               // the statement or comment exactly as written
    bool outsidePhp = false;      // text after the closing ?> tag: page output, not PHP
    bool isComment() const { return reason.isEmpty(); }
};

struct PhpScript {
    QList<PhpStatement> statements;
    QList<PhpUnread> unread;      // in file order, comments included
    bool opened = false;          // the text starts with "<?php"
};

PhpScript readPhpScript(const QByteArray& bytes);
