// qm_seed_connection PROGRAM_FOLDER NAME SERVER USER PASSWORD
// Adds one saved connection to PROGRAM_FOLDER/sql.ini when the file holds none, so that a newcomer
// only has to pick it in the wizard. Leaves a file that already has saved connections alone.
#include "wizard/cMain.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    // The wizard's name, so that a program folder it may not write sends the file where the wizard
    // looks: ~/.config/Quillmere/sql.ini.
    QCoreApplication::setApplicationName(QStringLiteral("Quillmere"));
    const QStringList args = app.arguments();
    if (args.size() != 6) {
        std::fprintf(stderr, "usage: qm_seed_connection PROGRAM_FOLDER NAME SERVER USER PASSWORD\n");
        return 2;
    }
    const cMain main(args[1]);
    if (main.CountSavedConnections() > 0)
        return 0;
    if (!main.SaveConnection(SavedConnection{args[3], args[4], args[5], args[2]})) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(main.IniFile()));
        return 1;
    }
    return 0;
}
