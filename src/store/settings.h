// Per-user and machine-wide named values by section ("Settings", "MainWindow",
// "Setting", "Backup", "Email"): the program's "registry". Numbers are stored
// as decimal strings. The INI store keeps one [Section] per section and writes
// through a temporary file and a rename, so a crash never leaves half a file.
// The window program and the command-line tool share the file: a write reads
// the file afresh under a lock and changes only its own key, and a read sees
// what the other program wrote meanwhile. The file is the user's alone (0600
// in a 0700 folder): it holds the protected mail password.
#pragma once

#include <filesystem>
#include <map>
#include <string>
#include <string_view>

namespace tallyvane::store {

class Settings {
 public:
  virtual ~Settings() = default;
  // The per-user value; empty when absent.
  [[nodiscard]] virtual std::string readString(std::string_view section, std::string_view name) const = 0;
  // The machine-wide value; empty when absent.
  [[nodiscard]] virtual std::string readMachineString(std::string_view section, std::string_view name) const = 0;
  virtual bool writeString(std::string_view section, std::string_view name, std::string_view value) = 0;
  virtual bool remove(std::string_view section, std::string_view name) = 0;

  // Decimal number, `fallback` when absent or empty.
  [[nodiscard]] long long readInt(std::string_view section, std::string_view name, long long fallback = 0) const;
  bool writeInt(std::string_view section, std::string_view name, long long value);
};

class IniSettings final : public Settings {
 public:
  IniSettings(std::filesystem::path userFile, std::filesystem::path machineFile);

  [[nodiscard]] std::string readString(std::string_view section, std::string_view name) const override;
  [[nodiscard]] std::string readMachineString(std::string_view section, std::string_view name) const override;
  bool writeString(std::string_view section, std::string_view name, std::string_view value) override;
  bool remove(std::string_view section, std::string_view name) override;

  [[nodiscard]] const std::filesystem::path& userFile() const { return userFile_; }

 private:
  using Sections = std::map<std::string, std::map<std::string, std::string>, std::less<>>;
  // Which version of the file was read: a write by anyone changes it.
  struct Stamp {
    unsigned long long inode = 0;
    long long size = -1;
    long long modifiedNs = 0;
    friend bool operator==(const Stamp&, const Stamp&) = default;
  };
  static Sections Load(const std::filesystem::path& file);
  static Stamp StampOf(const std::filesystem::path& file);
  // The file read again when it changed since it was last read.
  void refresh() const;
  // Reads the file afresh under the folder's lock, applies `change`, writes
  // it back; false when it could not be written (the change is then kept in
  // memory only).
  template <typename Change>
  bool update(Change change);

  std::filesystem::path userFile_;
  std::filesystem::path machineFile_;
  mutable Sections user_;
  mutable Stamp stamp_;
  Sections machine_;
};

// Settings kept in memory only, for tests and tools.
class MemorySettings final : public Settings {
 public:
  [[nodiscard]] std::string readString(std::string_view section, std::string_view name) const override;
  [[nodiscard]] std::string readMachineString(std::string_view section, std::string_view name) const override;
  bool writeString(std::string_view section, std::string_view name, std::string_view value) override;
  bool remove(std::string_view section, std::string_view name) override;
  void setMachine(std::string_view section, std::string_view name, std::string_view value);

 private:
  std::map<std::string, std::string, std::less<>> user_;
  std::map<std::string, std::string, std::less<>> machine_;
};

}  // namespace tallyvane::store
