#include "store/settings.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>

#include "support/test_support.h"

namespace tallyvane::store {
namespace {

using tallyvane::testing::TempDir;

TEST(IniSettings, ValuesSurviveAReopenWithAwkwardText) {
  TempDir dir;
  const auto file = dir / "cfg" / "Tallyvane.conf";
  {
    IniSettings settings(file, {});
    EXPECT_EQ(settings.readInt("Settings", "UpdatePack", 7), 7);
    ASSERT_TRUE(settings.writeInt("Settings", "UpdatePack", 4));
    ASSERT_TRUE(settings.writeString("Email", "Server", "smtp.example.org"));
    ASSERT_TRUE(settings.writeString("Backup", "Folder", "C:\\x = y\nline two; [not a section]"));
  }
  IniSettings settings(file, {});
  EXPECT_EQ(settings.readInt("Settings", "UpdatePack"), 4);
  EXPECT_EQ(settings.readString("Email", "Server"), "smtp.example.org");
  EXPECT_EQ(settings.readString("Backup", "Folder"), "C:\\x = y\nline two; [not a section]");
  EXPECT_EQ(settings.readString("Backup", "Missing"), "");
  ASSERT_TRUE(settings.remove("Email", "Server"));
  EXPECT_EQ(IniSettings(file, {}).readString("Email", "Server"), "");
  EXPECT_FALSE(std::filesystem::exists(file.string() + ".tmp"));
}

TEST(IniSettings, MachineWideValuesAreSeparate) {
  TempDir dir;
  std::ofstream(dir / "machine.conf") << "[Settings]\nInstallerPath=/opt/tallyvane/bin\n";
  IniSettings settings(dir / "user.conf", dir / "machine.conf");
  EXPECT_EQ(settings.readString("Settings", "InstallerPath"), "");
  EXPECT_EQ(settings.readMachineString("Settings", "InstallerPath"), "/opt/tallyvane/bin");
}

TEST(IniSettings, UnwritableFileReportsFailure) {
  TempDir dir;
  std::ofstream(dir / "blocker") << "x";
  IniSettings settings(dir / "blocker" / "Tallyvane.conf", {});
  EXPECT_FALSE(settings.writeString("Settings", "A", "1"));
}

TEST(IniSettings, TwoProgramsOnOneFileKeepEachOthersValues) {
  // The window program has the file open; the command-line tool writes a
  // value meanwhile, then the window program writes its own.
  TempDir dir;
  const auto file = dir / "cfg" / "Tallyvane.conf";
  IniSettings window(file, {});
  ASSERT_TRUE(window.writeString("MainWindow", "X", "10"));
  IniSettings tool(file, {});
  ASSERT_TRUE(tool.writeString("Online", "CaFile", "/etc/bank-ca.pem"));
  ASSERT_TRUE(window.writeString("MainWindow", "Y", "20"));
  EXPECT_EQ(window.readString("Online", "CaFile"), "/etc/bank-ca.pem") << "a read sees the other's write";
  ASSERT_TRUE(tool.remove("MainWindow", "X"));
  ASSERT_TRUE(window.writeString("Setting", "LastBackup", "5"));

  const IniSettings reopened(file, {});
  EXPECT_EQ(reopened.readString("Online", "CaFile"), "/etc/bank-ca.pem");
  EXPECT_EQ(reopened.readString("MainWindow", "X"), "") << "a removal by the other stays removed";
  EXPECT_EQ(reopened.readString("MainWindow", "Y"), "20");
  EXPECT_EQ(reopened.readString("Setting", "LastBackup"), "5");
}

TEST(IniSettings, WritersInSeveralProcessesLoseNothing) {
  TempDir dir;
  const auto file = dir / "cfg" / "Tallyvane.conf";
  constexpr int kWriters = 4;
  constexpr int kValues = 25;
  std::vector<pid_t> children;
  for (int w = 0; w < kWriters; ++w) {
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      // Each opened before the others wrote, as two running programs are.
      IniSettings settings(file, {});
      bool ok = true;
      for (int v = 0; v < kValues; ++v) {
        ok = settings.writeInt("Writer" + std::to_string(w), "V" + std::to_string(v), v) && ok;
      }
      _exit(ok ? 0 : 1);
    }
    children.push_back(pid);
  }
  for (pid_t child : children) {
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  const IniSettings reopened(file, {});
  int present = 0;
  for (int w = 0; w < kWriters; ++w) {
    for (int v = 0; v < kValues; ++v) {
      present += reopened.readInt("Writer" + std::to_string(w), "V" + std::to_string(v), -1) == v ? 1 : 0;
    }
  }
  EXPECT_EQ(present, kWriters * kValues);
}

TEST(IniSettings, TheFileAndItsFolderAreTheUsersAlone) {
  struct Case {
    const char* name;
    bool existing;  // an earlier version made both readable to all
  };
  for (const Case c : {Case{"made by the write", false}, Case{"tightened on the next write", true}}) {
    TempDir dir;
    const auto folder = dir / "cfg";
    const auto file = folder / "Tallyvane.conf";
    if (c.existing) {
      std::filesystem::create_directories(folder);
      std::ofstream(file) << "[Email]\nPassword=protected\n";
      ASSERT_EQ(::chmod(folder.c_str(), 0755), 0);
      ASSERT_EQ(::chmod(file.c_str(), 0644), 0);
    }
    IniSettings settings(file, {});
    ASSERT_TRUE(settings.writeString("Settings", "A", "1")) << c.name;
    struct stat info {};
    ASSERT_EQ(::stat(folder.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u) << c.name;
    ASSERT_EQ(::stat(file.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u) << c.name;
    EXPECT_EQ(IniSettings(file, {}).readString("Email", "Password"), c.existing ? "protected" : "") << c.name;
  }
}

}  // namespace
}  // namespace tallyvane::store
