#include "MysqlTestSupport.h"
#include "TestDatabase.h"
#include "mysql/MYSQL_CONNECTION.h"
#include "mysql/MYSQL_FIELD.h"
#include "mysql/MYSQL_RS.h"

#include <QRandomGenerator>

#include <gtest/gtest.h>

namespace {

// A connection to a scratch database holding a small table of people.
class ResultSetTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        db.exec({"CREATE TABLE people (id INT PRIMARY KEY, Name VARCHAR(30), note TEXT, "
                 "amount DECIMAL(7,2))",
                 "INSERT INTO people VALUES (1, 'Ann', NULL, 1.50), (2, 'bob', '', 20.00), "
                 "(3, 'Cy', '5', 300.25)"});
        ASSERT_EQ(openOnSandbox(connection, db.name()), 0);
    }

    std::shared_ptr<MYSQL_RS> people()
    {
        auto rs = connection.Execute("SELECT id, Name, note, amount FROM people ORDER BY id");
        EXPECT_EQ(connection.Error().Number(), 0) << connection.Error().Description().toStdString();
        return rs;
    }

    qmtest::ScratchDatabase db{"qm_rs"};
    MYSQL_CONNECTION connection;
};

QString text(const std::shared_ptr<MYSQL_RS>& rs, const Variant& key)
{
    return rs->Fields(key)->Value().toString();
}

}  // namespace

TEST_F(ResultSetTest, EmptyResultIsOpenWithNeutralValues)
{
    auto rs = connection.Execute("SELECT id, Name FROM people WHERE id > 99");
    EXPECT_EQ(rs->State(), 0);
    EXPECT_EQ(rs->RecordCount(), 0);
    EXPECT_EQ(rs->FieldCount(), 2);
    EXPECT_TRUE(rs->BOF());
    EXPECT_TRUE(rs->EOF_());
    EXPECT_EQ(rs->AbsolutePosition(), -1);
    EXPECT_TRUE(rs->Fields(0)->Name().isEmpty());
    EXPECT_TRUE(rs->Fields(0)->Value().isEmpty());
    EXPECT_EQ(rs->Fields(0)->MySqlType(), 254);
    EXPECT_EQ(rs->TableCount(), 0);
    EXPECT_TRUE(rs->RsToHtmlTable().isEmpty());
    EXPECT_EQ(rs->FindFirst(0, "1", 0), -1);
    rs->MoveFirst();
    EXPECT_EQ(rs->AbsolutePosition(), -1);
}

TEST_F(ResultSetTest, CursorAtBothEnds)
{
    auto rs = people();
    EXPECT_EQ(rs->AbsolutePosition(), 1);  // a new result starts on its first row
    EXPECT_EQ(text(rs, "Name"), "Ann");

    rs->MoveLast();
    EXPECT_EQ(rs->AbsolutePosition(), 3);
    rs->MoveNext();
    EXPECT_TRUE(rs->EOF_());
    EXPECT_FALSE(rs->BOF());
    EXPECT_EQ(rs->AbsolutePosition(), -2);
    EXPECT_TRUE(rs->Fields("Name")->Value().isEmpty());
    rs->MoveNext();
    EXPECT_EQ(rs->AbsolutePosition(), -2);
    rs->MovePrevious();
    EXPECT_EQ(rs->AbsolutePosition(), 3);
    EXPECT_EQ(text(rs, "Name"), "Cy");

    rs->MoveFirst();
    rs->MovePrevious();
    EXPECT_TRUE(rs->BOF());
    EXPECT_EQ(rs->AbsolutePosition(), -3);
    rs->MovePrevious();
    EXPECT_EQ(rs->AbsolutePosition(), -3);
    rs->MoveNext();
    EXPECT_EQ(text(rs, 0), "1");

    rs->setAbsolutePosition(2);
    EXPECT_EQ(text(rs, 0), "2");
    rs->setAbsolutePosition(0);
    rs->setAbsolutePosition(4);
    EXPECT_EQ(rs->AbsolutePosition(), 2);

    rs->CloseRecordset();
    EXPECT_EQ(rs->State(), 1);
    EXPECT_EQ(rs->RecordCount(), 0);
    EXPECT_TRUE(rs->QueryString().isEmpty());
    EXPECT_EQ(rs->AbsolutePosition(), -1);
    rs->MoveFirst();
    EXPECT_TRUE(rs->Fields(0)->Value().isEmpty());
}

