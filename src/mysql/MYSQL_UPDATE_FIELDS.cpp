#include "mysql/MYSQL_UPDATE_FIELDS.h"

namespace {

bool sameName(const QString& a, const QString& b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

}  // namespace

std::shared_ptr<MYSQL_UPDATE_FIELD> MYSQL_UPDATE_FIELDS::Add(const QString& Name,
                                                             const Variant& Value)
{
    m_fields.removeIf([&](const std::shared_ptr<MYSQL_UPDATE_FIELD>& field) {
        return sameName(field->Name(), Name);
    });
    auto field = std::make_shared<MYSQL_UPDATE_FIELD>(Name, Value);
    m_fields.append(field);
    return field;
}

std::shared_ptr<MYSQL_UPDATE_FIELD> MYSQL_UPDATE_FIELDS::Item(const Variant& vntIndexKey) const
{
    // A text is always a name, even one that reads as a number: columns may be called 2.
    if (vntIndexKey.isText()) {
        for (const auto& field : m_fields) {
            if (sameName(field->Name(), vntIndexKey.text()))
                return field;
        }
        return nullptr;
    }
    const std::optional<qint32> position = toInt32(vntIndexKey);
    if (!position || *position < 1 || *position > Count())
        return nullptr;
    return m_fields[*position - 1];
}
