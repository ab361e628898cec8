#include "markup/loose_parser.h"

#include <exception>
#include <vector>

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
constexpr auto kPlainStops = detail::stopTable("<&\t\r\n");

class LooseReader {
 public:
  LooseReader(std::string_view text, std::string& error, Document& document,
              const std::unordered_set<std::string>& leaves)
      : cursor_(text, nullptr), error_(error), document_(document), leaves_(leaves) {}

  void run() {
    try {
      content(Document::kRoot, 0, false);
    } catch (const std::exception&) {
      // Only allocation can throw here; the tree read so far stays usable.
      detail::recordError(error_, cursor_, kMemoryMessage);
    }
  }

 private:
  void content(Index node, uint32_t nameId, bool leaf);
  void element(Index parent, int ending);
  bool isLeaf(uint32_t id);
  bool isOpen(uint32_t id) const { return id != 0 && id < open_.size() && open_[id] > 0; }
  void skipWhiteSpace() {
    for (int c = cursor_.peek(); c == '\n' || c == '\t' || (c != kEnd && detail::isBlankByte(static_cast<unsigned char>(c)));
         c = cursor_.peek()) {
      cursor_.get();
    }
  }

  Cursor cursor_;
  std::string& error_;
  Document& document_;
  const std::unordered_set<std::string>& leaves_;
  std::vector<uint32_t> open_;     // elements being read, counted by name id
  std::vector<int8_t> leafCache_;  // by name id: -1 not looked up yet
  // Buffers shared by every level: text is only ever collected by the
  // innermost element, and a name is finished with before a child starts.
  std::string text_;
  std::string name_;
  std::string token_;
  std::string value_;
  // A closing tag that an inner element read and left for an outer one:
  // kept so that each outer element does not read it again, which for a tag
  // without its '>' would mean reading the rest of the text once per level.
  struct PendingClose {
    bool active = false;
    std::size_t at = 0;  // where its '<' starts
    Cursor::Mark after;  // just past it
    uint32_t id = 0;
  } pending_;
  int depth_ = 0;
  bool stop_ = false;
};

bool LooseReader::isLeaf(uint32_t id) {
  if (leaves_.empty()) return false;
  if (id >= leafCache_.size()) leafCache_.resize(id + 1, -1);
  if (leafCache_[id] < 0) leafCache_[id] = leaves_.count(std::string(document_.nameText(id))) > 0 ? 1 : 0;
  return leafCache_[id] == 1;
}

void LooseReader::content(Index node, uint32_t nameId, bool leaf) {
  text_.clear();
  // Whether the collected text holds more than blanks. Blanks alone before a
  // tag are indentation, as the characters after a line end are.
  bool written = false;
  while (!stop_) {
    written |= cursor_.appendPlain(text_, kPlainStops);
    const Cursor::Mark before = cursor_.mark();
    const int c = cursor_.get();
    if (c == kEnd) {
      document_.addText(node, text_);
      text_.clear();
      return;
    }
    if (c == '\n') {
      if (written) {
        // Text never continues past a line end.
        cursor_.skipTo('<');
        continue;
      }
      // Nothing but white space yet: the value may stand on the next line
      // ("<NAME>" CR LF "  SHOP ONE"), so the white space after the line end
      // is indentation and what follows it is read as usual.
      text_.clear();
      skipWhiteSpace();
      continue;
    }
    if (c == '\t') continue;
    if (c == '&') {
      detail::readEntity(cursor_, text_, Dialect::Loose, error_);
      written = true;
      continue;
    }
    // What is left is '<'. Followed by something that cannot start a tag,
    // it is text ("A < B" in a memo) rather than a tag that would end the
    // element and every one around it.
    const int next = cursor_.peek();
    if (next == ' ' || next == '\t' || next == '\n' || next == '=' || next == '>' || next == kEnd) {
      text_.push_back('<');
      written = true;
      continue;
    }
    // A CDATA section is text; a comment is nothing at all.
    if (cursor_.lookingAt("![CDATA[")) {
      cursor_.skip(8);
      detail::readUntil(cursor_, "]]>", text_);
      written = true;
      continue;
    }
    if (cursor_.lookingAt("!--")) {
      cursor_.skip(3);
      detail::skipUntil(cursor_, "-->");
      continue;
    }
    // An element whose content starts with text ends at the next tag.
    if (written) {
      document_.addText(node, text_);
      text_.clear();
      cursor_.restore(before);
      return;
    }
    text_.clear();

    if (pending_.active && pending_.at == before.pos) {
      if (pending_.id == nameId) {
        pending_.active = false;
        cursor_.restore(pending_.after);
      } else {
        cursor_.restore(before);
      }
      return;
    }
    const int ending = detail::readToken(cursor_, name_, kNameLimit, Dialect::Loose, error_);
    if (name_.empty()) {
      if (ending != '/') return;  // a name made only of quotes: "<''>"
      // A closing tag ends this element when it names it; when it names an
      // element further out, it is left for that one so every element up to
      // it ends; a closing tag that names no open element is stray and
      // skipped (leaves closed with their own or another leaf's name).
      const int closing = detail::readToken(cursor_, name_, kNameLimit, Dialect::Loose, error_);
      if (closing != '>' && closing != kEnd) detail::skipPastTagEnd(cursor_);
      const uint32_t id = document_.findName(name_);
      if (node != Document::kRoot && id == nameId) return;
      if (isOpen(id)) {
        pending_ = PendingClose{true, before.pos, cursor_.mark(), id};
        cursor_.restore(before);
        return;
      }
      continue;
    }
    if (leaf) {
      // An empty leaf: the tag belongs to the element around it.
      cursor_.restore(before);
      return;
    }
    element(node, ending);
  }
}

void LooseReader::element(Index parent, int ending) {
  if (depth_ >= detail::kMaxDepth) {
    detail::recordError(error_, cursor_, kDepthMessage);
    stop_ = true;
    return;
  }
  const uint32_t id = document_.internName(name_);
  const Index node = document_.addElement(parent, id);
  const bool declaration = name_.front() == '?' || name_.front() == '!';
  bool selfClosed = false;
  while (ending != '>') {
    if (ending == kEnd) {
      std::string message = "Tag <";
      message += document_.nameText(id);
      message += "> does not have a closing '>'";
      detail::recordError(error_, cursor_, message);
      return;
    }
    if (ending == '/') selfClosed = true;
    ending = detail::readToken(cursor_, token_, kNameLimit, Dialect::Loose, error_);
    if (ending == '=') {
      ending = detail::readToken(cursor_, value_, kNameLimit, Dialect::Loose, error_);
      if (!token_.empty()) document_.setAttribute(node, token_, value_);
    } else if (!token_.empty()) {
      document_.setAttribute(node, token_, {});
    }
  }
  if (selfClosed || declaration) return;

  if (id >= open_.size()) open_.resize(id + 1, 0);
  ++open_[id];
  ++depth_;
  content(node, id, isLeaf(id));
  --depth_;
  --open_[id];
}

}  // namespace

void LooseMarkupParser::setLeafElements(std::span<const std::string_view> names) {
  leaves_.clear();
  for (std::string_view name : names) leaves_.emplace(name);
}

void LooseMarkupParser::parse(std::string_view text, std::string& error, Document& document) const {
  LooseReader reader(text, error, document, leaves_);
  reader.run();
}

}  // namespace tallyvane::markup
