#include "markup/xml_parser.h"

#include <unistd.h>

#include <cstdint>
#include <exception>
#include <fstream>
#include <limits>

#include "markup/encoding.h"
#include "markup/reader_internal.h"

namespace tallyvane::markup {

namespace {

using detail::Cursor;
using detail::Dialect;
using detail::kEnd;
using detail::kNameLimit;
using Index = Document::Index;

constexpr std::string_view kDepthMessage = "Elements are nested more than 1000 levels deep; the rest is not read.";
constexpr std::string_view kMemoryMessage = "Not enough memory to read the whole text.";
// What ends a stretch of ordinary text for this reader.
constexpr auto kPlainStops = detail::stopTable("<&\r\n");
constexpr std::string_view kMisplacedLessThan = "Misplaced < without name. Use &lt; instead of < if appropriate.";

bool equalsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    char x = a[i];
    char y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

class XmlReader {
 public:
  XmlReader(std::string_view text, std::string& error, Document& document, const CancelCheck& cancel)
      : cursor_(text, cancel ? &cancel : nullptr), error_(error), document_(document) {}

  void run() {
    try {
      content(Document::kRoot, 0);
    } catch (const std::exception&) {
      // Only allocation can throw here; the tree read so far stays usable.
      detail::recordError(error_, cursor_, kMemoryMessage);
    }
  }

 private:
  void content(Index node, uint32_t nameId);
  void element(Index parent, int ending);
  void declaration(Index node, uint32_t nameId);
  bool readDoctype(std::string& out);
  void endOfTextError(uint32_t nameId);
  [[nodiscard]] bool stopped() const { return stop_ || cursor_.cancelled(); }

