#include "MysqlTestSupport.h"
#include "TestDatabase.h"
#include "mysql/MYSQL_CONNECTION.h"
#include "mysql/MYSQL_FIELD.h"
#include "mysql/MYSQL_RS.h"

#include <gtest/gtest.h>

namespace {

using Rows = QList<QStringList>;

// A connection to a scratch database holding a small table of people. Checks of a statement
// compare the connection's whole QueryString, then the rows on the server.
class RecordEditingTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        db.exec({"CREATE TABLE people (id INT PRIMARY KEY, name VARCHAR(12), note TEXT, born DATE)",
                 "INSERT INTO people VALUES (1, 'Ann', NULL, NULL), (2, 'bob', '', NULL), "
                 "(3, 'Cy', 'c', '1999-12-31')"});
        ASSERT_EQ(openOnSandbox(connection, db.name()), 0);
    }

    std::shared_ptr<MYSQL_RS> select(const QString& statement)
    {
        auto rs = connection.Execute(statement);
        EXPECT_EQ(connection.Error().Number(), 0) << connection.Error().Description().toStdString();
        return rs;
    }
    std::shared_ptr<MYSQL_RS> people() { return select("SELECT * FROM people ORDER BY id"); }
    // `database`.`table`, as the statements name a table.
    QString table(const QString& name) const { return "`" + db.name() + "`.`" + name + "`"; }
    Rows rows(const QString& statement) const { return qmtest::querySql(statement, db.name()); }
    Rows names() const { return rows("SELECT id, name FROM people ORDER BY id"); }
    QString ran() const { return connection.QueryString(); }

    qmtest::ScratchDatabase db {"qm_edit"};
    MYSQL_CONNECTION connection;
    const QString peopleTable = table("people");
    const Rows unchanged = {{"1", "Ann"}, {"2", "bob"}, {"3", "Cy"}};
};

QString text(const std::shared_ptr<MYSQL_RS>& rs, const char* column)
{
    return rs->Fields(Variant(column))->Value().toString();
}

}  // namespace

TEST_F(RecordEditingTest, UpdateWritesTheRowByItsKeyAndShowsTheWrittenValue)
{
    auto rs = people();
    rs->MoveNext();
    rs->Fields("name")->setValue("x");
    EXPECT_EQ(rs->EditMode(), 1);
    EXPECT_EQ(text(rs, "name"), "bob");  // not written yet
    EXPECT_EQ(rs->Update(), 1);
    EXPECT_EQ(ran(), "UPDATE " + peopleTable + " SET `name`='x' WHERE `id`='2'");
    EXPECT_EQ(rs->EditMode(), 0);
    EXPECT_EQ(names(), Rows({{"1", "Ann"}, {"2", "x"}, {"3", "Cy"}}));
    EXPECT_EQ(text(rs, "name"), "x");

    // A field object kept from that row goes on showing what was written there.
    auto kept = rs->Fields("name");
    rs->MoveNext();
    EXPECT_EQ(kept->Value().toString(), "x");
    EXPECT_EQ(text(rs, "name"), "Cy");
}

TEST_F(RecordEditingTest, ColumnsGoInTheOrderOfTheirLatestChange)
{
    auto rs = people();
    rs->Fields("note")->setValue("1");
    rs->Fields("name")->setValue("first");
    rs->Fields("name")->setValue("2");
    EXPECT_EQ(rs->Update(), 1);
    EXPECT_EQ(ran(), "UPDATE " + peopleTable + " SET `note`='1',`name`='2' WHERE `id`='1'");

    rs->Fields("note")->setValue("3");
    rs->Fields("name")->setValue("4");
    rs->Fields("NOTE")->setValue("5");
    EXPECT_EQ(rs->Update(), 1);
    EXPECT_EQ(ran(), "UPDATE " + peopleTable + " SET `name`='4',`note`='5' WHERE `id`='1'");
    EXPECT_EQ(rows("SELECT name, note FROM people WHERE id = 1"), Rows({{"4", "5"}}));
}

