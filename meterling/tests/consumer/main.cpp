// Uses the installed library the way an application would, and loads the installed Designer
// plugin the way Qt Designer would. Prints "consumer: ok" when everything worked.
#include <meterling.h>
#include <meterling_property_bag.h>

#include <QApplication>
#include <QDir>
#include <QImage>
#include <QPluginLoader>
#include <QtUiPlugin/QDesignerCustomWidgetInterface>

#include <cstdio>

static int fail(const char* what)
{
    std::fprintf(stderr, "consumer: %s\n", what);
    return 1;
}

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);

    Meterling meter;
    meter.resize(100, 30);
    meter.show();
    meter.setValue(150);
    if (meter.Value() != 100.0)
        return fail("Value was not bounded by Max");
    const QImage picture = meter.grab().toImage();
    if ((picture.pixel(0, 0) & 0xFFFFFF) != 0x0000FF || (picture.pixel(99, 0) & 0xFFFFFF) != 0x0000FF)
        return fail("the full bar is not drawn in blue");

    MeterlingPropertyBag bag;
    meter.writeProperties(bag);
    if (bag.names() != QStringList{QStringLiteral("Value")})
        return fail("only Value should differ from its default");

    const QStringList plugins = QDir(QStringLiteral(METERLING_DESIGNER_PLUGIN_DIR)).entryList({"*meterling*"});
    if (plugins.isEmpty())
        return fail("no Designer plugin installed");
    QPluginLoader loader(QStringLiteral(METERLING_DESIGNER_PLUGIN_DIR) + QLatin1Char('/') + plugins.first());
    auto* plugin = qobject_cast<QDesignerCustomWidgetInterface*>(loader.instance());
    if (plugin == nullptr)
        return fail(qPrintable(loader.errorString()));
    QWidget form;
    if (qobject_cast<Meterling*>(plugin->createWidget(&form)) == nullptr)
        return fail("the plugin did not create a Meterling");

    std::printf("consumer: ok\n");
    return 0;
}
