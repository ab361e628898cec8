// A PDF 1.4 writer that behaves like a drawing surface: every Canvas call
// becomes PDF objects written straight to the file. No stream is compressed
// and no font embedded; text uses the standard Helvetica faces, and text
// outside Windows-1252 is rasterised and placed as an image.
#pragma once

#include <cstdint>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "pdf/canvas.h"
#include "pdf/text_rasterizer.h"

namespace tallyvane::pdf {

struct PdfOptions {
  // Measures and draws what the Helvetica tables cannot. When null the
  // document starts a FreeTypeRasterizer the first time it needs one.
  TextRasterizer* rasterizer = nullptr;
  // The creation and modification date written; unset means the moment
  // `finish` runs.
  std::optional<std::time_t> writtenAt;
  // The document's producer; empty means "Tallyvane" and its version.
  std::string producer;
};

// "D:YYYYMMDDHHMMSS+HH'MM'" of a time in the process time zone (TZ
// respected), with the zone's offset from UTC at that moment.
[[nodiscard]] std::string PdfDateText(std::time_t t);

class PdfDocument final : public Canvas {
 public:
  // Creates the file and writes the header. A file that cannot be created
  // leaves a document on which every call does nothing.
  PdfDocument(const std::filesystem::path& path, int paperIndex, PdfOptions options = {});
  // Finishes the document when `finish` has not run.
  ~PdfDocument() override;
  PdfDocument(const PdfDocument&) = delete;
  PdfDocument& operator=(const PdfDocument&) = delete;

  // The file was created and nothing has failed to write so far.
  [[nodiscard]] bool isOpen() const;
  // Ends an open page, writes the page tree, information, catalog,
  // cross-reference table and trailer, and closes the file. False when the
  // file could not be created or written (or holds more objects than the
  // page's parent reference has room for); such a file is removed rather than
  // left broken. Later calls return the same answer.
  bool finish();

  [[nodiscard]] int pageWidth() const override { return width_; }
  [[nodiscard]] int pageHeight() const override { return height_; }
  [[nodiscard]] int resolution() const override { return resolution_; }

  void beginPage() override;
  void endPage() override;
  void selectFont(std::string_view face, double cellHeight, int weight = kNormalWeight, bool italic = false,
                  bool underline = false) override;
  [[nodiscard]] double textWidth(std::string_view text) override;
  [[nodiscard]] double lineHeight() const override { return lineHeight_; }
  void drawText(std::string_view text, double x, double y) override;
  void drawLine(double x1, double y1, double x2, double y2) override;

 private:
  struct WrittenFont {
    std::string pdfName;
    int object = 0;
    std::string resource;
  };

  void write(std::string_view bytes);
  int writeObject(std::string_view dictionary);
  int writeStream(std::string_view dictionary, std::string_view data);
  int nextObject() const { return static_cast<int>(objectOffsets_.size()) + 1; }
  void addResource(std::vector<std::string>& list, std::string entry);
  const WrittenFont& ensureFont();
  void flushPath();
  void drawTextImage(std::string_view text, double x, double y);
  [[nodiscard]] double lineWidth(std::string_view line);
  TextRasterizer* rasterizer();
  void resetFont();

  std::filesystem::path path_;
  PdfOptions options_;
  std::FILE* file_ = nullptr;
  bool failed_ = false;
  bool finished_ = false;
  bool finishResult_ = false;
  std::uint64_t offset_ = 0;

  int width_ = 0;
  int height_ = 0;
  int resolution_ = 72;

  std::vector<std::uint64_t> objectOffsets_;
  std::vector<int> pageObjects_;
  std::vector<std::uint64_t> parentPlaceholders_;
  std::vector<WrittenFont> fonts_;
  int imageCounter_ = 0;

  bool pageOpen_ = false;
  std::vector<std::string> pageXObjects_;
  std::vector<std::string> pageFonts_;
  std::vector<int> pageContents_;
  bool pageColourImages_ = false;
  bool pageText_ = false;
  bool pageFillColourWritten_ = false;
  std::string pathBuffer_;
  bool strokePending_ = false;

  std::string fontName_;
  bool fontStandard_ = true;
  float fontSize_ = 12;
  bool underline_ = false;
  FontFace face_;
  double lineHeight_ = 0;

  std::unique_ptr<TextRasterizer> ownRasterizer_;
  bool rasterizerTried_ = false;
};

}  // namespace tallyvane::pdf
