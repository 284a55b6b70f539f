// Quillmere: opens the wizard window; the program ends when the wizard is left.
#include "wizard/frmWizard.h"

#include <QApplication>

int main(int argc, char** argv)
{
    // Shared GL contexts must be set before the application exists, for the stylesheet preview.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quillmere"));
    frmWizard wizard;
    wizard.show();
    return app.exec();
}
