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

}  // namespace ProgramFolder
