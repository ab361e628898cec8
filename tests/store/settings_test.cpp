#include "store/settings.h"

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace tallyvane::store
