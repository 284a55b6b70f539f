// The Designer plugin: loaded as a plugin file, used by the run-time form loader, and hosted by a
// Designer core, where its buttons run in design mode.

#include <QBuffer>
#include <QMetaProperty>
#include <QPluginLoader>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QUiLoader>
#include <QXmlStreamReader>
#include <QtDesigner/QDesignerFormEditorInterface>
#include <QtUiPlugin/QDesignerCustomWidgetInterface>

#include <gtest/gtest.h>

namespace {

const char* const kForm = R"(<?xml version="1.0" encoding="UTF-8"?>
<ui version="4.0">
 <class>Form</class>
 <widget class="QWidget" name="Form">
  <property name="geometry"><rect><x>0</x><y>0</y><width>300</width><height>60</height></rect></property>
  <widget class="GlyphButton" name="cmdNext">
   <property name="geometry"><rect><x>10</x><y>10</y><width>120</width><height>30</height></rect></property>
   <property name="text"><string>&amp;Next &gt;</string></property>
   <property name="ButtonStyle"><number>3</number></property>
   <property name="ButtonShape"><number>4</number></property>
   <property name="CaptionAlign"><number>0</number></property>
   <property name="BackColor"><color><red>255</red><green>238</green><blue>221</blue></color></property>
  </widget>
 </widget>
 <customwidgets>
  <customwidget><class>GlyphButton</class><extends>QPushButton</extends><header>controls/GlyphButton.h</header></customwidget>
 </customwidgets>
</ui>
)";

QStringList widgetClasses(const QString& xml)
{
    QStringList out;
    QXmlStreamReader reader(xml);
    while (!reader.atEnd()) {
        if (reader.readNext() == QXmlStreamReader::StartElement && reader.name() == u"widget")
            out << reader.attributes().value("class").toString();
    }
    EXPECT_FALSE(reader.hasError()) << reader.errorString().toStdString();
    return out;
}

}  // namespace

// One test: the plugin instance is shared by the loader and the Designer core, and a core, once
// given, puts it in design mode for good.
TEST(GlyphDesignerPlugin, ServesTheFormLoaderThenDesigner)
{
    QPluginLoader loader(QStringLiteral(QM_GLYPH_PLUGIN_FILE));
    ASSERT_TRUE(loader.load()) << loader.errorString().toStdString();
    auto* plugin = qobject_cast<QDesignerCustomWidgetInterface*>(loader.instance());
    ASSERT_NE(plugin, nullptr);
    EXPECT_EQ(plugin->name(), "GlyphButton");
    EXPECT_EQ(plugin->includeFile(), "controls/GlyphButton.h");
    EXPECT_EQ(widgetClasses(plugin->domXml()), QStringList("GlyphButton"));

    // A form made in Designer, loaded at run time: the buttons are QPushButtons that click.
    QUiLoader uiLoader;
    uiLoader.clearPluginPaths();
    uiLoader.addPluginPath(QStringLiteral(QM_PLUGIN_DIR) + "/designer");
    EXPECT_TRUE(uiLoader.availableWidgets().contains("GlyphButton"));
    QByteArray form(kForm);
    QBuffer buffer(&form);
    std::unique_ptr<QWidget> window(uiLoader.load(&buffer));
    ASSERT_TRUE(window) << uiLoader.errorString().toStdString();
    auto* next = window->findChild<QPushButton*>("cmdNext");
    ASSERT_NE(next, nullptr);
    // The plugin carries its own copy of the class, so it is reached the way Designer reaches it.
    EXPECT_STREQ(next->metaObject()->className(), "GlyphButton");
    EXPECT_EQ(next->text(), "&Next >");
    EXPECT_EQ(next->property("ButtonStyle").toInt(), 3);
    EXPECT_EQ(next->property("ButtonShape").toInt(), 4);
    EXPECT_EQ(next->property("CaptionAlign").toInt(), 0);
    EXPECT_EQ(next->property("BackColor").value<QColor>(), QColor(255, 238, 221));
    // Designer offers the names of an enumerated property in a drop-down.
    const QMetaObject* meta = next->metaObject();
    for (const char* name : {"ButtonStyle", "ButtonShape", "CaptionAlign", "CaptionStyle", "PictureAlign",
                             "PictureSize", "GradientMode", "HoverColorLocks", "MousePointer"})
        EXPECT_TRUE(meta->property(meta->indexOfProperty(name)).enumerator().isValid()) << name;
    EXPECT_STREQ(meta->property(meta->indexOfProperty("ButtonStyle")).enumerator().valueToKey(3), "StyleClassic3D");
    window->show();
    QSignalSpy clicked(next, &QPushButton::clicked);
    QTest::mouseClick(next, Qt::LeftButton, {}, QPoint(60, 15));
    EXPECT_EQ(clicked.count(), 1);
    // Run mode: design-time rules do nothing.
    const QImage plain = next->grab().toImage();
    next->setDefault(true);
    next->setProperty("ResetDefaultColors", true);
    EXPECT_EQ(next->property("BackColor").value<QColor>(), QColor(255, 238, 221));
    EXPECT_EQ(next->grab().toImage(), plain);

    // Hosted by Designer: a new button is named after itself and design-time rules apply.
    QDesignerFormEditorInterface core;
    plugin->initialize(&core);
    EXPECT_TRUE(plugin->isInitialized());
    QWidget form2;
    QWidget* placed = plugin->createWidget(&form2);
    ASSERT_NE(placed, nullptr);
    placed->setObjectName("glyphButton_2");
    auto* placedButton = qobject_cast<QPushButton*>(placed);
    ASSERT_NE(placedButton, nullptr);
    EXPECT_EQ(placedButton->text(), "glyphButton_2");
    placed->setProperty("BackColor", QColor(10, 20, 30));
    placed->setProperty("ResetDefaultColors", true);
    EXPECT_EQ(placed->property("BackColor").value<QColor>(), placed->palette().color(QPalette::Button));
    placed->resize(110, 30);
    const QImage ordinary = placed->grab().toImage();
    placedButton->setDefault(true);  // drawn with the focus look while designed
    EXPECT_NE(placed->grab().toImage(), ordinary);
}
