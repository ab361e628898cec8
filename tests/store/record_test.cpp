#include "store/record.h"

#include <gtest/gtest.h>

#include "support/test_support.h"

namespace tallyvane::store {
namespace {

using tallyvane::testing::TempDir;

// A small file with one table of the data file's shape and a log of every
// statement SQLite runs, so tests can see what the layer wrote.
class RecordTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(db_.open((dir_ / "t.vdb").string()).ok);
    ASSERT_TRUE(db_.exec("CREATE TABLE PayAccounts (ID INTEGER PRIMARY KEY, PayName TEXT, Notes TEXT, "
                         "Category INTEGER, Deleted INTEGER)"));
  }

  int Count(const std::string& sql) { return Query(db_, sql).int32(0, -1); }

  TempDir dir_;
  Db db_;
};

TEST_F(RecordTest, FirstKeyCreatesRecordKeysRowThenCounts) {
  Table payees(db_, "PayAccounts");
  EXPECT_EQ(payees.NextKey(), "1");
  EXPECT_EQ(QueryFirstText(db_, "SELECT NextKey FROM RecordKeys WHERE ListName = 'PayAccounts'"), "2");
  EXPECT_EQ(payees.NextKey(), "2");
  ASSERT_TRUE(db_.exec("UPDATE RecordKeys SET NextKey = '41' WHERE ListName = 'PayAccounts'"));
  EXPECT_EQ(payees.NextKey(), "41");
  EXPECT_EQ(QueryFirstText(db_, "SELECT NextKey FROM RecordKeys WHERE ListName = 'PayAccounts'"), "42");
  // Each table counts on its own.
  Table other(db_, "Budgets");
  EXPECT_EQ(other.NextKey(), "1");
}

TEST_F(RecordTest, KeysAreNeverReusedAfterDelete) {
  Table payees(db_, "PayAccounts");
  std::string first;
  {
    Record r;
    NewRecord(payees, r);
    r.SetText("PayName", "A");
    first = r.key();
  }
  ASSERT_TRUE(DeleteRow(payees, first));
  Record again;
  NewRecord(payees, again);
  EXPECT_NE(again.key(), first);
}

TEST_F(RecordTest, InsertWritesAllFieldsUpdateOnlyChanged) {
  Table payees(db_, "PayAccounts");
  Record r;
  NewRecord(payees, r);
  r.SetText("PayName", "Grocer");
  r.SetText("Notes", "weekly");
  r.SetInt("Category", 0);
  r.SetFlag("Deleted", false);
  EXPECT_EQ(SaveStatementText(r),
            "INSERT INTO PayAccounts (ID, PayName, Notes, Category, Deleted) VALUES ('1', 'Grocer', 'weekly', '0', '0')");
  ASSERT_TRUE(SaveRecord(r));
  EXPECT_FALSE(r.isDirty());
  EXPECT_EQ(r.storedKey(), "1");

  Record loaded;
  ASSERT_TRUE(LoadRecord(payees, loaded, "1"));
  loaded.SetText("Notes", "monthly");
  EXPECT_EQ(SaveStatementText(loaded), "UPDATE PayAccounts SET Notes = 'monthly' WHERE ID = '1'");
  ReleaseRecord(loaded);
  EXPECT_EQ(QueryFirstText(db_, "SELECT Notes FROM PayAccounts WHERE ID = 1"), "monthly");
  EXPECT_EQ(QueryFirstText(db_, "SELECT PayName FROM PayAccounts WHERE ID = 1"), "Grocer");
}

TEST_F(RecordTest, SettingTheSameValueLeavesRecordClean) {
  ASSERT_TRUE(db_.exec("INSERT INTO PayAccounts VALUES (7, 'Same', '', 0, 0)"));
  Table payees(db_, "PayAccounts");
  Record r;
  ASSERT_TRUE(LoadRecord(payees, r, "7"));
  r.SetText("PayName", "Same");
  r.SetInt("Category", 0);
  EXPECT_FALSE(r.isDirty());
  // A trigger would reveal any write at release.
  ASSERT_TRUE(db_.exec("CREATE TRIGGER NoWrites BEFORE UPDATE ON PayAccounts BEGIN SELECT RAISE(ABORT, 'x'); END"));
  const uint64_t failures = db_.writeFailures();
  ReleaseRecord(r);
  EXPECT_EQ(db_.writeFailures(), failures);
}

