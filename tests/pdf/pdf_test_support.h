// Helpers shared by the PDF writer tests: reading a written file, checking
// that its cross-reference table and stream lengths are exact, and a
// predictable rasteriser.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "pdf/text_rasterizer.h"
#include "pdf/winansi.h"

namespace tallyvane::pdf::testing {

inline std::string ReadBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

inline std::size_t Count(const std::string& text, const std::string& part) {
  std::size_t count = 0;
  for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
  return count;
}

// Every cross-reference entry points at its "n 0 obj" line, startxref at the
// table, every stream's /Length matches its data, the trailer's /Size
// matches, and no page kept an unfilled /Parent.
inline ::testing::AssertionResult WellFormed(const std::string& pdf) {
  const std::size_t startxref = pdf.rfind("startxref\r\n");
  if (startxref == std::string::npos) return ::testing::AssertionFailure() << "no startxref";
  const std::size_t xref = std::stoull(pdf.substr(startxref + 11));
  if (pdf.compare(xref, 6, "xref\r\n") != 0) return ::testing::AssertionFailure() << "startxref misses the table";
  const std::size_t countAt = xref + 6;
  if (pdf.compare(countAt, 2, "0 ") != 0) return ::testing::AssertionFailure() << "no subsection";
  const std::size_t size = std::stoull(pdf.substr(countAt + 2));
  std::size_t entry = pdf.find("\r\n", countAt) + 2;
  if (pdf.compare(entry, 20, "0000000000 65535 f\r\n") != 0) return ::testing::AssertionFailure() << "bad entry 0";
  for (std::size_t object = 1; object < size; ++object) {
    entry += 20;
    const std::string line = pdf.substr(entry, 20);
    if (line.size() != 20 || line.compare(10, 10, " 00000 n\r\n") != 0) {
      return ::testing::AssertionFailure() << "bad entry " << object << ": " << line;
    }
    const std::size_t offset = std::stoull(line.substr(0, 10));
    const std::string head = std::to_string(object) + " 0 obj";
    if (pdf.compare(offset, head.size(), head) != 0) {
      return ::testing::AssertionFailure() << "entry " << object << " points at " << pdf.substr(offset, 20);
    }
    const std::size_t end = pdf.find("endobj\r\n", offset);
    const std::size_t stream = pdf.find(">>\r\nstream\r\n", offset);
    if (stream != std::string::npos && stream < end) {
      const std::size_t lengthAt = pdf.find("/Length ", offset);
      const std::size_t length = std::stoull(pdf.substr(lengthAt + 8));
      const std::size_t data = stream + 12;
      if (pdf.compare(data + length, 21, "\r\nendstream\r\nendobj\r\n") != 0) {
        return ::testing::AssertionFailure() << "object " << object << " has a wrong /Length";
      }
    }
  }
  if (pdf.compare(entry + 20, 9, "trailer\r\n") != 0) return ::testing::AssertionFailure() << "no trailer after table";
  if (pdf.find("<</Size " + std::to_string(size) + " ") == std::string::npos) {
    return ::testing::AssertionFailure() << "trailer /Size is not " << size;
  }
  if (pdf.find("/Parent        ") != std::string::npos) return ::testing::AssertionFailure() << "unfilled /Parent";
  if (pdf.size() < 7 || pdf.compare(pdf.size() - 7, 7, "%%EOF\r\n") != 0) {
    return ::testing::AssertionFailure() << "no %%EOF at the end";
  }
  return ::testing::AssertionSuccess();
}

// Half an em per character, a full em high with the baseline at 0.8 em, and
// a recognisable coverage pattern; it records what it was asked.
class FakeRasterizer final : public TextRasterizer {
 public:
  struct Call {
    std::string what;
    std::string family;
    bool bold = false;
    double pixelSize = 0;
    std::string text;
  };

  std::optional<FaceMetrics> metrics(const FontFace& face) override {
    calls.push_back({"metrics", face.family, face.bold, 0, {}});
    return FaceMetrics{800, -200};
  }
  std::optional<double> measure(const FontFace& face, double pixelSize, std::string_view text) override {
    calls.push_back({"measure", face.family, face.bold, pixelSize, std::string(text)});
    return static_cast<double>(DecodeUtf8(text).size()) * pixelSize * 0.5;
  }
  std::optional<TextBitmap> render(const FontFace& face, double pixelSize, std::string_view text) override {
    calls.push_back({"render", face.family, face.bold, pixelSize, std::string(text)});
    TextBitmap bitmap;
    bitmap.width = 6;
    bitmap.height = 9;
    bitmap.baseline = 6;
    for (int i = 0; i < bitmap.width * bitmap.height; ++i) bitmap.coverage.push_back(static_cast<std::uint8_t>(i));
    return bitmap;
  }

  std::vector<Call> calls;
};

}  // namespace tallyvane::pdf::testing
