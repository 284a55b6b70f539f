#include "mysql/MYSQL_UPDATE.h"

std::shared_ptr<MYSQL_UPDATE_FIELDS> MYSQL_UPDATE::Add(int lRow)
{
    if (lRow != 0) {
        if (const auto found = m_byRow.constFind(lRow); found != m_byRow.cend())
            return *found;
    }
    auto fields = std::make_shared<MYSQL_UPDATE_FIELDS>();
    m_entries.append({lRow != 0, lRow, fields});
    if (lRow != 0)
        m_byRow.insert(lRow, fields);
    return fields;
}

bool MYSQL_UPDATE::Remove(int lIndexKey, bool bIsRowNum)
{
    qsizetype index = -1;
    if (bIsRowNum) {
        for (qsizetype i = 0; i < m_entries.size(); ++i) {
            if (m_entries[i].keyed && m_entries[i].row == lIndexKey) {
                index = i;
                break;
            }
        }
    } else if (lIndexKey >= 1 && lIndexKey <= Count()) {
        index = lIndexKey - 1;
    }
    if (index < 0)
        return false;
    if (m_entries[index].keyed)
        m_byRow.remove(m_entries[index].row);
    m_entries.removeAt(index);
    return true;
}

std::shared_ptr<MYSQL_UPDATE_FIELDS> MYSQL_UPDATE::Item(int lIndexKey, bool bIsRowNum) const
{
    if (bIsRowNum)
        return m_byRow.value(lIndexKey);
    if (lIndexKey < 1 || lIndexKey > Count())
        return nullptr;
    return m_entries[lIndexKey - 1].fields;
}