TEST_F(RecordTest, QuotesPercentBackslashAndUnicodeRoundTrip) {
  Table payees(db_, "PayAccounts");
  const std::string values[] = {"O'Brien", "100% 'sure'", "C:\\path\\", "Zoë – Ünïcødé ✓ 日本", "line\nbreak", "%s%Q%d"};
  std::vector<std::string> keys;
  for (const std::string& value : values) {
    Record r;
    NewRecord(payees, r);
    r.SetText("PayName", value);
    keys.push_back(r.key());
    if (value == "O'Brien") {
      EXPECT_NE(SaveStatementText(r).find("'O''Brien'"), std::string::npos);
    }
  }
  for (std::size_t i = 0; i < keys.size(); ++i) {
    Record r;
    ASSERT_TRUE(LoadRecord(payees, r, keys[i]));
    EXPECT_EQ(r.GetString("PayName"), values[i]);
  }
}

TEST_F(RecordTest, DuplicateNameCheckFindsQuotedNamesAndExcludesOwnRow) {
  ASSERT_TRUE(db_.exec("INSERT INTO PayAccounts VALUES (1, 'O''Brien', '', 0, 0), (2, 'Gone', '', 0, 1)"));
  constexpr std::string_view kFormat = "SELECT ID FROM PayAccounts WHERE PayName = '%s' AND Deleted = 0";
  EXPECT_EQ(FindDuplicateName(db_, kFormat, "O'Brien").value_or(""), "1");
  EXPECT_FALSE(FindDuplicateName(db_, kFormat, "O'Brien", std::nullopt, "1").has_value());
  EXPECT_FALSE(FindDuplicateName(db_, kFormat, "Gone").has_value());
  EXPECT_FALSE(FindDuplicateName(db_, kFormat, "o'brien").has_value());  // exact, with case
  EXPECT_FALSE(FindDuplicateName(db_, kFormat, "x' OR '1'='1").has_value());
}

TEST_F(RecordTest, FieldReadsTable) {
  ASSERT_TRUE(db_.exec("INSERT INTO PayAccounts VALUES (3, '12abc', '', NULL, '-7')"));
  Table payees(db_, "PayAccounts");
  Record r;
  ASSERT_TRUE(LoadRecord(payees, r, "3"));
  EXPECT_EQ(r.GetInt("PayName", 99), 12);
  EXPECT_EQ(r.GetInt("Notes", 99), 0);      // empty reads 0
  EXPECT_EQ(r.GetInt("Category", 99), 0);   // NULL reads as empty
  EXPECT_EQ(r.GetInt("Missing", 99), 99);   // absent gives the default
  EXPECT_EQ(r.GetInt("Deleted"), -7);
  EXPECT_TRUE(r.GetFlag("Deleted"));
  EXPECT_TRUE(r.GetFlag("Missing", true));
  EXPECT_EQ(r.GetInt64("Missing"), 0);
  EXPECT_DOUBLE_EQ(r.GetReal("Notes"), 0.75);
  EXPECT_EQ(r.GetText("Missing", "dflt"), "dflt");
  EXPECT_FALSE(r.hasField("ID"));  // the key column is the record's key
  EXPECT_EQ(r.key(), "3");
}

TEST_F(RecordTest, TextReadsAreCutAt259Characters) {
  Table payees(db_, "PayAccounts");
  std::string longName;
  for (int i = 0; i < 300; ++i) longName += "é";
  {
    Record r;
    NewRecord(payees, r);
    r.SetText("PayName", longName);
  }
  Record r;
  ASSERT_TRUE(LoadRecord(payees, r, "1"));
  EXPECT_EQ(r.GetText("PayName").size(), 259u * 2);
  EXPECT_EQ(r.GetString("PayName"), longName);
}

TEST_F(RecordTest, CursorOverEmptyTableIsDoneAtOnce) {
  Table payees(db_, "PayAccounts");
  Record r;
  Cursor cursor(payees, r);
  EXPECT_TRUE(cursor.done());
  EXPECT_FALSE(r.isBound());
}

