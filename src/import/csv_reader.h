// Reads a comma-separated file line by line and field by field: byte-order
// marks (UTF-16LE files converted), CR/LF/CRLF line ends, empty lines
// skipped, quoted fields with doubled quotes. Lines are cut at 8191 bytes so
// a hostile file cannot make a line without end.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "store/status.h"

namespace tallyvane::import {

inline constexpr std::size_t kCsvLineLimit = 8191;

class CsvReader {
 public:
  // The "Error opening file" message when it cannot be read, or when it is
  // empty or not text.
  [[nodiscard]] store::Status open(const std::filesystem::path& path);
  [[nodiscard]] bool isOpen() const { return open_; }
  // The next non-empty line's fields; false at the end.
  bool nextLine(std::vector<std::string>& fields);
  void close();
  // How far the reading got, in bytes of the decoded text, for progress.
  [[nodiscard]] std::size_t position() const { return pos_; }
  [[nodiscard]] std::size_t size() const { return text_.size(); }

  // The fields of one line.
  [[nodiscard]] static std::vector<std::string> SplitFields(std::string_view line);

 private:
  std::string text_;  // the whole file as UTF-8
  std::size_t pos_ = 0;
  bool open_ = false;
};

}  // namespace tallyvane::import
