#pragma once
// MariaDB Connector/C for the client layer's own sources. The library calls its column
// description MYSQL_FIELD, the name of our field class, so its type is renamed LibraryField while
// its header is read. Include this instead of <mysql.h> wherever a MYSQL_ class is also in view.

#include <QString>

#ifdef MYSQL_FIELD
#error "MYSQL_FIELD is already defined as a macro"
#endif
#define MYSQL_FIELD LibraryField
#include <mysql.h>
#undef MYSQL_FIELD

// Text the library hands back (error messages, column names, statement information): the bytes
// up to the first NUL in the system's 8-bit encoding; a null pointer gives an empty text.
inline QString textFromLibrary(const char* text)
{
    return text ? QString::fromLocal8Bit(text) : QString();
}
