// The strict reader: pairs closing tags with their elements and knows
// comments, CDATA sections, DOCTYPE declarations and xml:space. Used for OFX
// 2.x statements and, through loadXmlFile, for the institution directory.
// Like the loose reader it never fails: first error to the buffer, tree kept.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

#include "markup/document.h"

namespace tallyvane::markup {

// Asked every 512 characters; true stops the reading.
using CancelCheck = std::function<bool()>;

class XmlParser {
 public:
  // Appends the nodes read from `text` to the document's root.
  void parse(std::string_view text, std::string& error, Document& document, const CancelCheck& cancel = {}) const;
};

enum class LoadResult : int {
  Loaded = 0,     // read and parsed (parse errors do not change this)
  Cancelled = 1,  // the cancel check asked to stop
  Failed = 2,     // the file could not be loaded; the reason is in the buffer
};

// Files this large or larger are not loaded.
inline constexpr std::uintmax_t kXmlFileSizeLimit = 214748365;

// Reads a file, decodes it by its byte-order mark (UTF-16 LE/BE, UTF-8),
// else as UTF-8 when it is valid UTF-8, else as Windows-1252, and parses it.
[[nodiscard]] LoadResult loadXmlFile(const std::filesystem::path& path, Document& document, std::string& error,
                                     const CancelCheck& cancel = {});

}  // namespace tallyvane::markup
