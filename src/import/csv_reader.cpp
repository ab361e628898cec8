#include "import/csv_reader.h"

#include <cerrno>
#include <chrono>
#include <fstream>
#include <thread>

#include "store/text.h"

namespace tallyvane::import {

namespace {

constexpr std::string_view kOpenTitle = "Error opening file";
constexpr std::string_view kOpenMessage =
    "The file you have selected could not be opened for reading. Please close any other applications that may be "
    "using it.";

// CSV files are read whole; anything this large is not a statement export.
constexpr std::uintmax_t kCsvFileLimit = 512u * 1024 * 1024;

bool ReadWhole(const std::filesystem::path& path, std::string& bytes) {
  // A file another program holds is retried for up to 5 s: waits of 40 ms,
  // doubling while the next wait still fits.
  int budget = 5000;
  int wait = 40;
  while (true) {
    std::ifstream in(path, std::ios::binary);
    if (in) {
      bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
      return !in.bad();
    }
    if (errno != EBUSY && errno != EAGAIN && errno != ETXTBSY) return false;
    if (wait > budget) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(wait));
    budget -= wait;
    wait *= 2;
  }
}

}  // namespace

store::Status CsvReader::open(const std::filesystem::path& path) {
  close();
  std::error_code ec;
  const auto size = std::filesystem::file_size(path, ec);
  std::string bytes;
  if (ec || !std::filesystem::is_regular_file(path, ec) || size > kCsvFileLimit || !ReadWhole(path, bytes)) {
    return store::Status::Fail(std::string(kOpenMessage), std::string(kOpenTitle));
  }
  if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF && static_cast<unsigned char>(bytes[1]) == 0xFE) {
    std::u16string units;
    units.reserve(bytes.size() / 2);
    for (std::size_t i = 2; i + 1 < bytes.size(); i += 2) {
      units.push_back(static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                            (static_cast<unsigned char>(bytes[i + 1]) << 8)));
    }
    text_ = store::Utf16ToUtf8(units);
  } else if (bytes.size() >= 3 && bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) {
    text_ = bytes.substr(3);
  } else {
    text_ = std::move(bytes);
  }
  // A NUL in text decoded as UTF-8 means this is no text file.
  if (text_.find('\0') != std::string::npos) {
    text_.clear();
    return store::Status::Fail("The file you have selected is not a CSV text file.", std::string(kOpenTitle));
  }
  if (text_.find_first_not_of("\r\n") == std::string::npos) {
    text_.clear();
    return store::Status::Fail("The file you have selected holds no lines to import.", std::string(kOpenTitle));
  }
  pos_ = 0;
  open_ = true;
  return store::Status::Ok();
}

void CsvReader::close() {
  text_.clear();
  pos_ = 0;
  open_ = false;
}

bool CsvReader::nextLine(std::vector<std::string>& fields) {
  fields.clear();
  while (open_ && pos_ < text_.size()) {
    const std::size_t end = text_.find_first_of("\r\n", pos_);
    const std::size_t stop = end == std::string::npos ? text_.size() : end;
    std::string_view line(text_.data() + pos_, stop - pos_);
    pos_ = stop;
    if (pos_ < text_.size() && text_[pos_] == '\r') ++pos_;
    if (pos_ < text_.size() && text_[pos_] == '\n') ++pos_;
    if (line.empty()) continue;
    if (line.size() > kCsvLineLimit) {
      std::size_t cut = kCsvLineLimit;
      while (cut > 0 && (static_cast<unsigned char>(line[cut]) & 0xC0) == 0x80) --cut;
      line = line.substr(0, cut);
    }
    fields = SplitFields(line);
    return true;
  }
  return false;
}

std::vector<std::string> CsvReader::SplitFields(std::string_view line) {
  std::vector<std::string> fields;
  std::size_t i = 0;
  const std::size_t n = line.size();
  auto isBlank = [](char c) { return static_cast<unsigned char>(c) <= 32; };
  while (i < n) {
    while (i < n && isBlank(line[i])) ++i;
    if (i >= n) break;
    std::string field;
    if (line[i] == '"') {
      ++i;
      while (true) {
        const std::size_t close = line.find('"', i);
        if (close == std::string_view::npos) {
          field.append(line.substr(i));
          i = n;
          break;
        }
        field.append(line.substr(i, close - i));
        i = close + 1;
        if (i < n && line[i] == '"') {
          field.push_back('"');
          ++i;
          continue;
        }
        break;
      }
      const std::size_t comma = line.find(',', i);
      i = comma == std::string_view::npos ? n : comma + 1;
    } else {
      const std::size_t comma = line.find(',', i);
      const std::size_t end = comma == std::string_view::npos ? n : comma;
      std::size_t last = end;
      while (last > i && isBlank(line[last - 1])) --last;
      field.assign(line.substr(i, last - i));
      i = comma == std::string_view::npos ? n : comma + 1;
    }
    fields.push_back(std::move(field));
  }
  return fields;
}

}  // namespace tallyvane::import
