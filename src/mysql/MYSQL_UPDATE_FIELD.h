#pragma once
// One pending value of an edited or added row: the column it goes to, the new value, and whether
// it has been written to the server yet.

#include "mysql/Variant.h"

#include <QString>

class MYSQL_UPDATE_FIELD {
public:
    MYSQL_UPDATE_FIELD() = default;
    MYSQL_UPDATE_FIELD(const QString& name, const Variant& value);

    const QString& Name() const { return m_name; }
    void setName(const QString& vNewValue);
    const Variant& Value() const { return m_value; }
    void setValue(const Variant& vNewValue);
    bool Updated() const { return m_updated; }
    void setUpdated(bool vNewValue);

private:
    QString m_name;
    Variant m_value;
    bool m_updated = false;
};
