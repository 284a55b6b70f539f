#include "demo_window.h"

#include <QApplication>
#include <QCommandLineParser>

#include <cstdio>

// meterling_demo             opens the window
// meterling_demo --grab FILE saves a picture of the window with every bar part-way and quits
int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addHelpOption();
    const QCommandLineOption grabOption(QStringLiteral("grab"),
                                        QStringLiteral("Save a picture of the window to <file> and quit."),
                                        QStringLiteral("file"));
    parser.addOption(grabOption);
    parser.process(app);

    DemoWindow window;
    window.show();
    if (parser.isSet(grabOption)) {
        window.showSample();
        const QString file = parser.value(grabOption);
        if (!window.grab().save(file)) {
            std::fprintf(stderr, "Could not write %s\n", qPrintable(file));
            return 1;
        }
        return 0;
    }
    return app.exec();
}
