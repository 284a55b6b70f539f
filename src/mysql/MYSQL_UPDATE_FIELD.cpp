#include "mysql/MYSQL_UPDATE_FIELD.h"

MYSQL_UPDATE_FIELD::MYSQL_UPDATE_FIELD(const QString& name, const Variant& value)
    : m_name(name), m_value(value)
{
}

void MYSQL_UPDATE_FIELD::setName(const QString& vNewValue)
{
    m_name = vNewValue;
}

void MYSQL_UPDATE_FIELD::setValue(const Variant& vNewValue)
{
    m_value = vNewValue;
}

void MYSQL_UPDATE_FIELD::setUpdated(bool vNewValue)
{
    m_updated = vNewValue;
}
