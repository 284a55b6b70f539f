#include "meterling_property_bag.h"

#include <QSettings>

namespace {

// The fewest digits that read back as the same float.
QString floatText(float value)
{
    for (int digits = 1; digits < 9; ++digits) {
        const QString text = QString::number(value, 'g', digits);
        if (text.toFloat() == value)
            return text;
    }
    return QString::number(value, 'g', 9);
}

} // namespace

QVariant MeterlingPropertyBag::ReadProperty(const QString& name, const QVariant& defaultValue) const
{
    for (const auto& [key, value] : m_values) {
        if (key == name)
            return value;
    }
    return defaultValue;
}

void MeterlingPropertyBag::WriteProperty(const QString& name, const QVariant& value, const QVariant& defaultValue)
{
    const bool isDefault = defaultValue.isValid() && value == defaultValue;
    for (auto it = m_values.begin(); it != m_values.end(); ++it) {
        if (it->first == name) {
            if (isDefault)
                m_values.erase(it);
            else
                it->second = value;
            return;
        }
    }
    if (!isDefault)
        m_values.append({name, value});
}

bool MeterlingPropertyBag::contains(const QString& name) const
{
    return names().contains(name);
}

QStringList MeterlingPropertyBag::names() const
{
    QStringList result;
    for (const auto& entry : m_values)
        result.append(entry.first);
    return result;
}

bool MeterlingPropertyBag::isEmpty() const
{
    return m_values.isEmpty();
}

void MeterlingPropertyBag::save(QSettings& settings, const QString& group) const
{
    settings.beginGroup(group);
    settings.remove(QString());
    for (const auto& [key, value] : m_values) {
        // A float goes out as its shortest text; QSettings would otherwise write it as an
        // opaque binary blob.
        if (value.typeId() == QMetaType::Float)
            settings.setValue(key, floatText(value.toFloat()));
        else
            settings.setValue(key, value);
    }
    settings.endGroup();
}

MeterlingPropertyBag MeterlingPropertyBag::load(QSettings& settings, const QString& group)
{
    MeterlingPropertyBag bag;
    settings.beginGroup(group);
    const QStringList keys = settings.childKeys();
    for (const QString& key : keys)
        bag.m_values.append({key, settings.value(key)});
    settings.endGroup();
    return bag;
}
