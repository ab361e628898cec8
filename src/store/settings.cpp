#include "store/settings.h"


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
  user_ = Load(userFile_);
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

std::string IniSettings::readString(std::string_view section, std::string_view name) const {
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
  user_[std::string(section)][std::string(name)] = std::string(value);
  return store();
}

bool IniSettings::remove(std::string_view section, std::string_view name) {
  const auto s = user_.find(section);
  if (s == user_.end()) return true;
  s->second.erase(std::string(name));
  return store();
}

bool IniSettings::store() const {
  std::error_code ec;
  std::filesystem::create_directories(userFile_.parent_path(), ec);
  std::ostringstream text;
  for (const auto& [section, values] : user_) {
    if (values.empty()) continue;
    text << '[' << section << "]\n";
    for (const auto& [name, value] : values) text << Escape(name) << '=' << Escape(value) << '\n';
    text << '\n';
  }
  const std::filesystem::path temp = userFile_.string() + ".tmp";
  {
    std::ofstream out(temp, std::ios::trunc | std::ios::binary);
    if (!out) return false;
    out << text.str();
    out.flush();
    if (!out) {
      std::filesystem::remove(temp, ec);
      return false;
    }
  }
  std::filesystem::rename(temp, userFile_, ec);
  if (ec) {
    std::filesystem::remove(temp, ec);
    return false;
  }
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
