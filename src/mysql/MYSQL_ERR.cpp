#include "mysql/MYSQL_ERR.h"

void MYSQL_ERR::Clear()
{
    m_description.clear();
    m_number = 0;
}

void MYSQL_ERR::SetError(int number, const QString& description)
{
    m_number = number;
    m_description = description;
}
