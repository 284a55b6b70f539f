#pragma once

#include "meterling_global.h"

#include <QColor>
#include <QWidget>

class MeterlingPropertyBag;
class MeterlingSurface;

// A horizontal progress bar with its percentage centred on it. The bar is drawn over the text
// with a not-xor pen, so the part of the text the bar covers shows inverted.
class METERLING_EXPORT Meterling : public QWidget
{
    Q_OBJECT
    // Listed in the order a saved window restores them: the range comes before Value, so a
    // restored Value is bounded by the restored range.
    Q_PROPERTY(QColor BackColor READ BackColor WRITE setBackColor)
    Q_PROPERTY(QColor Color READ Color WRITE setColor)
    Q_PROPERTY(int Min READ Min WRITE setMin)
    Q_PROPERTY(double Max READ Max WRITE setMax)
    Q_PROPERTY(double Value READ Value WRITE setValue)

public:
    // Colour values as saved: red in bits 0 to 7, green in 8 to 15, blue in 16 to 23.
    static constexpr quint32 DefaultBackColor = 0xFFFFFF;
    static constexpr quint32 DefaultColor = 0xFF0000;
    static constexpr qint16 DefaultMin = 0;
    static constexpr float DefaultMax = 100.0f;
    static constexpr double DefaultValue = 0.0;

    explicit Meterling(QWidget* parent = nullptr);
    ~Meterling() override;

    QColor BackColor() const;
    void setBackColor(const QColor& colour);
    QColor Color() const;
    void setColor(const QColor& colour);

    double Value() const;
    // Bounds the value by Min and Max and draws the bar for it.
    void setValue(double value);

    // Min is a 16-bit value: one beyond -32768 to 32767 is bounded to that range. Changing Min
    // or Max neither bounds the current Value again nor redraws.
    int Min() const;
    void setMin(int value);
    float Max() const;
    void setMax(float value);

    // Writes Value 0 (bounded by Min and Max like any Value) and shows the empty bar with "0%".
    void ResetMeterling();

    // The drawing surface; it always fills the control.
    MeterlingSurface* PBox() const;

    // A fresh control placed by a designer: every property at its default, showing "0%".
    void initProperties();
    // Restores the properties of a saved window, defaults for those not stored, then draws.
    void readProperties(const MeterlingPropertyBag& bag);
    // Saves the properties; one equal to its default is not stored.
    void writeProperties(MeterlingPropertyBag& bag) const;

    static quint32 toColorValue(const QColor& colour);
    static QColor fromColorValue(quint32 value);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    // Tells the host that a property changed, so the window's design has unsaved changes.
    void propertyChanged(const QString& name);

protected:
    // Fits the surface and empties the bar: a host that wants the bar kept assigns Value again.
    void resizeEvent(QResizeEvent* event) override;

private:
    void DrawBar(MeterlingSurface* surface, qint32 n);

    MeterlingSurface* m_pbox = nullptr;
    quint32 m_backColor = DefaultBackColor;
    quint32 m_color = DefaultColor;
    double m_value = DefaultValue;
    qint32 m_min = DefaultMin;
    float m_max = DefaultMax;
};
