#pragma once

#include <QByteArray>
#include <QFileDevice>
#include <QString>

// Replaces a file with new content or leaves it exactly as it was. QSaveFile alone is not enough:
// with Qt 6.4 a small write stays in its buffer, the flush inside commit() can fail for a full disk
// and commit() still replaces the file with the short temporary one. Every byte is therefore
// written and flushed, and checked, before the file is committed.
// Returns an empty text on success, otherwise the reason the file was left alone.
// Given `permissions`, the new file has them before it takes the old one's place, so that it is
// never readable by others for a moment; without, a new file gets the usual ones and a replaced
// file keeps its own.
QString writeWholeFile(const QString& path, const QByteArray& bytes, QFileDevice::Permissions permissions = {});
