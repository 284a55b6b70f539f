#include "meterling_designer_plugin.h"

#include "meterling.h"

#include <QPainter>
#include <QPixmap>
#include <QtDesigner/QDesignerFormWindowInterface>

MeterlingDesignerPlugin::MeterlingDesignerPlugin(QObject* parent)
    : QObject(parent)
{
}

QString MeterlingDesignerPlugin::name() const
{
    return QStringLiteral("Meterling");
}

QString MeterlingDesignerPlugin::group() const
{
    return QStringLiteral("Display Widgets");
}

QString MeterlingDesignerPlugin::toolTip() const
{
    return QStringLiteral("Progress bar with a centred percentage");
}

QString MeterlingDesignerPlugin::whatsThis() const
{
    return QStringLiteral("A horizontal progress bar from 0 to Max with its percentage in the centre; "
                          "the part of the text under the bar shows inverted.");
}

QString MeterlingDesignerPlugin::includeFile() const
{
    return QStringLiteral("meterling.h");
}

QIcon MeterlingDesignerPlugin::icon() const
{
    // A bar two thirds full, in the control's default colours.
    QPixmap pixmap(22, 22);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setPen(Qt::darkGray);
    painter.setBrush(Qt::white);
    painter.drawRect(1, 6, 19, 9);
    painter.fillRect(2, 7, 12, 8, Meterling::fromColorValue(Meterling::DefaultColor));
    return QIcon(pixmap);
}

bool MeterlingDesignerPlugin::isContainer() const
{
    return false;
}

QWidget* MeterlingDesignerPlugin::createWidget(QWidget* parent)
{
    auto* meter = new Meterling(parent);
    // The control reports its own changes (a resize empties the bar); on a form being designed
    // that means the form has unsaved changes.
    connect(meter, &Meterling::propertyChanged, meter, [meter] {
        if (QDesignerFormWindowInterface* form = QDesignerFormWindowInterface::findFormWindow(meter))
            form->setDirty(true);
    });
    return meter;
}

bool MeterlingDesignerPlugin::isInitialized() const
{
    return m_initialized;
}

void MeterlingDesignerPlugin::initialize(QDesignerFormEditorInterface*)
{
    m_initialized = true;
}

QString MeterlingDesignerPlugin::domXml() const
{
    return QStringLiteral(R"(<ui language="c++">
 <widget class="Meterling" name="meterling">
  <property name="geometry">
   <rect>
    <x>0</x>
    <y>0</y>
    <width>200</width>
    <height>24</height>
   </rect>
  </property>
 </widget>
</ui>
)");
}
