#include "controls/GlyphButtonPlugin.h"

#include "controls/GlyphButton.h"

#include <QIcon>
#include <QPixmap>

GlyphButtonPlugin::GlyphButtonPlugin(QObject* parent)
    : QObject(parent)
{
}

QString GlyphButtonPlugin::name() const
{
    return QStringLiteral("GlyphButton");
}

QString GlyphButtonPlugin::group() const
{
    return QStringLiteral("Quillmere");
}

QString GlyphButtonPlugin::toolTip() const
{
    return QStringLiteral("Owner-drawn picture button");
}

QString GlyphButtonPlugin::whatsThis() const
{
    return QStringLiteral("A push button with eight face styles, seven outlines, gradients, caption effects "
                          "and an optional picture, which tracks the pointer hovering over it.");
}

QString GlyphButtonPlugin::includeFile() const
{
    return QStringLiteral("controls/GlyphButton.h");
}

QIcon GlyphButtonPlugin::icon() const
{
    GlyphButton sample(QStringLiteral("Ab"), nullptr);
    sample.setButtonStyle(GlyphFace::StyleClassic3D);
    sample.setGradientMode(1);
    sample.setGradientColor(0x9FC3E6);
    sample.resize(32, 22);
    return QIcon(QPixmap::fromImage(sample.faceImage(0)));
}

bool GlyphButtonPlugin::isContainer() const
{
    return false;
}

// Property tooltips show in Designer's property editor.
QString GlyphButtonPlugin::domXml() const
{
    return QStringLiteral(
        "<ui language=\"c++\">\n"
        " <widget class=\"GlyphButton\" name=\"glyphButton\">\n"
        "  <property name=\"geometry\"><rect><x>0</x><y>0</y><width>100</width><height>30</height></rect></property>\n"
        " </widget>\n"
        " <customwidgets>\n"
        "  <customwidget>\n"
        "   <class>GlyphButton</class>\n"
        "   <propertyspecifications>\n"
        "    <tooltip name=\"ResetDefaultColors\" value=\"Resets button's back color and text color to Window's standard. "
        "The hover properties are also reset.\"/>\n"
        "    <tooltip name=\"enabled\" value=\"Determines if events are fired for this button.\"/>\n"
        "   </propertyspecifications>\n"
        "  </customwidget>\n"
        " </customwidgets>\n"
        "</ui>\n");
}

bool GlyphButtonPlugin::isInitialized() const
{
    return m_initialized;
}

// Designer passes its core here; a form loader at run time does not, so its buttons stay in run mode.
void GlyphButtonPlugin::initialize(QDesignerFormEditorInterface* core)
{
    if (m_initialized)
        return;
    m_initialized = true;
    m_hostedByDesigner = core != nullptr;
}

QWidget* GlyphButtonPlugin::createWidget(QWidget* parent)
{
    auto* button = new GlyphButton(parent);
    button->setDesignMode(m_hostedByDesigner);
    button->InitProperties();
    return button;
}
