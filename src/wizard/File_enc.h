#pragma once
// The reversible scrambling that keeps saved passwords out of plain sight in sql.ini. It is not
// encryption: it adds the bytes of a fixed key to the bytes of the text.

#include <QByteArray>
#include <QString>

// Byte-level forms: each byte of `bytes` plus (or minus) the byte of the upper-cased key at
// position (i mod L) + 1, 1-based, modulo 256. An empty key returns the bytes unchanged.
QByteArray ScrambleBytes(const QByteArray& bytes, const QString& key);
QByteArray UnscrambleBytes(const QByteArray& bytes, const QString& key);

// The same on text: the text is taken in the locale's 8-bit encoding. The scrambled form can hold
// any byte, which the UTF-8 locale cannot always read back as characters, so it is carried as one
// character per byte (Latin-1); UnscrambleText expects that form and returns the original text.
QString ScrambleText(const QString& text, const QString& key);
QString UnscrambleText(const QString& text, const QString& key);
