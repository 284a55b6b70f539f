#pragma once
// Folders the tests work with: the source tree, the built program folder, the sample databases,
// and a private copy of the program folder for tests that write into it (sql.ini, stylesheets).

#include <QByteArray>
#include <QMap>
#include <QString>
#include <QTemporaryDir>

namespace qmtest {

QString sourceDir();
// The program folder the build lays out (executable, templates/, stylesheets, help file).
QString programDir();
// ../shared/data/sakila beside the checkout, or an empty text when that folder is absent.
QString sakilaDir();

// Every file under `folder` (sub-folders included) by its path inside it, with a digest of its
// bytes: two calls compare equal when no file was added, removed or changed in between.
QMap<QString, QByteArray> checksums(const QString& folder);

// A temporary folder holding a copy of the program folder's data files (everything but the
// executables), removed when the object goes away.
class TempProgramFolder {
public:
    TempProgramFolder();
    QString path() const { return m_dir.path(); }
    QString file(const QString& name) const { return m_dir.filePath(name); }
    bool isValid() const { return m_dir.isValid(); }

private:
    QTemporaryDir m_dir;
};

}  // namespace qmtest
