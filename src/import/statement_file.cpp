#include "import/statement_file.h"

#ifdef __linux__
#include <sys/mman.h>
#endif

#include <array>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <fstream>

#include "markup/encoding.h"

namespace tallyvane::import {

namespace {

bool equalsNoCasePrefix(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    char c = text[i];
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    if (c != prefix[i]) return false;
  }
  return true;
}

std::size_t findNoCase(std::string_view text, std::string_view upperNeedle, std::size_t from = 0) {
  for (std::size_t i = from; i + upperNeedle.size() <= text.size(); ++i) {
    if (equalsNoCasePrefix(text.substr(i), upperNeedle)) return i;
  }
  return std::string_view::npos;
}

// Spellings of Windows-1252 and of ISO-8859-1, which Windows-1252 extends.
bool namesWindows1252(std::string_view value) {
  while (!value.empty() && (value.front() == ' ' || value.front() == '"' || value.front() == '\'')) {
    value.remove_prefix(1);
  }
  constexpr std::array<std::string_view, 10> kSpellings = {
      "WINDOWS-1252", "CP1252", "1252",        "ISO-8859-1", "ISO_8859-1",
      "ISO8859-1",    "8859-1", "ISO-LATIN-1", "LATIN-1",    "LATIN1"};
  for (std::string_view spelling : kSpellings) {
    if (equalsNoCasePrefix(value, spelling)) {
      // "12520" or "CP12521" are other code pages.
      const std::size_t after = spelling.size();
      return after >= value.size() || value[after] < '0' || value[after] > '9';
    }
  }
  return false;
}

// Whether the header (everything before "<OFX>") declares Windows-1252: the
// SGML header's CHARSET line or the encoding of an XML declaration.
bool declaresWindows1252(std::string_view bytes) {
  const std::size_t body = bytes.find("<OFX>");
  const std::string_view header = bytes.substr(0, body == std::string_view::npos ? 65536 : body);
  for (std::size_t at = findNoCase(header, "CHARSET:"); at != std::string_view::npos;
       at = findNoCase(header, "CHARSET:", at + 1)) {
    if (namesWindows1252(header.substr(at + 8))) return true;
  }
  for (std::size_t at = findNoCase(header, "ENCODING="); at != std::string_view::npos;
       at = findNoCase(header, "ENCODING=", at + 1)) {
    if (namesWindows1252(header.substr(at + 9))) return true;
  }
  return false;
}

// Ends every line with CR LF as text arrives, in as many pieces as it comes.
class LineEndWriter {
 public:
  explicit LineEndWriter(std::string& out) : out_(out) {}

  void write(std::string_view text) {
    const char* p = text.data();
    const char* const end = p + text.size();
    if (pending_ != 0 && p < end) {
      // CR LF and LF CR are one line end; CR CR and LF LF are two.
      if ((*p == '\r' || *p == '\n') && *p != pending_) ++p;
      pending_ = 0;
    }
    while (p < end) {
      const char* lineEnd = p;
      while (lineEnd < end && *lineEnd != '\r' && *lineEnd != '\n') ++lineEnd;
      if (lineEnd > p) {
        out_.append(p, static_cast<std::size_t>(lineEnd - p));
        open_ = true;
      }
      if (lineEnd == end) break;
      out_ += "\r\n";
      open_ = false;
      p = lineEnd + 1;
      if (p == end) {
        pending_ = *lineEnd;
      } else if ((*p == '\r' || *p == '\n') && *p != *lineEnd) {
        ++p;
      }
    }
  }

  // A last line without a line end is kept when it is not empty.
  void finish() {
    if (open_) out_ += "\r\n";
    open_ = false;
  }

 private:
  std::string& out_;
  char pending_ = 0;  // a line end that may pair with the next character
  bool open_ = false;
};

// Lets the system back the aligned middle of a large buffer with huge pages
// (2 MiB): reading a statement of a few hundred thousand transactions would
// otherwise pay a page fault for every 4 KiB of it.
void adviseHugePages(const char* data, std::size_t size) {
#ifdef MADV_HUGEPAGE
  constexpr uintptr_t kHuge = uintptr_t{1} << 21;
  const auto start = reinterpret_cast<uintptr_t>(data);
  const uintptr_t begin = (start + kHuge - 1) & ~(kHuge - 1);
  const uintptr_t end = (start + size) & ~(kHuge - 1);
  if (end > begin) madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);  // advice only
#else
  (void)data;
  (void)size;
#endif
}

