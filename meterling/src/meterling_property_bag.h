#pragma once

#include "meterling_global.h"

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>
#include <QVariant>

class QSettings;

// Named property values as a host keeps them for a saved window. A value written equal to its
// default is not stored, and reading a name that is not stored gives the default back, so a
// saved window holds only what differs from a fresh control.
class METERLING_EXPORT MeterlingPropertyBag
{
public:
    QVariant ReadProperty(const QString& name, const QVariant& defaultValue = QVariant()) const;
    void WriteProperty(const QString& name, const QVariant& value, const QVariant& defaultValue = QVariant());

    bool contains(const QString& name) const;
    // The stored names in the order they were first written.
    QStringList names() const;
    bool isEmpty() const;

    // Replaces the keys of `group` in the settings with the stored properties. Values keep
    // their text form there, so reading them back converts from text.
    void save(QSettings& settings, const QString& group) const;
    static MeterlingPropertyBag load(QSettings& settings, const QString& group);

private:
    QList<QPair<QString, QVariant>> m_values;
};
