// The node trees both markup readers build. A Document owns one tree: its
// root is a nameless node whose children are the top-level nodes; an element
// has a name, attributes and children, a text node only text. Nodes are light
// handles that stay valid while their document lives. Text is UTF-8.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace tallyvane::markup {

class Document;

struct Attribute {
  std::string name;
  std::string value;
};

class Node {
 public:
  Node() = default;
  explicit operator bool() const { return document_ != nullptr; }
  bool operator==(const Node&) const = default;

  // Elements have a name; text nodes and the document root do not.
  [[nodiscard]] bool isElement() const;
  [[nodiscard]] std::string_view name() const;
  // The node's own text: set on text nodes and on declaration nodes
  // (comments, CDATA sections, DOCTYPE), which hold their content.
  [[nodiscard]] std::string_view ownText() const;
  // An element's text: its own text if it has one, else the text of its
  // first child if that child has text, else empty.
  [[nodiscard]] std::string_view text() const;
  [[nodiscard]] Node firstChild() const;
  [[nodiscard]] Node nextSibling() const;
  [[nodiscard]] std::span<const Attribute> attributes() const;

 private:
  friend class Document;
  friend Node findChild(Node node, std::string_view name);
  Node(const Document* document, uint32_t index) : document_(document), index_(index) {}
  const Document* document_ = nullptr;
  uint32_t index_ = 0;
};

// The readers' node types are one and the same.
using MarkupNode = Node;
using XmlNode = Node;

class Document {
 public:
  // Indexes of nodes inside the document; the root is 0, and 0 in a link
  // means "none" because the root is never anyone's child or sibling.
  using Index = uint32_t;
  static constexpr Index kRoot = 0;

  Document();
  Document(const Document&) = delete;
  Document& operator=(const Document&) = delete;
  Document(Document&&) noexcept;
  Document& operator=(Document&&) noexcept;
  ~Document();

  [[nodiscard]] Node root() const { return Node(this, kRoot); }
  [[nodiscard]] Node node(Index index) const { return Node(this, index); }
  [[nodiscard]] std::size_t nodeCount() const { return count_; }
  void clear();

  // Building, as the readers do it. Element names are shared: the id of a
  // name is found once and every element of that name refers to it.
  [[nodiscard]] uint32_t internName(std::string_view name);
  // 0 when no element of this document carries the name.
  [[nodiscard]] uint32_t findName(std::string_view name) const;
  [[nodiscard]] std::string_view nameText(uint32_t id) const;
  [[nodiscard]] uint32_t nameId(Index node) const;

  Index addElement(Index parent, uint32_t nameId);
  // Adds a text child; empty text adds nothing.
  void addText(Index parent, std::string_view text);
  void setText(Index node, std::string_view text);
  // A repeated name keeps the last value.
  void setAttribute(Index node, std::string_view name, std::string_view value);
  // The attribute of that name on `node`, or null; for the readers' fix-ups.
  [[nodiscard]] Attribute* attribute(Index node, std::string_view name);

 private:
  friend class Node;
  struct Record {
    const char* text = nullptr;
    uint32_t textSize = 0;
    uint32_t name = 0;  // 0: no name
    Index firstChild = 0;
    Index lastChild = 0;
    Index nextSibling = 0;
    uint32_t attributes = 0;  // 0: none, else 1 + index into attributeLists_
  };
  struct NameHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
  };

  // Records and short texts live in fixed 64 KiB blocks, so a growing tree
  // never copies itself. The first blocks come from the heap one by one; a
  // large document takes further blocks from 2 MiB regions that the system
  // may back with huge pages: a statement of a few hundred thousand
  // transactions would otherwise pay tens of thousands of page faults.
  static constexpr std::size_t kBlockBytes = std::size_t{1} << 16;
  static constexpr unsigned kBlockBits = 11;
  static constexpr Index kBlockSize = Index{1} << kBlockBits;
  static_assert(kBlockSize * 32 == kBlockBytes, "a block holds kBlockSize records");
  static constexpr std::size_t kHeapBlocks = 16;
  static constexpr std::size_t kRegionBytes = std::size_t{1} << 21;
  struct FreeRegion {
    void operator()(char* region) const;
  };

  [[nodiscard]] const Record& record(Index index) const {
    return blocks_[index >> kBlockBits][index & (kBlockSize - 1)];
  }
  [[nodiscard]] Record& record(Index index) { return blocks_[index >> kBlockBits][index & (kBlockSize - 1)]; }
  char* allocateBlock();
  Index newRecord();
  void link(Index parent, Index child);
  const char* storeText(std::string_view text);

  std::vector<Record*> blocks_;
  std::size_t count_ = 0;
  char* chunk_ = nullptr;  // the block short texts are copied into
  std::size_t chunkUsed_ = kBlockBytes;
  std::vector<std::unique_ptr<char[]>> owned_;  // heap blocks and long texts
  std::vector<std::unique_ptr<char, FreeRegion>> regions_;
  char* regionNext_ = nullptr;
  char* regionEnd_ = nullptr;
  std::size_t blocksHanded_ = 0;
  std::vector<std::string> names_;  // names_[id - 1]
  std::unordered_map<std::string, uint32_t, NameHash, std::equal_to<>> nameIds_;
  std::vector<std::vector<Attribute>> attributeLists_;
};

// The first direct child element with exactly that name (text nodes never
// match), or a null node.
[[nodiscard]] Node findChild(Node node, std::string_view name);
// The element text of findChild, cut to 259 characters; empty without it.
[[nodiscard]] std::string childText(Node node, std::string_view name);
// The child's text read as a number (leading blanks skipped); 0 when empty or
// not a number. For directory values, never for money.
[[nodiscard]] double childNumber(Node node, std::string_view name);
// The value of the attribute with exactly that name, or empty.
[[nodiscard]] std::string_view attributeValue(Node node, std::string_view name);

}  // namespace tallyvane::markup
