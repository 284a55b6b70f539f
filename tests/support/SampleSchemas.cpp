#include "SampleSchemas.h"

#include "TestDatabase.h"
#include "TestFolders.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>

#include <gtest/gtest.h>

namespace qmtest {

void loadSakilaSchema(const QString& database)
{
    QFile file(sakilaDir() + QStringLiteral("/sakila-schema.sql"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    QString text = QString::fromLatin1(file.readAll());
    text.remove(QRegularExpression(QStringLiteral("^(DROP SCHEMA IF EXISTS|CREATE SCHEMA) sakila;\\r?$"),
                                   QRegularExpression::MultilineOption));
    text.replace(QRegularExpression(QStringLiteral("^USE sakila;\\r?$"), QRegularExpression::MultilineOption),
                 QStringLiteral("USE `%1`;").arg(database));
    text.replace(QRegularExpression(QStringLiteral("\\b(FROM|JOIN) sakila\\.")), QStringLiteral("\\1 "));
    const ServerSettings& s = sandboxServer();
    QProcess p;
    p.start(QStringLiteral("mariadb"), {QStringLiteral("--no-defaults"), QStringLiteral("--force"),
                                        QStringLiteral("-h") + s.host, QStringLiteral("-P%1").arg(s.port),
                                        QStringLiteral("-u") + s.user, QStringLiteral("-p") + s.password, database});
    p.write(text.toLatin1());
    p.closeWriteChannel();
    ASSERT_TRUE(p.waitForFinished(120000));
}

void loadShopSample(const ScratchDatabase& db)
{
    QFile file(sourceDir() + QStringLiteral("/scripts/sample-shop.sql"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    QStringList statements;
    for (const QString& statement : QString::fromUtf8(file.readAll()).split(QStringLiteral(";\n"))) {
        if (!statement.contains(QRegularExpression(QStringLiteral("^(DROP DATABASE|CREATE DATABASE|USE )"),
                                                   QRegularExpression::MultilineOption))
            && !statement.trimmed().isEmpty())
            statements << statement;
    }
    db.exec(statements);
}

QList<SelectedTable> everyTableWithLookups(const QString& database)
{
    QList<SelectedTable> tables;
    const QString schema = QStringLiteral("TABLE_SCHEMA = '%1'").arg(database);
    for (const QStringList& row : querySql(QStringLiteral("SELECT TABLE_NAME FROM information_schema.TABLES WHERE %1"
                                                          " AND TABLE_TYPE = 'BASE TABLE' ORDER BY TABLE_NAME").arg(schema))) {
        SelectedTable t{row[0], {}};
        for (const QStringList& column : querySql(
                 QStringLiteral("SELECT c.COLUMN_NAME, MIN(k.REFERENCED_TABLE_NAME), MIN(k.REFERENCED_COLUMN_NAME)"
                                " FROM information_schema.COLUMNS c LEFT JOIN information_schema.KEY_COLUMN_USAGE k"
                                " ON k.TABLE_SCHEMA = c.TABLE_SCHEMA AND k.TABLE_NAME = c.TABLE_NAME"
                                " AND k.COLUMN_NAME = c.COLUMN_NAME AND k.REFERENCED_TABLE_NAME IN (SELECT TABLE_NAME"
                                " FROM information_schema.TABLES WHERE %1 AND TABLE_TYPE = 'BASE TABLE')"
                                " WHERE c.%1 AND c.TABLE_NAME = '%2' GROUP BY c.COLUMN_NAME, c.ORDINAL_POSITION"
                                " ORDER BY c.ORDINAL_POSITION").arg(schema, row[0]))) {
            ChosenField field;
            field.Name = column[0];
            field.AllowNulls = 1;
            field.RuleOffered = true;
            if (!column[1].isNull()) {
                field.IsForeignKey = true;
                field.ParentTable = column[1];
                field.LookupTarget = column[1] + u'.' + column[2];
            }
            t.ChosenFields << field;
        }
        tables << t;
    }
    return tables;
}

}  // namespace qmtest
