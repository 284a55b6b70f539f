#include "meterling.h"

#include "meterling_property_bag.h"
#include "meterling_surface.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QResizeEvent>

#include <algorithm>
#include <cmath>
#include <limits>
#include <type_traits>

namespace {

const QString BackColorName = QStringLiteral("BackColor");
const QString ColorName = QStringLiteral("Color");
const QString ValueName = QStringLiteral("Value");
const QString MinName = QStringLiteral("Min");
const QString MaxName = QStringLiteral("Max");

// Rounds halves to the even neighbour (the default rounding mode) and bounds the result to
// the 32-bit range, so no value, however large, converts out of range.
qint32 roundToInt32(double value)
{
    if (std::isnan(value))
        return 0;
    const double rounded = std::nearbyint(value);
    return static_cast<qint32>(std::clamp(rounded, double(std::numeric_limits<qint32>::min()),
                                          double(std::numeric_limits<qint32>::max())));
}

// A stored property as a number of type T; a missing or unreadable one gives the fallback.
template <typename T>
T readNumber(const MeterlingPropertyBag& bag, const QString& name, T fallback)
{
    const QVariant stored = bag.ReadProperty(name);
    if (!stored.isValid())
        return fallback;
    bool ok = false;
    T result;
    if constexpr (std::is_same_v<T, float>)
        result = stored.toFloat(&ok);
    else if constexpr (std::is_same_v<T, double>)
        result = stored.toDouble(&ok);
    else
        result = stored.toLongLong(&ok);
    return ok ? result : fallback;
}

} // namespace

Meterling::Meterling(QWidget* parent)
    : QWidget(parent)
    , m_pbox(new MeterlingSurface(this))
{
    m_pbox->setObjectName(QStringLiteral("PBox"));
    m_pbox->resize(size());
    m_pbox->setDrawMode(QPainter::RasterOp_NotSourceXorDestination);
    initProperties();
}

Meterling::~Meterling() = default;

QColor Meterling::BackColor() const
{
    return fromColorValue(m_backColor);
}

void Meterling::setBackColor(const QColor& colour)
{
    m_backColor = toColorValue(colour);
    m_pbox->setBackColor(fromColorValue(m_backColor));
    emit propertyChanged(BackColorName);
}

QColor Meterling::Color() const
{
    return fromColorValue(m_color);
}

void Meterling::setColor(const QColor& colour)
{
    m_color = toColorValue(colour);
    m_pbox->setForeColor(fromColorValue(m_color));
    emit propertyChanged(ColorName);
}

double Meterling::Value() const
{
    return m_value;
}

void Meterling::setValue(double value)
{
    // "Not at least Min" rather than "below Min", so a NaN falls to Min too.
    if (!(value >= double(m_min)))
        value = m_min;
    // Max is a float and the test is made in float: a value that only exceeds Max beyond
    // float precision is kept as it is.
    if (static_cast<float>(value) > m_max)
        value = m_max;
    m_value = value;
    DrawBar(m_pbox, roundToInt32(value));
    emit propertyChanged(ValueName);
}

int Meterling::Min() const
{
    return m_min;
}

void Meterling::setMin(int value)
{
    m_min = std::clamp<int>(value, std::numeric_limits<qint16>::min(), std::numeric_limits<qint16>::max());
    emit propertyChanged(MinName);
}

float Meterling::Max() const
{
    return m_max;
}

void Meterling::setMax(float value)
{
    m_max = value;
    emit propertyChanged(MaxName);
}

void Meterling::ResetMeterling()
{
    setValue(0);
    DrawBar(m_pbox, 0);
}

MeterlingSurface* Meterling::PBox() const
{
    return m_pbox;
}

void Meterling::initProperties()
{
    m_value = DefaultValue;
    m_backColor = DefaultBackColor;
    m_color = DefaultColor;
    m_min = DefaultMin;
    m_max = DefaultMax;
    m_pbox->setBackColor(fromColorValue(m_backColor));
    m_pbox->setForeColor(fromColorValue(m_color));
    setValue(0);
}