TEST_F(RecordTest, CursorSavesEachRowBeforeStepping) {
  ASSERT_TRUE(db_.exec("INSERT INTO PayAccounts VALUES (1, 'a', '', 0, 0), (2, 'b', '', 0, 0), (3, 'c', '', 0, 0)"));
  Table payees(db_, "PayAccounts");
  Record r;
  int rows = 0;
  for (Cursor cursor(payees, r); !cursor.done(); cursor.next()) {
    r.SetText("Notes", "seen");
    ++rows;
  }
  EXPECT_EQ(rows, 3);
  EXPECT_EQ(Count("SELECT COUNT(*) FROM PayAccounts WHERE Notes = 'seen'"), 3);
}

TEST_F(RecordTest, LoadOrPrepareInsertsUnderTheGivenKey) {
  Table payees(db_, "PayAccounts");
  {
    Record r;
    LoadOrPrepareRecord(payees, r, "55");
    EXPECT_TRUE(r.storedKey().empty());
    r.SetText("PayName", "New");
  }
  EXPECT_TRUE(RowExists(payees, "55"));
  EXPECT_FALSE(RowExists(payees, "56"));
  EXPECT_EQ(QueryFirstText(db_, "SELECT PayName FROM PayAccounts WHERE ID = '55'"), "New");
}

TEST_F(RecordTest, LoadActiveTreatsDeletedAndMissingFlagAsConfigured) {
  ASSERT_TRUE(db_.exec("INSERT INTO PayAccounts VALUES (1, 'live', '', 0, 0), (2, 'gone', '', 0, 1)"));
  ASSERT_TRUE(db_.exec("CREATE TABLE Plain (ID INTEGER PRIMARY KEY, Name TEXT)"));
  ASSERT_TRUE(db_.exec("INSERT INTO Plain VALUES (1, 'x')"));
  Table payees(db_, "PayAccounts");
  Table plain(db_, "Plain");
  Record r;
  EXPECT_TRUE(LoadActiveRecord(payees, r, "1", false, true));
  EXPECT_FALSE(LoadActiveRecord(payees, r, "2", false, true));
  EXPECT_TRUE(r.isBound());
  EXPECT_TRUE(r.key().empty());
  EXPECT_EQ(r.fieldCount(), 0u);
  EXPECT_TRUE(LoadActiveRecord(payees, r, "2", true, true));
  EXPECT_FALSE(LoadActiveRecord(plain, r, "1", false, true));
  EXPECT_TRUE(LoadActiveRecord(plain, r, "1", false, false));
  EXPECT_FALSE(LoadActiveRecord(payees, r, "99", true, false));
}

TEST_F(RecordTest, BytesFieldsAreBoundNotQuoted) {
  ASSERT_TRUE(db_.exec("CREATE TABLE Blobs (ID INTEGER PRIMARY KEY, Data BLOB, Name TEXT)"));
  Table blobs(db_, "Blobs");
  const std::string bytes("\x00\x01'\xff", 4);
  {
    Record r;
    NewRecord(blobs, r);
    r.SetBytes("Data", bytes);
    r.SetText("Name", "n");
  }
  Record r;
  ASSERT_TRUE(LoadRecord(blobs, r, "1"));
  EXPECT_EQ(r.GetBytes("Data").value_or(""), bytes);
  EXPECT_EQ(r.GetText("Data", "x"), "");  // a bytes field reads as empty text
  r.SetText("Data", "refused");           // text cannot replace bytes
  EXPECT_FALSE(r.isDirty());
  r.SetBytes("Data", "new");
  EXPECT_EQ(SaveStatementText(r), "UPDATE Blobs SET Data = ? WHERE ID = '1'");
  ASSERT_TRUE(SaveRecord(r));
  Record again;
  ASSERT_TRUE(LoadRecord(blobs, again, "1"));
  EXPECT_EQ(again.GetBytes("Data").value_or(""), "new");
}

TEST_F(RecordTest, ProtectedLegacyValueIsRewrittenOnRelease) {
  ASSERT_TRUE(db_.exec("INSERT INTO PayAccounts VALUES (1, 'p', 'plain secret', 0, 0)"));
  Table payees(db_, "PayAccounts");
  {
    Record r;
    ASSERT_TRUE(LoadRecord(payees, r, "1"));
    EXPECT_EQ(r.GetProtected("Notes"), "plain secret");
    EXPECT_TRUE(r.isDirty());
  }
  const std::string stored = QueryFirstText(db_, "SELECT Notes FROM PayAccounts WHERE ID = 1");
  ASSERT_FALSE(stored.empty());
  EXPECT_EQ(stored.front(), '.');
  Record r;
  ASSERT_TRUE(LoadRecord(payees, r, "1"));
  EXPECT_EQ(r.GetProtected("Notes"), "plain secret");
  EXPECT_FALSE(r.isDirty());  // already protected: nothing to rewrite
}