TEST_F(RecordEditingTest, ValuesAreQuotedWithNullsDatesAndEscapes)
{
    auto rs = people();
    rs->Fields("note")->setValue(Variant::null());
    rs->Fields("born")->setValue(QDate(2001, 9, 11));
    rs->Fields("name")->setValue("a\\'b");
    EXPECT_EQ(rs->Update(), 1);
    EXPECT_EQ(ran(),
              "UPDATE " + peopleTable
                  + " SET `note`=NULL,`born`='2001-09-11',`name`='a\\\\\\'b' WHERE `id`='1'");
    rs->MoveLast();
    rs->Fields("born")->setValue("2004-02-30");
    EXPECT_EQ(rs->Update(), 1);
    EXPECT_EQ(ran(), "UPDATE " + peopleTable + " SET `born`='0000-00-00' WHERE `id`='3'");
    EXPECT_EQ(rows("SELECT name, note, born FROM people WHERE id <> 2 ORDER BY id"),
              Rows({{"a\\'b", QString(), "2001-09-11"}, {"Cy", "c", "0000-00-00"}}));
}

TEST_F(RecordEditingTest, ServerWithoutBackslashEscapesStillGetsOneLiteral)
{
    connection.Execute("SET SESSION sql_mode = CONCAT(@@sql_mode, ',NO_BACKSLASH_ESCAPES')");
    auto rs = people();
    rs->Fields("name")->setValue("x\\' OR 1#");
    EXPECT_EQ(rs->Update(), 1);
    EXPECT_EQ(ran(), "UPDATE " + peopleTable + " SET `name`='x\\'' OR 1#' WHERE `id`='1'");
    EXPECT_EQ(names(), Rows({{"1", "x\\' OR 1#"}, {"2", "bob"}, {"3", "Cy"}}));
}

TEST_F(RecordEditingTest, KeywordBlankAndAliasNamesReachTheirColumns)
{
    db.exec(
        {"CREATE TABLE `order items` (`key` INT PRIMARY KEY, `order` VARCHAR(9), `we``ird` INT)",
         "INSERT INTO `order items` VALUES (1, 'o', 10), (2, 'p', 20)"});
    auto rs =
        select("SELECT `key`, `order` AS o, `we``ird` FROM `order items` AS i ORDER BY `key`");
    rs->Fields("o")->setValue("changed");
    rs->Fields("we`ird")->setValue(11);
    EXPECT_EQ(rs->Update(), 1);
    EXPECT_EQ(ran(),
              "UPDATE " + table("order items")
                  + " SET `order`='changed',`we``ird`='11' WHERE `key`='1'");
    EXPECT_EQ(text(rs, "o"), "changed");
    rs->MoveNext();
    EXPECT_EQ(rs->Delete(), 1);
    EXPECT_EQ(ran(), "DELETE FROM " + table("order items") + " WHERE `key`='2'");
    EXPECT_EQ(rows("SELECT * FROM `order items`"), Rows({{"1", "changed", "11"}}));
}

TEST_F(RecordEditingTest, NullKeyIsMatchedWithIsNull)
{
    auto rs =
        select("SELECT p.id, p.name FROM (SELECT 9 AS x) AS d LEFT JOIN people p ON p.id = d.x");
    ASSERT_TRUE(rs->Fields("id")->Value().isNull());
    rs->Fields("name")->setValue("z");
    EXPECT_EQ(rs->Update(), 0);
    EXPECT_EQ(ran(), "UPDATE " + peopleTable + " SET `name`='z' WHERE `id` IS NULL");
    EXPECT_EQ(rs->Delete(), 0);
    EXPECT_EQ(ran(), "DELETE FROM " + peopleTable + " WHERE `id` IS NULL");
    EXPECT_EQ(names(), unchanged);
}

