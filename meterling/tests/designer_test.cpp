#include "bar_picture.h"
#include "meterling.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QFileInfo>
#include <QMainWindow>
#include <QPluginLoader>
#include <QXmlStreamReader>
#include <QtDesigner/QDesignerComponents>
#include <QtDesigner/QDesignerFormEditorInterface>
#include <QtDesigner/QDesignerFormWindowInterface>
#include <QtDesigner/QDesignerFormWindowManagerInterface>
#include <QtDesigner/QDesignerIntegration>
#include <QtDesigner/QDesignerPropertySheetExtension>
#include <QtDesigner/QDesignerWidgetDataBaseInterface>
#include <QtDesigner/QExtensionManager>
#include <QtUiPlugin/QDesignerCustomWidgetInterface>
#include <QtUiTools/QUiLoader>

#include <gtest/gtest.h>

#include <memory>

namespace {

const QString PluginFile = QStringLiteral(METERLING_DESIGNER_PLUGIN_FILE);

// The class of the first widget element of a Designer snippet.
QString widgetClassOf(const QString& domXml)
{
    QXmlStreamReader xml(domXml);
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement() && xml.name() == u"widget")
            return xml.attributes().value(QLatin1String("class")).toString();
    }
    return QString();
}

// A form holding one Meterling named "meter", as Designer writes it right after the control
// is dropped on the form.
const QString FreshForm = QStringLiteral(R"(<?xml version="1.0" encoding="UTF-8"?>
<ui version="4.0">
 <class>Form</class>
 <widget class="QWidget" name="Form">
  <property name="geometry"><rect><x>0</x><y>0</y><width>300</width><height>100</height></rect></property>
  <widget class="Meterling" name="meter">
   <property name="geometry"><rect><x>10</x><y>10</y><width>200</width><height>40</height></rect></property>
  </widget>
 </widget>
 <customwidgets>
  <customwidget><class>Meterling</class><extends>QWidget</extends><header>meterling.h</header></customwidget>
 </customwidgets>
 <resources/>
 <connections/>
</ui>
)");

// Qt Designer's own form editor without its windows: it loads the plugins from the designer/
// folder of each library path (here also the built plugin's), opens forms, edits properties through the same
// property sheet its property editor uses, and saves forms exactly as Designer does.
class DesignerSession
{
public:
    DesignerSession()
    {
        QCoreApplication::addLibraryPath(QFileInfo(PluginFile).absolutePath() + QStringLiteral("/.."));
        QDesignerComponents::initializeResources();
        m_core = QDesignerComponents::createFormEditor(&m_tools);
        QDesignerComponents::createTaskMenu(m_core, &m_tools);
        m_core->setWidgetBox(QDesignerComponents::createWidgetBox(m_core, &m_tools));
        m_core->setPropertyEditor(QDesignerComponents::createPropertyEditor(m_core, &m_tools));
        m_core->setObjectInspector(QDesignerComponents::createObjectInspector(m_core, &m_tools));
        m_core->setActionEditor(QDesignerComponents::createActionEditor(m_core, &m_tools));
        new QDesignerIntegration(m_core, &m_tools);
        QDesignerComponents::initializePlugins(m_core);
        m_form = m_core->formWindowManager()->createFormWindow(&m_host);
        m_core->formWindowManager()->setActiveFormWindow(m_form);
    }

    QDesignerFormEditorInterface* core() const { return m_core; }
    QDesignerFormWindowInterface* form() const { return m_form; }

    QDesignerPropertySheetExtension* sheetOf(QObject* object) const
    {
        return qt_extension<QDesignerPropertySheetExtension*>(m_core->extensionManager(), object);
    }

    // What the property editor does when the developer types a value.
    static void edit(QDesignerPropertySheetExtension* sheet, const QString& name, const QVariant& value)
    {
        const int index = sheet->indexOf(name);
        ASSERT_GE(index, 0) << name.toStdString();
        sheet->setProperty(index, value);
        sheet->setChanged(index, true);
    }

private:
    QMainWindow m_tools;
    QWidget m_host;
    QDesignerFormEditorInterface* m_core = nullptr;
    QDesignerFormWindowInterface* m_form = nullptr;
};

// One session for every test: Designer's plugin manager and resources are process-wide.
DesignerSession& designer()
{
    static DesignerSession* session = new DesignerSession;
    return *session;
}

Meterling* openFreshForm()
{
    if (!designer().form()->setContents(FreshForm))
        return nullptr;
    return designer().form()->mainContainer()->findChild<Meterling*>(QStringLiteral("meter"));
}