TEST_F(ResultSetTest, RandomJumpsReadTheRightRows)
{
    db.exec({"CREATE TABLE seq (n INT)", "INSERT INTO seq SELECT seq FROM seq_1_to_3000"});
    auto rs = connection.Execute("SELECT n FROM seq ORDER BY n");
    ASSERT_EQ(rs->RecordCount(), 3000);
    auto* random = QRandomGenerator::global();
    for (int i = 0; i < 500; ++i) {
        const int row = random->bounded(1, 3001);
        rs->setAbsolutePosition(row);
        ASSERT_EQ(text(rs, 0), QString::number(row));
        if (row > 1) {
            rs->MovePrevious();
            ASSERT_EQ(text(rs, 0), QString::number(row - 1));
        }
    }
    rs->MoveFirst();
    for (int row = 1; row <= 3000; ++row, rs->MoveNext())
        ASSERT_EQ(text(rs, 0), QString::number(row));
    EXPECT_TRUE(rs->EOF_());
}

TEST_F(ResultSetTest, FieldKeysByNameNumberAndNumericText)
{
    auto rs = connection.Execute("SELECT id, Name, note, amount, id AS NAME FROM people ORDER BY id");
    EXPECT_EQ(rs->Fields("NAME")->Name(), "Name");  // a name already present keeps its first column
    EXPECT_EQ(rs->Fields("name")->Value().toString(), "Ann");
    EXPECT_EQ(rs->Fields(" 3 ")->Name(), "amount");
    EXPECT_EQ(rs->Fields(1.0)->Name(), "Name");

    auto unknown = rs->Fields("nope");
    EXPECT_TRUE(unknown->Value().isEmpty());
    EXPECT_EQ(unknown->MySqlType(), 254);
    EXPECT_TRUE(unknown->Name().isEmpty());
    EXPECT_TRUE(rs->Fields(" name")->Value().isEmpty());  // names are not trimmed
    EXPECT_TRUE(rs->Fields(5)->Value().isEmpty());
    EXPECT_TRUE(rs->Fields(-1)->Value().isEmpty());
    EXPECT_TRUE(rs->Fields(Variant::null())->Value().isEmpty());
}

TEST_F(ResultSetTest, NonAsciiNamesMatchWithoutRegardToCase)
{
    auto rs = connection.Execute("SELECT 'x' AS `Ärger`, 'y' AS `straße`");
    EXPECT_EQ(rs->Fields("ärger")->Value().toString(), "x");
    EXPECT_EQ(rs->Fields(QStringLiteral("ÄRGER"))->Value().toString(), "x");
    EXPECT_TRUE(rs->Fields("STRASSE")->Value().isEmpty());  // one letter is never two
    EXPECT_EQ(rs->Fields("STRAßE")->Value().toString(), "y");
}

TEST_F(ResultSetTest, NumericTextKeyNeverMeansAColumnNamed2)
{
    auto rs = connection.Execute("SELECT 'zero' AS a, 'one' AS b, 'two' AS c, 'named' AS `2`");
    EXPECT_EQ(rs->Fields("2")->Value().toString(), "two");
}

// A walk asks for the same keys on every row; what is remembered of them belongs to one result.
TEST_F(ResultSetTest, RepeatedKeysFollowARequeryAndWideNumbersMeanNoColumn)
{
    db.exec({"CREATE TABLE pair (a VARCHAR(5), b VARCHAR(5))",
             "INSERT INTO pair VALUES ('a1', 'b1'), ('a2', 'b2')"});
    auto rs = connection.Execute("SELECT * FROM pair");
    EXPECT_EQ(rs->Fields("b")->Value().toString(), "b1");
    EXPECT_EQ(text(rs, "b"), "b1");
    rs->MoveNext();
    EXPECT_EQ(rs->Fields("b")->Value().toString(), "b2");

    db.exec({"ALTER TABLE pair DROP COLUMN a, ADD COLUMN c VARCHAR(5) DEFAULT 'c1'"});
    rs->Requery();
    EXPECT_EQ(rs->Fields("b")->Value().toString(), "b1");
    EXPECT_EQ(text(rs, "b"), "b1");
    EXPECT_TRUE(rs->Fields("a")->Value().isEmpty());

    EXPECT_EQ(rs->Fields(1u)->Value().toString(), "c1");
    EXPECT_TRUE(rs->Fields(qint64(1) << 32)->Value().isEmpty());  // not column 0
    EXPECT_TRUE(rs->Fields(-(qint64(1) << 32) + 1)->Value().isEmpty());
}