  Cursor cursor_;
  std::string& error_;
  Document& document_;
  // Shared by every level: an element's collected text is stored before a
  // child starts, and a name is finished with before the child's content.
  std::string text_;
  std::string name_;
  std::string token_;
  std::string value_;
  int depth_ = 0;
  bool stop_ = false;
};

void XmlReader::endOfTextError(uint32_t nameId) {
  const std::string_view name = document_.nameText(nameId);
  std::string message = "(EOF) Element <";
  message.append(name).append("> should be terminated with </").append(name);
  message += ">. Check you have terminated your element properly.";
  detail::recordError(error_, cursor_, message);
}

void XmlReader::content(Index node, uint32_t nameId) {
  text_.clear();
  while (!stopped()) {
    cursor_.appendPlain(text_, kPlainStops);
    const int c = cursor_.get();
    if (c == kEnd) {
      if (node != Document::kRoot) endOfTextError(nameId);
      break;
    }
    if (c == '&') {
      detail::readEntity(cursor_, text_, Dialect::Strict, error_);
      continue;
    }
    if (c != '<') {
      text_.push_back(static_cast<char>(c));
      continue;
    }
    const int ending = detail::readToken(cursor_, name_, kNameLimit, Dialect::Strict, error_, true);
    if (name_.empty()) {
      if (ending != '/') {
        detail::recordError(error_, cursor_, kMisplacedLessThan);
        break;
      }
      // Every closing tag ends exactly one element, whatever it names.
      const int closing = detail::readToken(cursor_, name_, kNameLimit, Dialect::Strict, error_);
      std::string message;
      if (node != Document::kRoot) {
        const std::string_view own = document_.nameText(nameId);
        if (name_ != own) {
          message.append("Element <").append(own).append("> should be terminated with </").append(own);
          message.append(">, was with ").append(name_).append(". Check you have terminated your element properly.");
        }
      } else {
        message.append("Misplaced </").append(name_).append("> which does not match a <").append(name_).append(">.");
      }
      if (!message.empty()) detail::recordError(error_, cursor_, message);
      if (closing != '>' && closing != kEnd) detail::skipPastTagEnd(cursor_);
      break;
    }
    document_.addText(node, text_);
    text_.clear();
    element(node, ending);
  }
  document_.addText(node, text_);
  text_.clear();
}

bool XmlReader::readDoctype(std::string& out) {
  int brackets = 0;  // a '>' inside the internal subset does not end it
  for (;;) {
    const int c = cursor_.get();
    if (c == kEnd) return false;
    if (c == '[') {
      ++brackets;
    } else if (c == ']' && brackets > 0) {
      --brackets;
    } else if (c == '>' && brackets == 0) {
      return true;
    }
    out.push_back(static_cast<char>(c));
  }
}

void XmlReader::declaration(Index node, uint32_t nameId) {
  const std::string_view name = document_.nameText(nameId);
  std::string body;
  bool complete = false;
  if (name == "!--") {
    complete = detail::readUntil(cursor_, "-->", body);
  } else if (name == "![CDATA[") {
    complete = detail::readUntil(cursor_, "]]>", body);
  } else if (name == "!DOCTYPE") {
    complete = readDoctype(body);
  } else {
    while (!stopped() && cursor_.get() != kEnd) {
    }
  }
  document_.setText(node, body);
  if (!complete && !stopped()) endOfTextError(nameId);
}

void XmlReader::element(Index parent, int ending) {
  if (depth_ >= detail::kMaxDepth) {
    detail::recordError(error_, cursor_, kDepthMessage);
    stop_ = true;
    return;
  }
  const uint32_t id = document_.internName(name_);
  const Index node = document_.addElement(parent, id);
  const char first = name_.front();
  if (first == '!') {
    declaration(node, id);
    return;
  }

  bool selfClosed = false;
  std::string lastName;  // the attribute whose value was read last
  while (ending != '>') {
    if (ending == kEnd) {
      std::string message = "Tag <";
      message.append(document_.nameText(id)).append("> does not have a closing '>'");
      detail::recordError(error_, cursor_, message);
      return;
    }
    if (ending == '/') selfClosed = true;
    ending = detail::readToken(cursor_, token_, kNameLimit, Dialect::Strict, error_);
    if (ending == ' ' && cursor_.peek() == '=') ending = cursor_.get();
    if (ending == '=') {
      if (cursor_.peek() == ' ') cursor_.get();
      ending = detail::readToken(cursor_, value_, std::numeric_limits<std::size_t>::max(), Dialect::Strict, error_);
      if (!token_.empty() && !equalsNoCase(token_, "xml:space")) {
        document_.setAttribute(node, token_, value_);
        lastName = token_;
      } else {
        lastName.clear();
      }
    } else if (!token_.empty()) {
      document_.setAttribute(node, token_, {});
    }
  }
  // The "?" that closes a processing instruction is not part of its last
  // value: version="1.0"?> reads 1.0.
  if (!lastName.empty()) {
    if (Attribute* a = document_.attribute(node, lastName); a != nullptr && !a->value.empty() && a->value.back() == '?') {
      a->value.pop_back();
    }
  }
  if (selfClosed || first == '?') return;

  ++depth_;
  content(node, id);
  --depth_;
}

// What the system says is free, in bytes; the largest value when unknown.
std::uintmax_t availableMemory() {
  std::ifstream meminfo("/proc/meminfo");
  std::string key;
  std::uintmax_t kilobytes = 0;
  std::string unit;
  while (meminfo >> key >> kilobytes >> unit) {
    if (key == "MemAvailable:") return kilobytes * 1024;
  }
  const long pages = sysconf(_SC_AVPHYS_PAGES);
  const long pageSize = sysconf(_SC_PAGESIZE);
  if (pages > 0 && pageSize > 0) return static_cast<std::uintmax_t>(pages) * static_cast<std::uintmax_t>(pageSize);
  return std::numeric_limits<std::uintmax_t>::max();
}

void writeError(std::string& buffer, std::string message) {
  if (buffer.empty()) buffer = std::move(message);
}

}  // namespace

void XmlParser::parse(std::string_view text, std::string& error, Document& document, const CancelCheck& cancel) const {
  XmlReader reader(text, error, document, cancel);
  reader.run();
}

LoadResult loadXmlFile(const std::filesystem::path& path, Document& document, std::string& error,
                       const CancelCheck& cancel) {
  std::error_code ec;
  if (!std::filesystem::exists(path, ec)) {
    writeError(error, "File does not exist: " + path.string());
    return LoadResult::Failed;
  }
  const std::string tooLarge = "Not enough memory available to load " + path.string();
  const std::uintmax_t size = std::filesystem::file_size(path, ec);
  if (!ec && (size >= kXmlFileSizeLimit || size * 20 >= availableMemory())) {
    writeError(error, tooLarge);
    return LoadResult::Failed;
  }
  if (cancel && cancel()) return LoadResult::Cancelled;

  std::ifstream file(path, std::ios::binary);
  std::string bytes;
  if (file) {
    // Read no further than the limit, whatever the size said: a device or a
    // growing file must not take all memory.
    char buffer[1 << 16];
    while (file.read(buffer, sizeof buffer) || file.gcount() > 0) {
      bytes.append(buffer, static_cast<std::size_t>(file.gcount()));
      if (bytes.size() >= kXmlFileSizeLimit) {
        writeError(error, tooLarge);
        return LoadResult::Failed;
      }
    }
  }
  if (!file.eof()) {
    writeError(error, "Cannot open xml file: " + path.string());
    return LoadResult::Failed;
  }

  std::string text;
  const std::string_view view(bytes);
  if (view.starts_with("\xFF\xFE")) {
    appendUtf16(text, view.substr(2), false);
  } else if (view.starts_with("\xFE\xFF")) {
    appendUtf16(text, view.substr(2), true);
  } else if (view.starts_with("\xEF\xBB\xBF")) {
    appendSanitizedUtf8(text, view.substr(3));
  } else if (isValidUtf8(view)) {
    text = std::move(bytes);
  } else {
    // The ANSI code page of the systems such files come from.
    appendWindows1252(text, view);
  }
  bytes.clear();
  bytes.shrink_to_fit();

  XmlParser().parse(text, error, document, cancel);
  if (cancel && cancel()) return LoadResult::Cancelled;
  return LoadResult::Loaded;
}

}  // namespace tallyvane::markup
