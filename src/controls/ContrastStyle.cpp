#include "controls/ContrastStyle.h"

#include <QPainter>
#include <QStyleOption>

ContrastStyle::ContrastStyle(const QString& key) : QProxyStyle(key) {}

void ContrastStyle::drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                                  const QWidget* widget) const
{
    QProxyStyle::drawPrimitive(element, option, painter, widget);
    if (element != PE_IndicatorCheckBox)
        return;
    // In a dark palette (text lighter than the window) the box gets an edge between the window's
    // colour and the text's, faded when the box is disabled; a light palette keeps the style's.
    const QPalette& pal = option->palette;
    const QColor window = pal.color(QPalette::Window);
    const QColor text = pal.color(QPalette::WindowText);
    if (window.lightness() >= text.lightness())
        return;
    const double t = option->state & State_Enabled ? 0.45 : 0.25;
    const QColor edge = QColor::fromRgbF(window.redF() + (text.redF() - window.redF()) * t,
                                         window.greenF() + (text.greenF() - window.greenF()) * t,
                                         window.blueF() + (text.blueF() - window.blueF()) * t);
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing, false);
    painter->setBrush(Qt::NoBrush);
    painter->setPen(QPen(edge, 1));
    painter->drawRect(option->rect.adjusted(0, 0, -1, -1));
    painter->restore();
}
