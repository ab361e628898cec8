#include "store/files.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <vector>

#include "store/data_context.h"
#include "store/db.h"
#include "store/record.h"
#include "support/test_support.h"

namespace tallyvane::store {
namespace {

using tallyvane::testing::TempDir;
using tallyvane::testing::TestData;

std::string Slurp(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

int CountMarkers(const std::filesystem::path& file) {
  Db db;
  if (!db.open(file.string())) return -1;
  return Query(db, "SELECT COUNT(*) FROM Marker").int32(0, -1);
}

TEST(RetryWhileBusy, WaitsDoubleWhileBelowWhatRemainsOfTheBudget) {
  struct Case {
    const char* name;
    RetrySchedule schedule;
    int busyAttempts;  // -1: always busy
    Attempt last;
    std::vector<int> waits;
    bool done;
  };
  const Case cases[] = {
      {"install copy, always busy", {8, 1000}, -1, Attempt::Busy, {8, 16, 32, 64, 128, 256}, false},
      {"restore move, always busy", {24, 3000}, -1, Attempt::Busy, {24, 48, 96, 192, 384, 768}, false},
      {"busy twice, then done", {8, 1000}, 2, Attempt::Done, {8, 16}, true},
      {"busy once, then another failure", {8, 1000}, 1, Attempt::Failed, {8}, false},
      {"done at once", {8, 1000}, 0, Attempt::Done, {}, true},
  };
  for (const Case& c : cases) {
    int attempts = 0;
    std::vector<int> waits;
    const bool done = RetryWhileBusy(
        [&] { return c.busyAttempts < 0 || attempts++ < c.busyAttempts ? Attempt::Busy : c.last; }, c.schedule,
        [&](int ms) { waits.push_back(ms); });
    EXPECT_EQ(waits, c.waits) << c.name;
    EXPECT_EQ(done, c.done) << c.name;
  }
}

TEST(CopyFileDurably, CopiesEveryByteAndLeavesTheTargetAloneOnFailure) {
  TempDir dir;
  std::string bytes(9u << 20, '\0');  // more than one copy chunk
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>((i * 131) % 251);
  std::ofstream(dir / "source", std::ios::binary) << bytes;
  std::error_code error;
  std::uintmax_t reported = 0;
  ASSERT_TRUE(CopyFileDurably(dir / "source", dir / "copy", error, [&](std::uintmax_t done) {
    reported = done;
    return true;
  })) << error.message();
  EXPECT_EQ(Slurp(dir / "copy"), bytes);
  EXPECT_EQ(reported, bytes.size());

  std::ofstream(dir / "kept", std::ios::binary) << "earlier";
  EXPECT_FALSE(CopyFileDurably(dir / "missing", dir / "kept", error));
  EXPECT_FALSE(CopyFileDurably(dir / "source", dir / "kept", error, [](std::uintmax_t) { return false; }));
  EXPECT_EQ(error, std::errc::operation_canceled);
  EXPECT_EQ(Slurp(dir / "kept"), "earlier");
  EXPECT_FALSE(std::filesystem::exists(dir / "kept.part"));
}

TEST(SnapshotDatabase, CopiesWhatIsCommittedWhileAnotherConnectionWrites) {
  TempDir dir;
  Db writer;
  ASSERT_TRUE(writer.open((dir / "live.vdb").string()).ok);
  ASSERT_TRUE(writer.exec("CREATE TABLE Marker (N INTEGER); INSERT INTO Marker VALUES (1)"));
  ASSERT_TRUE(writer.exec("BEGIN IMMEDIATE; INSERT INTO Marker VALUES (2)"));

  std::string error;
  ASSERT_TRUE(SnapshotDatabase(dir / "live.vdb", dir / "copy.vdb", 0, error)) << error;
  EXPECT_EQ(CountMarkers(dir / "copy.vdb"), 1);
  ASSERT_TRUE(writer.exec("COMMIT"));
  ASSERT_TRUE(SnapshotDatabase(dir / "live.vdb", dir / "copy.vdb", 0, error)) << error;
  EXPECT_EQ(CountMarkers(dir / "copy.vdb"), 2);
}

TEST(SnapshotDatabase, RefusesAFileThatIsNoDatabaseAndKeepsTheTarget) {
  TempDir dir;
  std::ofstream(dir / "junk.vdb") << std::string(4096, 'x');
  std::ofstream(dir / "target.vdb") << "earlier";
  std::string error;
  EXPECT_FALSE(SnapshotDatabase(dir / "junk.vdb", dir / "target.vdb", 0, error));
  EXPECT_FALSE(error.empty());
  EXPECT_FALSE(SnapshotDatabase(dir / "missing.vdb", dir / "target.vdb", 0, error));
  EXPECT_EQ(Slurp(dir / "target.vdb"), "earlier");
  EXPECT_FALSE(std::filesystem::exists(dir / "target.vdb.part"));
}

// A child process that holds the file under `begin` until it is killed.
class LockingChild {
 public:
  LockingChild(const std::filesystem::path& file, const char* begin) {
    int fds[2];
    if (::pipe(fds) != 0) return;
    pid_ = ::fork();
    if (pid_ == 0) {
      ::close(fds[0]);
      Db db;
      const bool held = db.open(file.string()).ok && db.exec(begin) && db.exec("SELECT COUNT(*) FROM sqlite_master");
      const char answer = held ? 'y' : 'n';
      if (::write(fds[1], &answer, 1) != 1) ::_exit(1);
      for (;;) ::pause();
    }
    ::close(fds[1]);
    char answer = 'n';
    held_ = ::read(fds[0], &answer, 1) == 1 && answer == 'y';
    ::close(fds[0]);
  }
  ~LockingChild() { release(); }
  void release() {
    if (pid_ <= 0) return;
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
    pid_ = -1;
  }
  [[nodiscard]] bool held() const { return held_; }

 private:
  pid_t pid_ = -1;
  bool held_ = false;
};

TEST(IsDataFile, RefusesAFileAnotherProcessHoldsLocked) {
  TestData data;
  TempDir backup;
  std::filesystem::copy_file(data.paths().dataFile(), backup / "tallyvane.vdb");
  for (const char* begin : {"BEGIN IMMEDIATE", "BEGIN EXCLUSIVE", "BEGIN; SELECT COUNT(*) FROM AccountTypes"}) {
    LockingChild child(backup / "tallyvane.vdb", begin);
    ASSERT_TRUE(child.held()) << begin;
    EXPECT_TRUE(IsLockedByAnotherProcess(backup / "tallyvane.vdb")) << begin;
    EXPECT_FALSE(IsDataFile(data.paths(), backup.path())) << begin;
    child.release();
    EXPECT_FALSE(IsLockedByAnotherProcess(backup / "tallyvane.vdb")) << begin;
    EXPECT_TRUE(IsDataFile(data.paths(), backup.path())) << begin;
  }
  EXPECT_FALSE(std::filesystem::exists(data.paths().restoreTestCopy()));
}

TEST(ExchangePaths, SwapsTwoFoldersInOneStep) {
  TempDir dir;
  std::filesystem::create_directories(dir / "a");
  std::filesystem::create_directories(dir / "b");
  std::ofstream(dir / "a" / "name") << "a";
  std::ofstream(dir / "b" / "name") << "b";
  std::error_code error;
  bool atomic = false;
  ASSERT_TRUE(ExchangePaths(dir / "a", dir / "b", error, &atomic)) << error.message();
  EXPECT_EQ(Slurp(dir / "a" / "name"), "b");
  EXPECT_EQ(Slurp(dir / "b" / "name"), "a");
  EXPECT_FALSE(ExchangePaths(dir / "a", dir / "missing", error));
  EXPECT_EQ(Slurp(dir / "a" / "name"), "b");
}

}  // namespace
}  // namespace tallyvane::store