TEST_F(RecordEditingTest, DeletedRowStaysReadableAndRefusesEveryEdit)
{
    auto rs = people();
    rs->MoveNext();
    EXPECT_EQ(rs->Delete(), 1);
    EXPECT_EQ(ran(), "DELETE FROM " + peopleTable + " WHERE `id`='2'");
    EXPECT_EQ(rs->EditMode(), 3);
    EXPECT_EQ(text(rs, "name"), "bob");
    rs->MoveNext();
    EXPECT_EQ(rs->EditMode(), 0);
    rs->MovePrevious();
    EXPECT_EQ(rs->EditMode(), 3);

    rs->Fields("name")->setValue("ghost");
    EXPECT_EQ(rs->EditMode(), 3);
    EXPECT_EQ(rs->Update(), -1);
    EXPECT_EQ(rs->AddNew(), -1);
    EXPECT_EQ(rs->Delete(), -1);
    EXPECT_EQ(ran(), "DELETE FROM " + peopleTable + " WHERE `id`='2'");
    EXPECT_EQ(names(), Rows({{"1", "Ann"}, {"3", "Cy"}}));
}

TEST_F(RecordEditingTest, AddNewInsertsAndIsRefusedWithoutOneTable)
{
    db.exec({"CREATE TABLE pets (n INT AUTO_INCREMENT PRIMARY KEY, owner INT, pet VARCHAR(9))",
             "INSERT INTO pets (owner, pet) VALUES (2, 'cat')"});
    auto rs = select("SELECT * FROM pets");
    EXPECT_EQ(rs->AddNew(), 0);
    EXPECT_EQ(rs->EditMode(), 2);
    EXPECT_EQ(rs->AddNew(), -1);
    rs->Fields("pet")->setValue("dog");
    rs->Fields("owner")->setValue(1);
    EXPECT_EQ(text(rs, "pet"), "cat");
    EXPECT_EQ(rs->Update(), 1);
    EXPECT_EQ(ran(), "INSERT INTO " + table("pets") + " (`pet`,`owner`) VALUES('dog','1')");
    EXPECT_EQ(connection.LastInsertID(), 2);
    EXPECT_EQ(rows("SELECT * FROM pets ORDER BY n"), Rows({{"1", "2", "cat"}, {"2", "1", "dog"}}));

    rs = select("SELECT * FROM pets WHERE n > 9");
    EXPECT_EQ(rs->AddNew(), -1);
    rs = select("SELECT pets.pet, people.name FROM pets JOIN people ON people.id = pets.owner");
    EXPECT_EQ(rs->AddNew(), -1);
    rs->Fields("pet")->setValue("emu");
    EXPECT_EQ(rs->Update(), -1);
    EXPECT_EQ(rows("SELECT COUNT(*) FROM pets")[0][0], "2");
}

TEST_F(RecordEditingTest, FailedUpdateKeepsItsValuesForTheNextOne)
{
    auto rs = people();
    rs->Fields("note")->setValue("n");
    rs->Fields("name")->setValue("far too long for it");
    EXPECT_EQ(rs->Update(), 0);
    EXPECT_EQ(connection.Error().Number(), 1406);  // data too long
    EXPECT_TRUE(rs->Fields("note")->Value().isNull());

    rs->Fields("name")->setValue("ok");
    EXPECT_EQ(rs->Update(), 1);
    EXPECT_EQ(ran(), "UPDATE " + peopleTable + " SET `note`='n',`name`='ok' WHERE `id`='1'");
    EXPECT_EQ(connection.Error().Number(), 0);
    EXPECT_EQ(rows("SELECT name, note FROM people WHERE id = 1"), Rows({{"ok", "n"}}));
}

TEST_F(RecordEditingTest, FailedInsertDiscardsTheAddedRow)
{
    connection.setAutoUpdate(true);
    auto rs = people();
    rs->AddNew();
    rs->Fields("id")->setValue("1");
    rs->Fields("name")->setValue("twin");
    EXPECT_EQ(rs->Update(), 0);
    EXPECT_EQ(connection.Error().Number(), 1062);  // duplicate key
    EXPECT_EQ(rs->EditMode(), 0);
    const QString failed = ran();
    rs->MoveNext();  // nothing is left to write
    EXPECT_EQ(ran(), failed);
    EXPECT_EQ(names(), unchanged);
}

