#pragma once
// The sample databases loaded into a test's scratch database, and the site a test builds on them.

#include "TestDatabase.h"
#include "choices/WizardChoices.h"

#include <QString>

namespace qmtest {

// The Sakila schema (no rows) loaded into `database`: its files name their own database, which is
// replaced by the scratch one; statements this server refuses are passed over. Call only when
// sakilaDir() is not empty.
void loadSakilaSchema(const QString& database);

// The sample shop's tables and rows (scripts/sample-shop.sql, the database scripts/run gives the
// wizard) loaded into the scratch database `db` instead of the database the file names.
void loadShopSample(const ScratchDatabase& db);

// Every base table of `database` with every column in table order, each column with a foreign
// key to one of those tables a lookup column showing the column it refers to (Sakila's keys to
// tables it lacks are left out, as the wizard offers no lookup into a table that is not there).
QList<SelectedTable> everyTableWithLookups(const QString& database);

}  // namespace qmtest