std::string tooLargeMessage(const std::filesystem::path& path) {
  return path.string() + " is too large to be a statement file";
}

}  // namespace

std::string decodeStatementBytes(std::string_view bytes) {
  std::string decoded;
  std::string_view text;
  if (bytes.starts_with("\xFF\xFE")) {
    markup::appendUtf16(decoded, bytes.substr(2), false);
    text = decoded;
  } else if (bytes.starts_with("\xFE\xFF")) {
    markup::appendUtf16(decoded, bytes.substr(2), true);
    text = decoded;
  } else {
    if (bytes.starts_with("\xEF\xBB\xBF")) bytes.remove_prefix(3);
    if (markup::isValidUtf8(bytes)) {
      text = bytes;
    } else {
      if (declaresWindows1252(bytes)) {
        markup::appendWindows1252(decoded, bytes);
      } else {
        markup::appendSanitizedUtf8(decoded, bytes);
      }
      text = decoded;
    }
  }
  std::string out;
  out.reserve(text.size() + text.size() / 8 + 2);
  LineEndWriter writer(out);
  writer.write(text);
  writer.finish();
  return out;
}

StatementText readStatementFile(const std::filesystem::path& path) {
  StatementText result;
  std::ifstream file(path, std::ios::binary);
  if (!file) {
    result.message = "Cannot open " + path.string() + ": " + std::strerror(errno);
    return result;
  }
  std::error_code ec;
  const std::uintmax_t size = std::filesystem::file_size(path, ec);
  if (!ec && size >= kStatementFileSizeLimit) {
    result.message = tooLargeMessage(path);
    return result;
  }

  // Valid UTF-8 (nearly every statement) goes straight from the file into
  // the text, block by block. Anything else is read whole and decoded by
  // decodeStatementBytes, which gives the same text for valid UTF-8.
  std::string text;
  // Untouched reserve costs no memory; line ends may grow the text.
  if (!ec) {
    text.reserve(static_cast<std::size_t>(size) + static_cast<std::size_t>(size) / 8 + 16);
    adviseHugePages(text.data(), text.capacity());
  }
  LineEndWriter writer(text);
  std::array<char, 1 << 16> buffer{};
  std::string carry;  // the start of a sequence cut by the end of a block
  std::uintmax_t total = 0;
  bool first = true;
  bool streamed = true;
  while (file.read(buffer.data(), buffer.size()) || file.gcount() > 0) {
    std::string_view block(buffer.data(), static_cast<std::size_t>(file.gcount()));
    total += block.size();
    if (total >= kStatementFileSizeLimit) {
      // Whatever the size said: a device or a growing file must not take all
      // memory.
      result.message = tooLargeMessage(path);
      return result;
    }
    if (first) {
      first = false;
      if (block.starts_with("\xFF\xFE") || block.starts_with("\xFE\xFF") || block.size() < 3) {
        streamed = false;
        break;
      }
      if (block.starts_with("\xEF\xBB\xBF")) block.remove_prefix(3);
    }
    std::string joined;
    if (!carry.empty()) {
      joined = carry + std::string(block);
      block = joined;
    }
    const std::size_t valid = markup::validUtf8Prefix(block);
    if (block.size() - valid >= 4) {
      streamed = false;
      break;
    }
    writer.write(block.substr(0, valid));
    carry.assign(block.substr(valid));
  }
  if (streamed && file.eof() && carry.empty()) {
    writer.finish();
    result.text = std::move(text);
    result.ok = true;
    return result;
  }
  if (!file.eof() && streamed) {
    result.message = "Cannot read " + path.string();
    return result;
  }

  // Not UTF-8 from start to end (or too short to tell): read it whole.
  text.clear();
  text.shrink_to_fit();
  file.clear();
  file.seekg(0);
  std::string bytes;
  if (!ec) bytes.reserve(static_cast<std::size_t>(size));
  while (file.read(buffer.data(), buffer.size()) || file.gcount() > 0) {
    bytes.append(buffer.data(), static_cast<std::size_t>(file.gcount()));
    if (bytes.size() >= kStatementFileSizeLimit) {
      result.message = tooLargeMessage(path);
      return result;
    }
  }
  if (!file.eof()) {
    result.message = "Cannot read " + path.string();
    return result;
  }
  result.text = decodeStatementBytes(bytes);
  result.ok = true;
  return result;
}

}  // namespace tallyvane::import