TEST_F(RecordEditingTest, AutoUpdateWritesTheRowBeingLeftEvenTheLast)
{
    connection.setAutoUpdate(true);
    auto rs = people();
    rs->Fields("name")->setValue("one");
    rs->MoveNext();
    EXPECT_EQ(ran(), "UPDATE " + peopleTable + " SET `name`='one' WHERE `id`='1'");
    EXPECT_EQ(text(rs, "name"), "bob");

    rs->MoveLast();
    rs->Fields("name")->setValue("last");
    rs->MoveNext();
    EXPECT_TRUE(rs->EOF_());
    EXPECT_EQ(ran(), "UPDATE " + peopleTable + " SET `name`='last' WHERE `id`='3'");

    rs->MoveFirst();
    rs->AddNew();
    rs->Fields("id")->setValue(9);
    rs->setAbsolutePosition(2);
    EXPECT_EQ(ran(), "INSERT INTO " + peopleTable + " (`id`) VALUES('9')");
    EXPECT_EQ(names(), Rows({{"1", "one"}, {"2", "bob"}, {"3", "last"}, {"9", QString()}}));
}

TEST_F(RecordEditingTest, WithoutAutoUpdateLeavingTheRowDiscardsItsEdit)
{
    auto rs = people();
    const QString selected = ran();
    rs->Fields("name")->setValue("lost");
    rs->MoveNext();
    rs->MovePrevious();
    EXPECT_EQ(rs->EditMode(), 0);
    EXPECT_EQ(rs->Update(), -1);
    rs->AddNew();
    rs->Fields("id")->setValue(8);
    rs->MoveLast();
    EXPECT_EQ(ran(), selected);
    EXPECT_EQ(names(), unchanged);
}

TEST_F(RecordEditingTest, FindThatLeavesTheEditedRowSettlesItFirst)
{
    auto rs = people();
    rs->Fields("name")->setValue("lost");
    EXPECT_EQ(rs->FindFirst("name", "Ann", 0), 1);  // found where it stands: the edit goes on
    EXPECT_EQ(rs->EditMode(), 1);
    EXPECT_EQ(rs->FindFirst("name", "Cy", 0), 3);
    rs->Fields("note")->setValue("found");
    EXPECT_EQ(rs->Update(), 1);
    EXPECT_EQ(ran(), "UPDATE " + peopleTable + " SET `note`='found' WHERE `id`='3'");
    EXPECT_EQ(names(), unchanged);
}

TEST_F(RecordEditingTest, NewStatementReportsItselfAfterSettlingEdits)
{
    connection.setAutoUpdate(true);
    auto rs = people();
    rs->Fields("name")->setValue("far too long for it");
    connection.Execute("SELECT 1");
    EXPECT_EQ(connection.Error().Number(), 0);
    EXPECT_EQ(ran(), "SELECT 1");

    rs = people();
    rs->Fields("name")->setValue("req");
    rs->Requery();
    EXPECT_EQ(ran(), "SELECT * FROM people ORDER BY id");
    EXPECT_EQ(text(rs, "name"), "req");  // read afresh from the server
}

TEST_F(RecordEditingTest, RowsThatTheKeyCannotPickOutAreNeverWritten)
{
    db.exec({"CREATE TABLE loose (a INT, b VARCHAR(9))",
             "INSERT INTO loose VALUES (1, 'x'), (1, 'x')",
             "CREATE TABLE link (a INT, b INT, v VARCHAR(9), PRIMARY KEY (a, b))",
             "INSERT INTO link VALUES (1, 1, 'p'), (1, 2, 'q')"});
    // No primary key, and only part of a two-column key.
    for (const char* statement : {"SELECT a, b FROM loose", "SELECT a, v FROM link ORDER BY b"}) {
        auto rs = select(statement);
        rs->Fields(1)->setValue("y");
        EXPECT_EQ(rs->Update(), 0);
        EXPECT_EQ(rs->Delete(), 0);
        EXPECT_EQ(ran(), statement);
    }
    EXPECT_EQ(rows("SELECT b FROM loose"), Rows({{"x"}, {"x"}}));

    auto rs = select("SELECT a, b, v FROM link ORDER BY b");
    EXPECT_EQ(rs->Delete(), 1);
    EXPECT_EQ(ran(), "DELETE FROM " + table("link") + " WHERE `a`='1' AND `b`='1'");
    EXPECT_EQ(rows("SELECT v FROM link"), Rows({{"q"}}));
}

