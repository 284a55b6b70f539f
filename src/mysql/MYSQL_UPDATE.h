#pragma once
// The rows a result set has pending changes for: one MYSQL_UPDATE_FIELDS per edited or deleted
// row, keyed by the row's position (the key "R" and the number), or unkeyed for added rows, in
// the order they were made.

#include "mysql/MYSQL_UPDATE_FIELDS.h"

#include <QHash>
#include <QList>

#include <memory>

class MYSQL_UPDATE {
public:
    // With lRow 0 appends a new unkeyed entry; otherwise the entry of that row, added if absent.
    std::shared_ptr<MYSQL_UPDATE_FIELDS> Add(int lRow = 0);
    // lIndexKey is a row number when bIsRowNum is true, else a 1-based position in the list.
    // Returns false, changing nothing, when there is no such entry.
    bool Remove(int lIndexKey, bool bIsRowNum = false);
    // The entry, or nothing when absent.
    std::shared_ptr<MYSQL_UPDATE_FIELDS> Item(int lIndexKey, bool bIsRowNum = false) const;
    int Count() const { return static_cast<int>(m_entries.size()); }

private:
    struct Entry {
        bool keyed = false;
        int row = 0;
        std::shared_ptr<MYSQL_UPDATE_FIELDS> fields;
    };

    QList<Entry> m_entries;
    // Keyed entries by row, since reads look a row up on every column value.
    QHash<int, std::shared_ptr<MYSQL_UPDATE_FIELDS>> m_byRow;
};
