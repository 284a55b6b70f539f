#pragma once
// The pending values of one row, in the order they were set, one per column name (names match
// without regard to letter case). Setting a column again moves it to the end, unwritten, so the
// statement sends the columns in the order of their latest change.

#include "mysql/MYSQL_UPDATE_FIELD.h"
#include "mysql/Variant.h"

#include <QList>
#include <QString>

#include <memory>

class MYSQL_UPDATE_FIELDS {
public:
    // Adds the value for the column, replacing (and moving to the end) one already there.
    std::shared_ptr<MYSQL_UPDATE_FIELD> Add(const QString& Name, const Variant& Value);
    // By 1-based position for a number, by column name for a text; nothing when absent.
    std::shared_ptr<MYSQL_UPDATE_FIELD> Item(const Variant& vntIndexKey) const;
    int Count() const { return static_cast<int>(m_fields.size()); }

private:
    QList<std::shared_ptr<MYSQL_UPDATE_FIELD>> m_fields;
};