TEST_F(RecordTest, FailedWriteIsReportedAndGuardRollsBackEveryRow) {
  // A fault injected at the second of three rows.
  ASSERT_TRUE(db_.exec("CREATE TRIGGER Fault BEFORE INSERT ON PayAccounts WHEN NEW.PayName = 'second' "
                       "BEGIN SELECT RAISE(ABORT, 'injected fault'); END"));
  Table payees(db_, "PayAccounts");
  {
    WriteGuard guard(db_);
    for (const char* name : {"first", "second", "third"}) {
      Record r;
      NewRecord(payees, r);
      r.SetText("PayName", name);
      const bool saved = SaveRecord(r);
      EXPECT_EQ(saved, std::string(name) != "second") << name;
      EXPECT_FALSE(r.isDirty());  // cleared whatever the outcome
    }
    const Status committed = guard.commit();
    EXPECT_FALSE(committed.ok);
    EXPECT_TRUE(committed.fileError);
    EXPECT_NE(committed.message.find("injected fault"), std::string::npos);
  }
  EXPECT_EQ(Count("SELECT COUNT(*) FROM PayAccounts"), 0);
  // The key counter (and the table made for it) rolled back with the rows.
  EXPECT_EQ(Count("SELECT COUNT(*) FROM sqlite_master WHERE name = 'RecordKeys'"), 0);
}

TEST_F(RecordTest, NestedGuardsAreSavepoints) {
  Table payees(db_, "PayAccounts");
  {
    WriteGuard outer(db_);
    {
      Record r;
      NewRecord(payees, r);
      r.SetText("PayName", "kept");
    }
    {
      WriteGuard inner(db_);
      Record r;
      NewRecord(payees, r);
      r.SetText("PayName", "dropped");
      ReleaseRecord(r);
      inner.rollback();
    }
    EXPECT_TRUE(outer.commit().ok);
  }
  EXPECT_EQ(Count("SELECT COUNT(*) FROM PayAccounts"), 1);
  EXPECT_EQ(QueryFirstText(db_, "SELECT PayName FROM PayAccounts"), "kept");
}

TEST_F(RecordTest, GuardWithoutCommitRollsBack) {
  {
    WriteGuard guard(db_);
    ASSERT_TRUE(db_.exec("INSERT INTO PayAccounts VALUES (1, 'x', '', 0, 0)"));
  }
  EXPECT_EQ(Count("SELECT COUNT(*) FROM PayAccounts"), 0);
}

TEST_F(RecordTest, LockedFileFailsPastBusyTimeout) {
  Db other;
  ASSERT_TRUE(other.open((dir_ / "t.vdb").string(), 50).ok);
  ASSERT_TRUE(db_.exec("BEGIN EXCLUSIVE"));
  Table payees(other, "PayAccounts");
  {
    WriteGuard guard(other);
    Record r;
    NewRecord(payees, r);
    r.SetText("PayName", "blocked");
    ReleaseRecord(r);
    EXPECT_FALSE(guard.commit().ok);
  }
  ASSERT_TRUE(db_.exec("COMMIT"));
  EXPECT_EQ(Count("SELECT COUNT(*) FROM PayAccounts"), 0);
}

TEST_F(RecordTest, QueryReadsColumnsAndStopsAtEnd) {
  ASSERT_TRUE(db_.exec("INSERT INTO PayAccounts VALUES (1, 'a', NULL, 5, 0), (2, 'b', '', 6, 0)"));
  Query q(db_, "SELECT PayName, Notes, Category FROM PayAccounts ORDER BY ID");
  ASSERT_EQ(q.columnCount(), 3);
  EXPECT_EQ(q.columnName(2), "Category");
  EXPECT_EQ(q.text(1, "null"), "null");
  EXPECT_EQ(q.text(5, "out"), "out");
  EXPECT_EQ(q.int32(2), 5);
  q.next();
  EXPECT_EQ(q.text(0), "b");
  q.next();
  EXPECT_EQ(q.columnCount(), 0);
  Query bad(db_, "SELECT nonsense FROM nowhere");
  EXPECT_EQ(bad.columnCount(), 0);
}

}  // namespace
}  // namespace tallyvane::store
