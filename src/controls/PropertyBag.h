#pragma once
// The named values a window keeps for one of its controls. Keys are matched without letter case,
// and a value equal to its default is not kept, so a control's stored form lists only what differs.

#include <QList>
#include <QString>
#include <QVariant>

#include <optional>

class PropertyBag {
public:
    // The stored value, or defaultValue when the key is absent.
    QVariant ReadProperty(const QString& name, const QVariant& defaultValue = {}) const;
    // Stores value under name; a value equal to defaultValue removes the key instead. Without a
    // default the value is always stored. Supported kinds: bool, integers, text, bytes.
    void WriteProperty(const QString& name, const QVariant& value, const QVariant& defaultValue = {});

    bool contains(const QString& name) const { return indexOf(name) >= 0; }
    QStringList keys() const;
    bool isEmpty() const { return m_entries.isEmpty(); }

    // One "Key = value" line per property in the order written: integers as digits, True/False,
    // text in double quotes with backslash escapes, bytes as "bytes:" and base64.
    QString toText() const;
    static std::optional<PropertyBag> fromText(const QString& text, QString* error = nullptr);

    friend bool operator==(const PropertyBag& a, const PropertyBag& b) { return a.toText() == b.toText(); }

private:
    struct Entry {
        QString key;
        QVariant value;
    };
    qsizetype indexOf(const QString& name) const;

    QList<Entry> m_entries;
};