TEST_F(RecordEditingTest, CancelUpdateDropsPendingAndWrittenValuesFromReads)
{
    auto rs = people();
    rs->Fields("name")->setValue("x");
    ASSERT_EQ(rs->Update(), 1);
    rs->Fields("note")->setValue("dropped");
    rs->CancelUpdate();
    EXPECT_EQ(rs->EditMode(), 0);
    EXPECT_EQ(text(rs, "name"), "Ann");  // the stored result again, though the server has x
    EXPECT_EQ(rs->Update(), -1);
    EXPECT_EQ(rows("SELECT name, note FROM people WHERE id = 1"), Rows({{"x", QString()}}));
}

TEST_F(RecordEditingTest, ChangedKeyIsMatchedByItsWrittenValue)
{
    auto rs = people();
    rs->Fields("id")->setValue(20);
    ASSERT_EQ(rs->Update(), 1);
    rs->Fields("id")->setValue(30);
    EXPECT_EQ(text(rs, "id"), "20");  // what the server holds until 30 is written
    EXPECT_EQ(rs->Update(), 1);
    EXPECT_EQ(ran(), "UPDATE " + peopleTable + " SET `id`='30' WHERE `id`='20'");
    EXPECT_EQ(names(), Rows({{"2", "bob"}, {"3", "Cy"}, {"30", "Ann"}}));
}

TEST_F(RecordEditingTest, EditsReachTheResultsDatabaseWhicheverIsSelected)
{
    qmtest::ScratchDatabase other {"qm_edit_other"};
    other.exec({"CREATE TABLE people (id INT PRIMARY KEY, name VARCHAR(9))",
                "INSERT INTO people VALUES (1, 'other')"});
    auto rs = people();
    ASSERT_TRUE(connection.SelectDb(other.name()));
    rs->Fields("name")->setValue("mine");
    EXPECT_EQ(rs->Update(), 1);
    EXPECT_EQ(names()[0], QStringList({"1", "mine"}));
    EXPECT_EQ(qmtest::querySql("SELECT name FROM people", other.name()), Rows({{"other"}}));
}

TEST_F(RecordEditingTest, DateAndTimeKeysAreMatchedAsTheServerGaveThem)
{
    // Key values the date and time forms do not accept would become the zero form and reach
    // the row that holds it.
    db.exec({"SET SESSION sql_mode = ''",
             "CREATE TABLE shifts (t TIME PRIMARY KEY)",
             "INSERT INTO shifts VALUES ('00:00:00'), ('25:00:00')",
             "CREATE TABLE days (d DATE PRIMARY KEY, note CHAR(1))",
             "INSERT INTO days VALUES ('2001-01-01', 'z'), ('2004-02-00', 'a')"});
    auto rs = select("SELECT t FROM shifts ORDER BY t");
    rs->MoveLast();
    EXPECT_EQ(rs->Delete(), 1);
    EXPECT_EQ(ran(), "DELETE FROM " + table("shifts") + " WHERE `t`='25:00:00'");
    EXPECT_EQ(rows("SELECT t FROM shifts"), Rows({{"00:00:00"}}));

    rs = select("SELECT d, note FROM days ORDER BY d");
    rs->MoveLast();
    rs->Fields("note")->setValue("x");
    EXPECT_EQ(rs->Update(), 1);
    EXPECT_EQ(ran(), "UPDATE " + table("days") + " SET `note`='x' WHERE `d`='2004-02-00'");
    // A key written through the result is matched in the form it was written in.
    rs->Fields("d")->setValue("2004-02-31");
    EXPECT_EQ(rs->Update(), 1);
    rs->Fields("note")->setValue("y");
    EXPECT_EQ(rs->Update(), 1);
    EXPECT_EQ(ran(), "UPDATE " + table("days") + " SET `note`='y' WHERE `d`='0000-00-00'");
    EXPECT_EQ(rows("SELECT d, note FROM days ORDER BY d"), Rows({{"0000-00-00", "y"}, {"2001-01-01", "z"}}));
}
