#include "markup/document.h"

#ifdef __linux__
#include <sys/mman.h>
#endif

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>

#include "markup/reader_internal.h"

namespace tallyvane::markup {

// ---- Node ----

bool Node::isElement() const {
  return document_ != nullptr && document_->record(index_).name != 0;
}

std::string_view Node::name() const {
  if (document_ == nullptr) return {};
  return document_->nameText(document_->record(index_).name);
}

std::string_view Node::ownText() const {
  if (document_ == nullptr) return {};
  const Document::Record& r = document_->record(index_);
  return r.text == nullptr ? std::string_view{} : std::string_view(r.text, r.textSize);
}

std::string_view Node::text() const {
  const std::string_view own = ownText();
  if (!own.empty()) return own;
  return firstChild().ownText();
}

Node Node::firstChild() const {
  if (document_ == nullptr) return {};
  const Document::Index child = document_->record(index_).firstChild;
  return child == 0 ? Node{} : Node(document_, child);
}

Node Node::nextSibling() const {
  if (document_ == nullptr) return {};
  const Document::Index next = document_->record(index_).nextSibling;
  return next == 0 ? Node{} : Node(document_, next);
}

std::span<const Attribute> Node::attributes() const {
  if (document_ == nullptr) return {};
  const uint32_t list = document_->record(index_).attributes;
  if (list == 0) return {};
  return document_->attributeLists_[list - 1];
}

// ---- Document ----

Document::Document() { clear(); }
Document::Document(Document&&) noexcept = default;
Document& Document::operator=(Document&&) noexcept = default;
Document::~Document() = default;

void Document::clear() {
  blocks_.clear();
  count_ = 0;
  chunk_ = nullptr;
  chunkUsed_ = kBlockBytes;
  owned_.clear();
  regions_.clear();
  regionNext_ = nullptr;
  regionEnd_ = nullptr;
  blocksHanded_ = 0;
  names_.clear();
  nameIds_.clear();
  attributeLists_.clear();
  newRecord();  // the root
}

uint32_t Document::internName(std::string_view name) {
  if (const auto found = nameIds_.find(name); found != nameIds_.end()) return found->second;
  names_.emplace_back(name);
  const auto id = static_cast<uint32_t>(names_.size());
  nameIds_.emplace(std::string(name), id);
  return id;
}

uint32_t Document::findName(std::string_view name) const {
  const auto found = nameIds_.find(name);
  return found == nameIds_.end() ? 0 : found->second;
}

std::string_view Document::nameText(uint32_t id) const {
  return id == 0 || id > names_.size() ? std::string_view{} : std::string_view(names_[id - 1]);
}

uint32_t Document::nameId(Index node) const { return record(node).name; }

void Document::FreeRegion::operator()(char* region) const { std::free(region); }

char* Document::allocateBlock() {
  if (blocksHanded_++ < kHeapBlocks) {
    owned_.push_back(std::make_unique_for_overwrite<char[]>(kBlockBytes));
    return owned_.back().get();
  }
  if (regionNext_ == regionEnd_) {
    char* region = static_cast<char*>(std::aligned_alloc(kRegionBytes, kRegionBytes));
    if (region == nullptr) throw std::bad_alloc();
    regions_.emplace_back(region);
#ifdef MADV_HUGEPAGE
    madvise(region, kRegionBytes, MADV_HUGEPAGE);  // advice only: failure changes nothing
#endif
    regionNext_ = region;
    regionEnd_ = region + kRegionBytes;
  }
  char* block = regionNext_;
  regionNext_ += kBlockBytes;
  return block;
}

Document::Index Document::newRecord() {
  // Index 0 doubles as "none", so the last index is never handed out.
  if (count_ >= std::numeric_limits<Index>::max()) throw std::bad_alloc();
  if ((count_ & (kBlockSize - 1)) == 0) blocks_.push_back(reinterpret_cast<Record*>(allocateBlock()));
  const auto index = static_cast<Index>(count_++);
  ::new (static_cast<void*>(&blocks_[index >> kBlockBits][index & (kBlockSize - 1)])) Record{};
  return index;
}

void Document::link(Index parent, Index child) {
  Record& p = record(parent);
  if (p.lastChild == 0) {
    p.firstChild = child;
  } else {
    record(p.lastChild).nextSibling = child;
  }
  p.lastChild = child;
}

const char* Document::storeText(std::string_view text) {
  if (text.size() > kBlockBytes / 8) {
    // Long texts get memory of their own rather than wasting a block's tail.
    owned_.push_back(std::make_unique_for_overwrite<char[]>(text.size()));
    std::memcpy(owned_.back().get(), text.data(), text.size());
    return owned_.back().get();
  }
  if (kBlockBytes - chunkUsed_ < text.size()) {
    chunk_ = allocateBlock();
    chunkUsed_ = 0;
  }
  char* stored = chunk_ + chunkUsed_;
  std::memcpy(stored, text.data(), text.size());
  chunkUsed_ += text.size();
  return stored;
}

Document::Index Document::addElement(Index parent, uint32_t nameId) {
  const Index child = newRecord();
  record(child).name = nameId;
  link(parent, child);
  return child;
}

void Document::addText(Index parent, std::string_view text) {
  if (text.empty()) return;
  const char* stored = storeText(text);
  const Index child = newRecord();
  Record& r = record(child);
  r.text = stored;
  r.textSize = static_cast<uint32_t>(std::min<std::size_t>(text.size(), std::numeric_limits<uint32_t>::max()));
  link(parent, child);
}

void Document::setText(Index node, std::string_view text) {
  const char* stored = text.empty() ? nullptr : storeText(text);
  Record& r = record(node);
  r.text = stored;
  r.textSize = static_cast<uint32_t>(std::min<std::size_t>(text.size(), std::numeric_limits<uint32_t>::max()));
}

void Document::setAttribute(Index node, std::string_view name, std::string_view value) {
  if (Attribute* existing = attribute(node, name); existing != nullptr) {
    existing->value = value;
    return;
  }
  Record& r = record(node);
  if (r.attributes == 0) {
    attributeLists_.emplace_back();
    r.attributes = static_cast<uint32_t>(attributeLists_.size());
  }
  attributeLists_[r.attributes - 1].push_back(Attribute{std::string(name), std::string(value)});
}

Attribute* Document::attribute(Index node, std::string_view name) {
  const uint32_t list = record(node).attributes;
  if (list == 0) return nullptr;
  for (Attribute& a : attributeLists_[list - 1]) {
    if (a.name == name) return &a;
  }
  return nullptr;
}

// ---- Lookups ----

Node findChild(Node node, std::string_view name) {
  if (!node) return {};
  const uint32_t id = node.document_->findName(name);
  if (id == 0) return {};
  for (Node child = node.firstChild(); child; child = child.nextSibling()) {
    if (child.document_->nameId(child.index_) == id) return child;
  }
  return {};
}

std::string childText(Node node, std::string_view name) {
  return std::string(detail::cutChars(findChild(node, name).text(), detail::kNameLimit));
}

double childNumber(Node node, std::string_view name) {
  std::string_view text = findChild(node, name).text();
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t' || text.front() == '\n')) {
    text.remove_prefix(1);
  }
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  double value = 0;
  const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
  return result.ec == std::errc{} ? value : 0;
}

std::string_view attributeValue(Node node, std::string_view name) {
  for (const Attribute& a : node.attributes()) {
    if (a.name == name) return a.value;
  }
  return {};
}

}  // namespace tallyvane::markup