TEST_F(ResultSetTest, OneFieldObjectKeptFieldsShowTheirRow)
{
    auto rs = people();
    auto first = rs->Fields("Name");
    EXPECT_EQ(rs->Fields(0), first);  // the same object, now on column 0
    auto kept = rs->Fields("Name");
    rs->MoveNext();
    EXPECT_EQ(kept->Value().toString(), "Ann");
    EXPECT_EQ(rs->Fields("Name")->Value().toString(), "bob");
    rs->MoveNext();
    EXPECT_EQ(kept->Value().toString(), "bob");

    // A new statement replaces the field object; the old one answers with neutral values.
    connection.Execute("SELECT 1");
    EXPECT_TRUE(kept->Value().isEmpty());
    EXPECT_TRUE(kept->Name().isEmpty());
    EXPECT_NE(rs->Fields(0), kept);
}

TEST_F(ResultSetTest, ValuesAreTextNullAndExactBytes)
{
    const QString unicode = QStringLiteral("Grüße €");
    auto rs = connection.Execute("SELECT NULL, '', CONCAT('a', CHAR(0), 'b'), 42, 1.50, '" + unicode
                                 + "', DATE('2004-02-29')");
    EXPECT_TRUE(rs->Fields(0)->Value().isNull());
    const Variant empty = rs->Fields(1)->Value();
    EXPECT_TRUE(empty.isText());
    EXPECT_TRUE(empty.toString().isEmpty());
    EXPECT_EQ(rs->Fields(2)->Value().toString(), QStringLiteral("a") + QChar(0) + QStringLiteral("b"));
    EXPECT_EQ(rs->Fields(3)->Value(), Variant("42"));
    EXPECT_EQ(text(rs, 4), "1.50");
    EXPECT_EQ(text(rs, 5), unicode);
    EXPECT_EQ(text(rs, 6), "2004-02-29");
}

TEST_F(ResultSetTest, ColumnDescriptions)
{
    auto rs = people();
    auto id = rs->Fields("id");
    EXPECT_EQ(id->Table(), "people");
    EXPECT_EQ(id->MySqlType(), 3);  // INT
    EXPECT_TRUE(id->Flags() & 2);   // primary key
    auto name = rs->Fields("Name");
    EXPECT_EQ(name->MySqlType(), 253);  // VARCHAR
    EXPECT_FALSE(name->Flags() & 2);
    EXPECT_EQ(name->Length(), 120);  // 30 characters of up to 4 bytes
    EXPECT_EQ(name->MaxLength(), 3);
    auto amount = rs->Fields("amount");
    EXPECT_EQ(amount->MySqlType(), 246);  // DECIMAL
    EXPECT_EQ(amount->Decimals(), 2);
}

TEST_F(ResultSetTest, TablesOfAJoinInColumnOrder)
{
    db.exec({"CREATE TABLE pets (owner INT, pet VARCHAR(10))", "INSERT INTO pets VALUES (2, 'cat')"});
    auto rs = connection.Execute("SELECT pets.pet, people.Name, 1 + 1 AS computed, pets.owner "
                                 "FROM people JOIN pets ON pets.owner = people.id");
    EXPECT_EQ(rs->TableCount(), 2);
    EXPECT_EQ(rs->Table(), "pets,people");
    EXPECT_TRUE(rs->Fields("computed")->Table().isEmpty());
    rs->MoveNext();
    EXPECT_EQ(rs->TableCount(), 0);  // off the rows no column, so no table

    rs = connection.Execute("SELECT NOW(), 1");
    EXPECT_EQ(rs->TableCount(), 0);
    EXPECT_TRUE(rs->Table().isEmpty());
}

