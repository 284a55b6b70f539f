#pragma once
// Where the program finds the files delivered with it (templates/, the stylesheets, cssview.html,
// the help file). A build tree or a portable copy keeps them beside the executable; an installed
// program keeps them under the same prefix as its executable: <prefix>/bin/quillmere reads
// <prefix>/share/quillmere/.

#include <QString>

namespace ProgramFolder {

// The data folder of an executable in `executableFolder`: that folder itself when templates/ is
// beside the executable or when ../share/quillmere/templates is missing too, else the shared one.
QString dataFolderFor(const QString& executableFolder);
// dataFolderFor(QCoreApplication::applicationDirPath()).
QString dataFolder();
// Whether `folder` is an installed program's shared data folder (<prefix>/share/quillmere beside
// an executable <prefix>/bin/quillmere). The package manager owns it: nothing is written there.
bool isInstalledDataFolder(const QString& folder);
// Whether the program keeps the files it writes at run time in `folder`: a folder it may write to
// that is not an installed program's shared data folder. A folder no one may write to counts as
// read-only also for the superuser, who could write there anyway.
bool keepsWrittenFiles(const QString& folder);
// Where files the user makes with the program (stylesheets) go: `programFolder` when it keeps
// written files, else the user's data folder (~/.local/share/Quillmere), made when missing.
QString userFilesFolder(const QString& programFolder);

}  // namespace ProgramFolder
