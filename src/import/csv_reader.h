// Reads a comma-separated file line by line and field by field: byte-order
// marks (UTF-16LE files converted), CR/LF/CRLF line ends, empty lines
// skipped, quoted fields with doubled quotes. Lines are cut at 8191 bytes so
// a hostile file cannot make a line without end.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "store/status.h"

namespace tallyvane::import {

inline constexpr std::size_t kCsvLineLimit = 8191;
// CSV files are read whole; anything larger is not a bank export.
inline constexpr std::uintmax_t kCsvFileLimit = 512u * 1024 * 1024;

class CsvReader {
 public:
  // The "Error opening file" message when it cannot be read, or when it is
  // empty, not text or larger than kCsvFileLimit. Text that is not UTF-8
  // (nor UTF-16 with its mark) is read as Windows-1252.
  [[nodiscard]] store::Status open(const std::filesystem::path& path);
  [[nodiscard]] bool isOpen() const { return open_; }
  // The next non-empty line's fields; false at the end.
  bool nextLine(std::vector<std::string>& fields);
  void close();
  // How far the reading got, in bytes of the decoded text, for progress.
  [[nodiscard]] std::size_t position() const { return pos_; }
  [[nodiscard]] std::size_t size() const { return text_.size(); }
  // The line of the file (from 1, empty lines counted) nextLine last read.
  [[nodiscard]] std::size_t lineNumber() const { return lineNumber_; }
  // Whether the file was not UTF-8 and was read as Windows-1252.
  [[nodiscard]] bool readAsWindows1252() const { return windows1252_; }

  // The fields of one line.
  [[nodiscard]] static std::vector<std::string> SplitFields(std::string_view line);

 private:
  std::string text_;  // the whole file as UTF-8
  std::size_t pos_ = 0;
  std::size_t lineNumber_ = 0;
  std::size_t nextLineNumber_ = 1;
  bool open_ = false;
  bool windows1252_ = false;
};

}  // namespace tallyvane::import