TEST_F(ResultSetTest, FindFirstWithMethodOneLeavesTheCursor)
{
    auto rs = people();
    rs->MoveLast();
    EXPECT_EQ(rs->FindFirst("Name", "bob", 1), 2);
    EXPECT_EQ(rs->AbsolutePosition(), 3);
    EXPECT_EQ(rs->FindFirst("Name", "bob", 2), 2);
    EXPECT_EQ(rs->AbsolutePosition(), 2);
    EXPECT_EQ(text(rs, "Name"), "bob");
}

TEST_F(ResultSetTest, FindInEachDirection)
{
    db.exec({"INSERT INTO people VALUES (4, 'bob', 'x', 0)"});
    auto rs = people();
    EXPECT_EQ(rs->FindLast(1, "bob", 0), 4);
    EXPECT_EQ(rs->FindPrevious(1, "bob", 0), 2);
    EXPECT_EQ(rs->AbsolutePosition(), 2);
    EXPECT_EQ(rs->FindPrevious(1, "bob", 0), -1);
    EXPECT_EQ(rs->AbsolutePosition(), 2);
    EXPECT_EQ(rs->FindNext("1", "bob", 0), 4);

    // On the last row there is nothing after it.
    EXPECT_EQ(rs->FindNext("Name", "Ann", 0), -1);
    EXPECT_EQ(rs->AbsolutePosition(), 4);
    EXPECT_EQ(rs->FindNext("Name", "bob", 0), -1);
    EXPECT_EQ(rs->AbsolutePosition(), 4);
}

TEST_F(ResultSetTest, FindComparesValuesExactly)
{
    auto rs = people();
    EXPECT_EQ(rs->FindFirst("note", 5, 0), -1);  // a number never equals the text 5
    EXPECT_EQ(rs->FindFirst("note", "5", 0), 3);
    EXPECT_EQ(rs->FindFirst("Name", "BOB", 0), -1);
    EXPECT_EQ(rs->FindFirst("note", Variant::null(), 0), -1);
    EXPECT_EQ(rs->FindFirst("note", "", 0), 2);
    EXPECT_EQ(rs->FindFirst("no such column", "Ann", 0), -1);
    EXPECT_EQ(rs->FindFirst(4, "Ann", 0), -1);
    EXPECT_EQ(rs->AbsolutePosition(), 2);
    // Column names are matched trimmed and without regard to case, and that column is searched.
    EXPECT_EQ(rs->FindFirst("  NAME ", "Cy", 0), 3);
}

TEST_F(ResultSetTest, HtmlTableEscapesCellsAndKeepsThePosition)
{
    db.exec({"UPDATE people SET Name = '<script>alert(\"x&y\")</script>' WHERE id = 3",
             "UPDATE people SET note = '   ' WHERE id = 1", "UPDATE people SET note = NULL WHERE id = 3"});
    auto rs = connection.Execute("SELECT id, Name, note FROM people ORDER BY id");
    rs->MoveNext();
    EXPECT_EQ(rs->RsToHtmlTable(),
              "<table border=1>"
              "<tr><td>1</td><td>Ann</td><td>&nbsp;</td></tr>\r\n"
              "<tr><td>2</td><td>bob</td><td>&nbsp;</td></tr>\r\n"
              "<tr><td>3</td><td>&lt;script&gt;alert(&quot;x&amp;y&quot;)&lt;/script&gt;</td>"
              "<td>&nbsp;</td></tr>\r\n"
              "</table>\r\n");
    EXPECT_EQ(rs->AbsolutePosition(), 2);
    EXPECT_EQ(text(rs, "Name"), "bob");
}

TEST_F(ResultSetTest, RequeryRunsTheStatementAgain)
{
    auto rs = people();
    rs->MoveLast();
    db.exec({"INSERT INTO people VALUES (4, 'Dee', NULL, 0)"});
    connection.Execute("  ");
    rs->Requery();
    EXPECT_EQ(connection.QueryString(), rs->QueryString());
    EXPECT_EQ(rs->RecordCount(), 4);
    EXPECT_EQ(rs->AbsolutePosition(), 1);

    db.exec({"DROP TABLE people"});
    rs->Requery();
    EXPECT_EQ(connection.Error().Number(), 1146);
    EXPECT_EQ(rs->State(), 1);
}