void Meterling::readProperties(const MeterlingPropertyBag& bag)
{
    // Colours keep their low 24 bits; Value comes last so the restored range bounds it.
    setBackColor(fromColorValue(quint32(readNumber<qlonglong>(bag, BackColorName, DefaultBackColor))));
    setColor(fromColorValue(quint32(readNumber<qlonglong>(bag, ColorName, DefaultColor))));
    const qlonglong min = readNumber<qlonglong>(bag, MinName, DefaultMin);
    setMin(int(std::clamp<qlonglong>(min, std::numeric_limits<int>::min(), std::numeric_limits<int>::max())));
    setMax(readNumber<float>(bag, MaxName, DefaultMax));
    setValue(readNumber<double>(bag, ValueName, DefaultValue));
}

void Meterling::writeProperties(MeterlingPropertyBag& bag) const
{
    bag.WriteProperty(BackColorName, qint32(m_backColor), qint32(DefaultBackColor));
    bag.WriteProperty(ColorName, qint32(m_color), qint32(DefaultColor));
    bag.WriteProperty(ValueName, m_value, DefaultValue);
    bag.WriteProperty(MinName, m_min, qint32(DefaultMin));
    bag.WriteProperty(MaxName, m_max, DefaultMax);
}

quint32 Meterling::toColorValue(const QColor& colour)
{
    const QRgb rgb = colour.rgb();
    return quint32(qRed(rgb)) | quint32(qGreen(rgb)) << 8 | quint32(qBlue(rgb)) << 16;
}

QColor Meterling::fromColorValue(quint32 value)
{
    return QColor(int(value & 0xFF), int((value >> 8) & 0xFF), int((value >> 16) & 0xFF));
}

QSize Meterling::sizeHint() const
{
    return QSize(200, fontMetrics().height() + 8);
}

QSize Meterling::minimumSizeHint() const
{
    return QSize(20, fontMetrics().height());
}

void Meterling::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    m_pbox->resize(event->size());
    setValue(0);
}

// Draws the bar for n on a scale whose full width is Max units: the background, the
// percentage centred in the foreground colour, then the bar from 0 to n in the surface's
// drawing mode. With the not-xor pen each covered pixel becomes NOT (Color XOR pixel): on a
// white background the bar shows in Color and the covered text turns white.
void Meterling::DrawBar(MeterlingSurface* surface, qint32 n)
{
    if (!surface->autoRedraw())
        surface->setAutoRedraw(true);
    surface->clear();
    QImage& picture = surface->picture();
    // A Max of 0 or below gives no scale to draw on: the empty background is all there is.
    if (picture.isNull() || !(m_max > 0.0f)) {
        surface->refresh();
        return;
    }

    const double width = picture.width();
    const double height = picture.height();
    const float percent = static_cast<float>(n) / m_max * 100.0f;
    // The zero test rounds halves to even, the printed number rounds them away from zero; a
    // percentage that rounds to 0 would otherwise print as a bare "%".
    const QString text = std::nearbyint(percent) == 0.0f
        ? QStringLiteral("0%")
        : QString::number(std::round(percent), 'f', 0) + QLatin1Char('%');

    QPainter painter(&picture);
    QFont font = surface->font();
    // Two colours only, so the inverted part of the text stays as crisp as the rest.
    font.setStyleStrategy(QFont::NoAntialias);
    painter.setFont(font);
    const QFontMetricsF metrics(font, &picture);
    const double left = width / 2 - metrics.horizontalAdvance(text) / 2;
    const double top = (height - metrics.height()) / 2;
    painter.setPen(surface->foreColor());
    painter.drawText(QPointF(left, top + metrics.ascent()), text);

    const double right = std::clamp(double(n) * width / double(m_max), 0.0, width);
    painter.setCompositionMode(surface->drawMode());
    painter.fillRect(QRectF(0, 0, std::round(right), height), surface->foreColor());
    painter.end();
    surface->refresh();
}
