#include "GeneratorFixture.h"

#include <QDir>
#include <QFile>
#include <QProcess>

#include <gtest/gtest.h>

namespace gentest {

namespace {

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
    ASSERT_EQ(file.write(bytes), bytes.size());
}

}  // namespace

QStringList templateNames()
{
    return {QStringLiteral("add.php"),     QStringLiteral("delete.php"),    QStringLiteral("edit.php"),
            QStringLiteral("execute.php"), QStringLiteral("index.php"),     QStringLiteral("login.php"),
            QStringLiteral("main.php"),    QStringLiteral("search.php"),    QStringLiteral("searchres.php"),
            QStringLiteral("validator.php"), QStringLiteral("view.php"),    QStringLiteral("advview.php"),
            QStringLiteral("tablelist.php"), QStringLiteral("up.gif"),      QStringLiteral("down.gif"),
            QStringLiteral("primary.php"), QStringLiteral("clause.php")};
}

GeneratorFolders::GeneratorFolders()
{
    QDir(m_program.path()).mkdir(QStringLiteral("templates"));
    for (const QString& name : templateNames())
        writeFile(templateFile(name), templateBytes(name));
    writeFile(stylesheet(), QByteArrayLiteral("body { color: #123456; }\r\n"));
}

QString GeneratorFolders::templateFile(const QString& name) const
{
    return m_program.filePath(QStringLiteral("templates/") + name);
}

QString GeneratorFolders::stylesheet() const
{
    return m_program.filePath(QStringLiteral("site.css"));
}

QByteArray GeneratorFolders::templateBytes(const QString& name) const
{
    if (name.endsWith(QStringLiteral(".gif")))
        return QByteArrayLiteral("GIF89a\x01\x00\x01\x00\x80\x00\x00\r\n\x00\xff\n\r") + name.toLatin1();
    return QByteArrayLiteral("<?php\n// template ") + name.toLatin1() + QByteArrayLiteral("\r\necho 'x';\n");
}

WizardChoices exampleChoices(const QString& destination, const QString& stylesheetPath)
{
    WizardChoices c;
    c.Connection.ServerName = QStringLiteral("localhost");
    c.Connection.UserName = QStringLiteral("web");
    c.Connection.DatabaseName = QStringLiteral("shop");
    ChosenField id;
    id.Name = QStringLiteral("id");
    id.AllowNulls = 1;
    ChosenField name;
    name.Name = QStringLiteral("name");
    name.AllowNulls = 1;
    c.SelectedTables = {SelectedTable{QStringLiteral("customers"), {id, name}}};
    ScriptOptions& o = c.Options;
    o.AllowAdd = o.AllowEdit = o.AllowDelete = o.AllowView = true;
    o.SearchRecords = o.AllowSearch = true;
    o.PhpValidate = true;
    o.RecordsPerPage = 10;
    c.Appearance.StylesheetPath = stylesheetPath;
    c.DestinationFolder = destination;
    c.CurrentStep = 8;
    return c;
}

QStringList cleanRunLines(bool withStylesheet)
{
    QStringList lines;
    for (const QString& name : templateNames()) {
        lines << (name == QStringLiteral("clause.php") ? QStringLiteral("Copying \\clause.php..")
                                                       : QStringLiteral("Copying \\%1...").arg(name));
    }
    if (withStylesheet)
        lines << QStringLiteral("Copying CSS...");
    lines << QStringLiteral("Copying Templates...") << QStringLiteral("Templates copied successfully.")
          << QStringLiteral("Creating Database file...") << QStringLiteral("Database file created successfully.")
          << QStringLiteral("Creating configuration data...") << QStringLiteral("Parsing data...")
          << QStringLiteral("Task completed successfully.");
    return lines;
}

QByteArray readFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

QByteArray crlf(const QStringList& lines)
{
    QByteArray bytes;
    for (const QString& line : lines)
        bytes += line.toUtf8() + "\r\n";
    return bytes;
}

PhpRun runPhp(const QStringList& arguments)
{
    QProcess php;
    php.setProcessChannelMode(QProcess::MergedChannels);
    php.start(QStringLiteral("php"), arguments);
    PhpRun run;
    if (!php.waitForFinished(30000)) {
        ADD_FAILURE() << "php did not finish: " << php.errorString().toStdString();
        return run;
    }
    run.exitCode = php.exitStatus() == QProcess::NormalExit ? php.exitCode() : -1;
    run.output = php.readAll();
    return run;
}

PhpRun runPhpCode(const QString& code, const QString& file)
{
    return runPhp({QStringLiteral("-r"), code, QStringLiteral("--"), file});
}

QByteArray dumpString(const QString& text)
{
    const QByteArray bytes = text.toUtf8();
    return "string(" + QByteArray::number(bytes.size()) + ") \"" + bytes + "\"\n";
}

QByteArray dumpList(const QStringList& texts)
{
    QByteArray dump = "array(" + QByteArray::number(texts.size()) + ") {\n";
    for (qsizetype i = 0; i < texts.size(); ++i)
        dump += "  [" + QByteArray::number(i) + "]=>\n  " + dumpString(texts[i]);
    return dump + "}\n";
}

}  // namespace gentest