TEST(MeterlingDesignerPlugin, LoadsAndCreatesTheControlShowingZeroPercent)
{
    QPluginLoader loader(PluginFile);
    ASSERT_TRUE(loader.load()) << loader.errorString().toStdString();
    auto* plugin = qobject_cast<QDesignerCustomWidgetInterface*>(loader.instance());
    ASSERT_NE(plugin, nullptr);
    EXPECT_EQ(plugin->name(), QStringLiteral("Meterling"));
    EXPECT_EQ(plugin->includeFile(), QStringLiteral("meterling.h"));
    EXPECT_FALSE(plugin->isContainer());
    EXPECT_FALSE(plugin->icon().isNull());
    EXPECT_EQ(widgetClassOf(plugin->domXml()), QStringLiteral("Meterling"));

    QWidget form;
    form.resize(300, 100);
    auto* meter = qobject_cast<Meterling*>(plugin->createWidget(&form));
    ASSERT_NE(meter, nullptr);
    EXPECT_EQ(meter->parentWidget(), &form);
    meter->setGeometry(10, 10, 200, 40);
    form.show();

    EXPECT_EQ(meter->Max(), 100.0f);
    BarPicture picture = readBar(*meter);
    EXPECT_EQ(picture.barWidth, 0);
    EXPECT_TRUE(showsText(picture, *meter, QStringLiteral("0%"))) << inkArt(picture.ink).toStdString();

    ASSERT_TRUE(meter->setProperty("Value", 25.0));
    picture = readBar(*meter);
    EXPECT_EQ(picture.barWidth, 50);
    EXPECT_TRUE(showsText(picture, *meter, QStringLiteral("25%"))) << inkArt(picture.ink).toStdString();
}

TEST(MeterlingDesignerPlugin, DesignerSavesChangedPropertiesAndTheFormLoadsBack)
{
    EXPECT_GE(designer().core()->widgetDataBase()->indexOfClassName(QStringLiteral("Meterling")), 0);
    Meterling* meter = openFreshForm();
    ASSERT_NE(meter, nullptr);
    QDesignerPropertySheetExtension* sheet = designer().sheetOf(meter);
    ASSERT_NE(sheet, nullptr);
    // The property editor offers the five properties at their defaults, none changed yet.
    const QList<QPair<QString, QVariant>> defaults = {
        {"BackColor", QColor(Qt::white)}, {"Color", QColor(Qt::blue)}, {"Min", 0}, {"Max", 100.0}, {"Value", 0.0}};
    for (const auto& [name, value] : defaults) {
        const int index = sheet->indexOf(name);
        ASSERT_GE(index, 0) << name.toStdString();
        EXPECT_TRUE(sheet->isVisible(index) && !sheet->isChanged(index)) << name.toStdString();
        EXPECT_EQ(sheet->property(index), value) << name.toStdString();
    }

    DesignerSession::edit(sheet, QStringLiteral("BackColor"), QColor(0x10, 0x20, 0x30));
    DesignerSession::edit(sheet, QStringLiteral("Color"), QColor(Qt::red));
    DesignerSession::edit(sheet, QStringLiteral("Max"), double(333.3f));
    // Beyond the default Max: it survives only if the form restores the range first.
    DesignerSession::edit(sheet, QStringLiteral("Value"), 250.125);
    EXPECT_EQ(meter->Value(), 250.125);

    const QString saved = designer().form()->contents();
    EXPECT_TRUE(saved.contains(QStringLiteral(R"(<property name="Max">)"))) << saved.toStdString();
    // Min was left at its default, so the form does not store it.
    EXPECT_FALSE(saved.contains(QStringLiteral(R"(<property name="Min">)"))) << saved.toStdString();

    QUiLoader loader;
    loader.clearPluginPaths();
    loader.addPluginPath(QFileInfo(PluginFile).absolutePath());
    QByteArray bytes = saved.toUtf8();
    QBuffer file(&bytes);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    std::unique_ptr<QWidget> loaded(loader.load(&file));
    ASSERT_NE(loaded, nullptr) << loader.errorString().toStdString();
    auto* restored = loaded->findChild<Meterling*>(QStringLiteral("meter"));
    ASSERT_NE(restored, nullptr);
    EXPECT_EQ(restored->BackColor(), QColor(0x10, 0x20, 0x30));
    EXPECT_EQ(restored->Color(), QColor(Qt::red));
    EXPECT_EQ(restored->Min(), 0);
    EXPECT_EQ(restored->Max(), 333.3f);
    EXPECT_EQ(restored->Value(), 250.125);

    // Shown on its window, the loaded control gets its first sizing, which empties the bar.
    loaded->show();
    EXPECT_EQ(restored->Value(), 0.0);
    const BarPicture picture = readBar(*restored);
    EXPECT_EQ(picture.barWidth, 0);
    EXPECT_TRUE(showsText(picture, *restored, QStringLiteral("0%"))) << inkArt(picture.ink).toStdString();
}

TEST(MeterlingDesignerPlugin, ChangesMadeByTheControlMarkTheFormModified)
{
    Meterling* meter = openFreshForm();
    ASSERT_NE(meter, nullptr);
    designer().form()->setDirty(false);
    meter->ResetMeterling();
    EXPECT_TRUE(designer().form()->isDirty());
}

} // namespace
