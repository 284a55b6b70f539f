// Quillmere: opens the wizard window, and the program ends when the wizard is left; given a command
// (quillmere regenerate DIR, quillmere check DIR) or an option, runs it without a window.
#include "cli/CommandLine.h"
#include "controls/ContrastStyle.h"
#include "wizard/ApplicationIcon.h"
#include "wizard/frmWizard.h"

#include <QApplication>
#include <QStyle>

int main(int argc, char** argv)
{
    // Decided before any window application exists, so that the commands need no display.
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    if (CommandLine::Wanted(arguments)) {
        QCoreApplication app(argc, argv);
        return CommandLine::Run(QCoreApplication::arguments());
    }

    // Shared GL contexts must be set before the application exists, for the stylesheet preview.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quillmere"));
    // Every window's icon; the desktop entry names the same icon for the launcher and the task bar.
    QApplication::setWindowIcon(ApplicationIcon());
    QGuiApplication::setDesktopFileName(QStringLiteral("quillmere"));
    // The platform's own style when it has one; the plain "windows" style, which Qt falls back to
    // when a platform names none, looks dated, and Fusion replaces it. Either way check boxes get
    // edges that stand out in a dark palette.
    const bool dated = QApplication::style()->name().compare(QLatin1String("windows"), Qt::CaseInsensitive) == 0;
    QApplication::setStyle(new ContrastStyle(dated ? QStringLiteral("Fusion") : QApplication::style()->name()));
    frmWizard wizard;
    wizard.show();
    return app.exec();
}
