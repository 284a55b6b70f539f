// Stands in for a wizard that crashes while its site preview runs: starts a preview of one table
// from the program folder given, prints "SERVER_PID TEMPORARY_FOLDER" and kills itself with
// SIGKILL, so that nothing of its own gets to stop the server.
#include "wizard/preview/SitePreview.h"

#include <QCoreApplication>

#include <csignal>
#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: preview_crash_helper PROGRAM_FOLDER\n");
        return 2;
    }
    QString error;
    const std::optional<QString> php = SitePreview::findPhp(&error);
    WizardChoices choices;
    choices.Connection.ServerName = QStringLiteral("127.0.0.1");
    choices.Connection.DatabaseName = QStringLiteral("shop");
    choices.SelectedTables[0].TableName = QStringLiteral("customers");
    ChosenField id;
    id.Name = QStringLiteral("id");
    choices.SelectedTables[0].ChosenFields << id;
    SitePreview preview(QString::fromLocal8Bit(argv[1]));
    if (!php || !preview.start(*php, choices, &error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    std::printf("%lld %s\n", static_cast<long long>(preview.serverPid()), qPrintable(preview.temporaryFolder()));
    std::fflush(stdout);
    std::raise(SIGKILL);
    return 1;
}
