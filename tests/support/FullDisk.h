#pragma once
// A folder on a full file system, for tests of what a failed write leaves behind. Where the test
// may mount file systems (root), the folder is a small tmpfs that fill() fills to the last byte;
// elsewhere the folder is an ordinary temporary one and fill() limits the size of any file this
// process writes (RLIMIT_FSIZE), which fails writes the same way. Either way files put into the
// folder before fill() can still be read afterwards.

#include <QString>
#include <QTemporaryDir>

#include <sys/resource.h>

namespace qmtest {

class FullDisk {
public:
    // size: room for the files the test puts in before fill(), in bytes.
    explicit FullDisk(qint64 size = 1024 * 1024);
    ~FullDisk();
    FullDisk(const FullDisk&) = delete;
    FullDisk& operator=(const FullDisk&) = delete;

    QString path() const { return m_dir.path(); }
    QString file(const QString& name) const { return m_dir.filePath(name); }
    // True when the folder is a real tmpfs, false when writes are limited instead.
    bool isTmpfs() const { return m_mounted; }
    // From now on writes into the folder fail for lack of room.
    void fill();
    // Gives the room back (removes the filler or lifts the limit).
    void release();

private:
    QTemporaryDir m_dir;
    bool m_mounted = false;
    bool m_limited = false;
    rlimit m_savedLimit{};
};

}  // namespace qmtest
