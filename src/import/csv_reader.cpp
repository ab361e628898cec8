#include "import/csv_reader.h"

#include <cerrno>
#include <chrono>
#include <fstream>
#include <thread>

#include "markup/encoding.h"
#include "store/text.h"

namespace tallyvane::import {

namespace {

constexpr std::string_view kOpenTitle = "Error opening file";
constexpr std::string_view kOpenMessage =
    "The file you have selected could not be opened for reading. Please close any other applications that may be "
    "using it.";

constexpr std::string_view kTooLargeMessage =
    "The file you have selected is too large to import. A CSV file can be imported when it is no larger than 512 MB.";

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
  if (!ec && std::filesystem::is_regular_file(path, ec) && size > kCsvFileLimit) {
    return store::Status::Fail(std::string(kTooLargeMessage), std::string(kOpenTitle));
  }
  if (ec || !std::filesystem::is_regular_file(path, ec) || !ReadWhole(path, bytes)) {
    return store::Status::Fail(std::string(kOpenMessage), std::string(kOpenTitle));
  }
  // The size may have grown between the look and the read.
  if (bytes.size() > kCsvFileLimit) return store::Status::Fail(std::string(kTooLargeMessage), std::string(kOpenTitle));
  windows1252_ = false;
  if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF && static_cast<unsigned char>(bytes[1]) == 0xFE) {
    std::u16string units;
    units.reserve(bytes.size() / 2);
    for (std::size_t i = 2; i + 1 < bytes.size(); i += 2) {
      units.push_back(static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                            (static_cast<unsigned char>(bytes[i + 1]) << 8)));
    }
    text_ = store::Utf16ToUtf8(units);
  } else if (bytes.size() >= 3 && bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) {
    // Marked as UTF-8: a stray malformed byte is replaced, never kept.
    const std::string_view body = std::string_view(bytes).substr(3);
    if (markup::isValidUtf8(body)) {
      text_ = body;
    } else {
      text_.clear();
      markup::appendSanitizedUtf8(text_, body);
    }
  } else if (markup::isValidUtf8(bytes)) {
    text_ = std::move(bytes);
  } else {
    // Not UTF-8 throughout and without a mark: a Windows-1252 export, which
    // is what such bank files are. Decoded, nothing invalid is kept.
    text_.clear();
    text_.reserve(bytes.size() + bytes.size() / 4);
    markup::appendWindows1252(text_, bytes);
    windows1252_ = true;
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
  lineNumber_ = 0;
  nextLineNumber_ = 1;
  open_ = true;
  return store::Status::Ok();
}

void CsvReader::close() {
  text_.clear();
  pos_ = 0;
  lineNumber_ = 0;
  nextLineNumber_ = 1;
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
    lineNumber_ = nextLineNumber_++;
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
