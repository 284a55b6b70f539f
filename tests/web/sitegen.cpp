// Writes a web site for the web tests with the program's own generator: reads the choices from a
// JSON file, fills WizardChoices as the wizard would, and runs phpCreator::Generate into the
// destination folder.
//
//   qm_web_sitegen CHOICES.json
//
// CHOICES.json: {"programFolder", "destination", "server", "port", "database", "user", "password",
//   "tables": [{"name", "fields": [{"name", "max", "min", "chars", "nulls", "lookup"}]}],
//   "options": {"Add": true, ..., "RecsPerPage": 10, "Admin", "AdminPass", "CSS", "ExtraQueries": []}}

#include "generator/GenerationLog.h"
#include "generator/phpCreator.h"
#include "choices/WizardChoices.h"

#include <QCoreApplication>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cstdio>

namespace {

WizardChoices choicesFrom(const QJsonObject& site)
{
    WizardChoices c;
    c.Connection.ServerName = site["server"].toString();
    c.Connection.Port = static_cast<int16_t>(site["port"].toInt(3306));
    c.Connection.DatabaseName = site["database"].toString();
    c.Connection.UserName = site["user"].toString();
    c.Connection.Password = site["password"].toString();
    c.SelectedTables.clear();
    for (const QJsonValue& t : site["tables"].toArray()) {
        SelectedTable table;
        table.TableName = t["name"].toString();
        for (const QJsonValue& f : t["fields"].toArray()) {
            ChosenField field;
            field.Name = f["name"].toString();
            field.MaxValue = static_cast<int16_t>(f["max"].toInt(0));
            field.MinValue = static_cast<int16_t>(f["min"].toInt(0));
            field.Characters = f["chars"].toString();
            field.AllowNulls = static_cast<uint8_t>(f["nulls"].toInt(1));
            field.LookupTarget = f["lookup"].toString();
            table.ChosenFields.append(field);
        }
        c.SelectedTables.append(table);
    }
    const QJsonObject o = site["options"].toObject();
    c.Options.AllowAdd = o["Add"].toBool();
    c.Options.AllowEdit = o["Edit"].toBool();
    c.Options.AllowDelete = o["Delete"].toBool();
    c.Options.AllowView = o["View"].toBool();
    c.Options.SearchRecords = o["SearchRecords"].toBool();
    c.Options.AllowSearch = o["Search"].toBool();
    c.Options.ViewTable = o["ViewTable"].toBool();
    c.Options.ShowForm = o["Form"].toBool();
    c.Options.JavaValidate = o["JavaValidate"].toBool();
    c.Options.PhpValidate = o["PHPValidate"].toBool();
    c.Options.Navigator = o["Navigator"].toBool();
    c.Options.CreateLookupColumns = o["FK"].toBool();
    c.Options.RecordsPerPage = static_cast<int16_t>(o["RecsPerPage"].toInt());
    c.Security.AdminUser = o["Admin"].toString();
    c.Security.AdminPassword = o["AdminPass"].toString();
    const QString css = o["CSS"].toString();
    // A bare name is one of the program's stylesheets; a full path any other (a built one).
    c.Appearance.StylesheetPath = css.isEmpty() || css.startsWith(u'/') ? css : site["programFolder"].toString() + u'/' + css;
    for (const QJsonValue& q : o["ExtraQueries"].toArray())
        c.ExtraQueries.append(q.toString());
    c.DestinationFolder = site["destination"].toString();
    return c;
}

}  // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: qm_web_sitegen CHOICES.json\n");
        return 2;
    }
    QFile file(QString::fromLocal8Bit(argv[1]));
    if (!file.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "cannot read %s\n", argv[1]);
        return 2;
    }
    const QJsonObject site = QJsonDocument::fromJson(file.readAll()).object();
    GenerationLog log;
    phpCreator creator(site["programFolder"].toString(), log);
    const GenerationResult result = creator.Generate(choicesFrom(site));
    for (const QString& line : log.Lines())
        std::printf("%s\n", line.toLocal8Bit().constData());
    for (const QString& warning : result.Warnings + result.NameWarnings)
        std::fprintf(stderr, "warning: %s\n", warning.toLocal8Bit().constData());
    if (!result.Succeeded) {
        std::fprintf(stderr, "generation failed: %s %s\n", result.FailedFile.toLocal8Bit().constData(),
                     result.Reason.toLocal8Bit().constData());
        return 1;
    }
    // Names config.php cannot represent are what some page tests are about: only a file that was
    // not copied fails the site.
    return result.Warnings.isEmpty() ? 0 : 1;
}
