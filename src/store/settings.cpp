#include "store/settings.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <sstream>

#include "store/text.h"

namespace tallyvane::store {

namespace {

// Values may hold any text; line breaks and backslashes are escaped so one
// value stays on one line.
std::string Escape(std::string_view value) {
  std::string out;
  for (char c : value) {
    switch (c) {
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      default: out.push_back(c);
    }
  }
  return out;
}

std::string Unescape(std::string_view value) {
  std::string out;
  for (std::size_t i = 0; i < value.size(); ++i) {
    if (value[i] == '\\' && i + 1 < value.size()) {
      const char n = value[++i];
      out.push_back(n == 'n' ? '\n' : n == 'r' ? '\r' : n);
    } else {
      out.push_back(value[i]);
    }
  }
  return out;
}

std::string Joined(std::string_view section, std::string_view name) {
  std::string key(section);
  key.push_back('\n');
  key += name;
  return key;
}

}  // namespace

long long Settings::readInt(std::string_view section, std::string_view name, long long fallback) const {
  const std::string value = readString(section, name);
  if (value.empty()) return fallback;
  return ParseInt64Prefix(value);
}

bool Settings::writeInt(std::string_view section, std::string_view name, long long value) {
  return writeString(section, name, std::to_string(value));
}

IniSettings::IniSettings(std::filesystem::path userFile, std::filesystem::path machineFile)
    : userFile_(std::move(userFile)), machineFile_(std::move(machineFile)) {
  refresh();
  if (!machineFile_.empty()) machine_ = Load(machineFile_);
}

IniSettings::Sections IniSettings::Load(const std::filesystem::path& file) {
  Sections sections;
  std::ifstream in(file);
  if (!in) return sections;
  std::string line;
  std::string current;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line[0] == ';' || line[0] == '#') continue;
    if (line.front() == '[' && line.back() == ']') {
      current = line.substr(1, line.size() - 2);
      continue;
    }
    const auto equals = line.find('=');
    if (equals == std::string::npos) continue;
    sections[current][Unescape(line.substr(0, equals))] = Unescape(line.substr(equals + 1));
  }
  return sections;
}

IniSettings::Stamp IniSettings::StampOf(const std::filesystem::path& file) {
  struct stat info {};
  if (::stat(file.c_str(), &info) != 0) return {};
  return {static_cast<unsigned long long>(info.st_ino), static_cast<long long>(info.st_size),
          static_cast<long long>(info.st_mtim.tv_sec) * 1000000000LL + info.st_mtim.tv_nsec};
}

void IniSettings::refresh() const {
  const Stamp now = StampOf(userFile_);
  if (now == stamp_) return;
  // A file that is gone reads as empty, like one never written.
  user_ = Load(userFile_);
  stamp_ = now;
}

std::string IniSettings::readString(std::string_view section, std::string_view name) const {
  refresh();
  const auto s = user_.find(section);
  if (s == user_.end()) return {};
  const auto v = s->second.find(std::string(name));
  return v == s->second.end() ? std::string{} : v->second;
}

std::string IniSettings::readMachineString(std::string_view section, std::string_view name) const {
  const auto s = machine_.find(section);
  if (s == machine_.end()) return {};
  const auto v = s->second.find(std::string(name));
  return v == s->second.end() ? std::string{} : v->second;
}

bool IniSettings::writeString(std::string_view section, std::string_view name, std::string_view value) {
  return update([&](Sections& sections) { sections[std::string(section)][std::string(name)] = std::string(value); });
}

bool IniSettings::remove(std::string_view section, std::string_view name) {
  return update([&](Sections& sections) {
    const auto s = sections.find(section);
    if (s != sections.end()) s->second.erase(std::string(name));
  });
}

namespace {

// Holds the settings folder's lock: writers of the file take turns.
class FolderLock {
 public:
  explicit FolderLock(const std::filesystem::path& folder)
      : fd_(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {
    if (fd_ >= 0 && ::flock(fd_, LOCK_EX) != 0) {
      ::close(fd_);
      fd_ = -1;
    }
  }
  FolderLock(const FolderLock&) = delete;
  FolderLock& operator=(const FolderLock&) = delete;
  ~FolderLock() {
    if (fd_ >= 0) ::close(fd_);  // closing releases the lock
  }
  [[nodiscard]] bool held() const { return fd_ >= 0; }

 private:
  int fd_;
};

bool WriteAll(int fd, const std::string& text) {
  std::size_t written = 0;
  while (written < text.size()) {
    const ssize_t n = ::write(fd, text.data() + written, text.size() - written);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    written += static_cast<std::size_t>(n);
  }
  return true;
}

}  // namespace

template <typename Change>
bool IniSettings::update(Change change) {
  const std::filesystem::path folder = userFile_.parent_path().empty() ? "." : userFile_.parent_path();
  std::error_code ec;
  if (!std::filesystem::is_directory(folder, ec)) {
    std::filesystem::create_directories(folder, ec);
  }
  // The user's alone, also when an earlier version made it readable to all.
  struct stat info {};
  if (!userFile_.parent_path().empty() && ::stat(folder.c_str(), &info) == 0 && (info.st_mode & 077) != 0 &&
      info.st_uid == ::geteuid()) {
    ::chmod(folder.c_str(), info.st_mode & 0700);
  }

  const FolderLock lock(folder);
  // What the other program wrote meanwhile stays: the file is read again and
  // only this change is made to it.
  Sections fresh = lock.held() ? Load(userFile_) : user_;
  change(fresh);
  user_ = fresh;
  if (!lock.held()) return false;

  std::ostringstream text;
  for (const auto& [section, values] : fresh) {
    if (values.empty()) continue;
    text << '[' << section << "]\n";
    for (const auto& [name, value] : values) text << Escape(name) << '=' << Escape(value) << '\n';
    text << '\n';
  }
  const std::filesystem::path temp = userFile_.string() + ".tmp";
  const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd < 0) return false;
  // A temporary left by an earlier version may carry wider bits.
  bool written = ::fchmod(fd, 0600) == 0 && WriteAll(fd, text.str()) && ::fsync(fd) == 0;
  written = ::close(fd) == 0 && written;
  if (!written || ::rename(temp.c_str(), userFile_.c_str()) != 0) {
    ::unlink(temp.c_str());
    return false;
  }
  stamp_ = StampOf(userFile_);
  return true;
}

std::string MemorySettings::readString(std::string_view section, std::string_view name) const {
  const auto v = user_.find(Joined(section, name));
  return v == user_.end() ? std::string{} : v->second;
}

std::string MemorySettings::readMachineString(std::string_view section, std::string_view name) const {
  const auto v = machine_.find(Joined(section, name));
  return v == machine_.end() ? std::string{} : v->second;
}

bool MemorySettings::writeString(std::string_view section, std::string_view name, std::string_view value) {
  user_[Joined(section, name)] = std::string(value);
  return true;
}

bool MemorySettings::remove(std::string_view section, std::string_view name) {
  user_.erase(Joined(section, name));
  return true;
}

void MemorySettings::setMachine(std::string_view section, std::string_view name, std::string_view value) {
  machine_[Joined(section, name)] = std::string(value);
}

}  // namespace tallyvane::store
