#include "pdf/pdf_document.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <system_error>

#include "pdf/font_metrics.h"
#include "pdf/freetype_rasterizer.h"
#include "pdf/paper.h"
#include "pdf/winansi.h"

#ifndef TALLYVANE_VERSION_TEXT
#define TALLYVANE_VERSION_TEXT ""
#endif

namespace tallyvane::pdf {
namespace {

constexpr double kHorizontalScale = 1.0;
constexpr double kWordSpacing = 0.0;
constexpr float kDefaultFontSize = 12;
// The page object's /Parent is written before the page tree has a number;
// these spaces are overwritten at `finish`.
constexpr std::string_view kParentPlaceholder = "       ";
// Runs outside the tables are rasterised and measured at three times their
// size, for sharper images and finer widths.
constexpr double kRasterScale = 3.0;

// Reals as "%f" would print them in the C locale: a locale with a decimal
// comma must not leak into the file.
void AppendReal(std::string& out, double value) {
  char buffer[64];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 6);
  if (result.ec == std::errc()) {
    out.append(buffer, result.ptr);
  } else {
    out += "0.000000";
  }
}

template <typename Integer>
void AppendInt(std::string& out, Integer value) {
  char buffer[32];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  out.append(buffer, result.ptr);
}

template <typename Integer>
std::string Int(Integer value) {
  std::string out;
  AppendInt(out, value);
  return out;
}

std::string Padded(std::string text, std::size_t width, char fill) {
  if (text.size() < width) text.insert(0, width - text.size(), fill);
  return text;
}

std::string ObjectLine(int number) { return Int(number) + " 0 obj"; }

std::string Reference(int number) { return Int(number) + " 0 R"; }

bool IsLineBreak(char c) { return c == '\r' || c == '\n'; }

}  // namespace

std::string PdfDateText(std::time_t t) {
  std::tm local{};
  if (localtime_r(&t, &local) == nullptr) local = std::tm{};
  const long offsetMinutes = local.tm_gmtoff / 60;
  // Sign and magnitude apart, so zones such as -03:30 read -03'30' rather
  // than a negative minutes field.
  const long magnitude = offsetMinutes < 0 ? -offsetMinutes : offsetMinutes;
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "D:%.4d%.2d%.2d%.2d%.2d%.2d%c%.2ld'%.2ld'", local.tm_year + 1900,
                local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec,
                offsetMinutes < 0 ? '-' : '+', magnitude / 60, magnitude % 60);
  return buffer;
}

PdfDocument::PdfDocument(const std::filesystem::path& path, int paperIndex, PdfOptions options)
    : path_(path), options_(std::move(options)) {
  const PageSize size = PaperPageSize(paperIndex, kReportResolution);
  width_ = size.width;
  height_ = size.height;
  resolution_ = kReportResolution;
  resetFont();
  file_ = std::fopen(path.c_str(), "wb");
  if (file_ == nullptr) return;
  // Text runs are small writes; a large buffer keeps them off the kernel.
  std::setvbuf(file_, nullptr, _IOFBF, 1 << 16);
  write("%PDF-1.4\r\n%??\r\n");
}

PdfDocument::~PdfDocument() { finish(); }

bool PdfDocument::isOpen() const { return file_ != nullptr && !failed_; }

void PdfDocument::write(std::string_view bytes) {
  if (file_ == nullptr || failed_) return;
  if (std::fwrite(bytes.data(), 1, bytes.size(), file_) != bytes.size()) {
    failed_ = true;
    return;
  }
  offset_ += bytes.size();
}

int PdfDocument::writeObject(std::string_view dictionary) {
  const int number = nextObject();
  objectOffsets_.push_back(offset_);
  std::string text = ObjectLine(number);
  text += dictionary;
  text += "\r\nendobj\r\n";
  write(text);
  return number;
}

int PdfDocument::writeStream(std::string_view dictionary, std::string_view data) {
  const int number = nextObject();
  objectOffsets_.push_back(offset_);
  std::string head = ObjectLine(number);
  head += dictionary;
  head += "\r\nstream\r\n";
  write(head);
  write(data);
  write("\r\nendstream\r\nendobj\r\n");
  return number;
}

void PdfDocument::addResource(std::vector<std::string>& list, std::string entry) {
  if (std::find(list.begin(), list.end(), entry) != list.end()) return;
  list.insert(list.begin(), std::move(entry));
}

void PdfDocument::resetFont() {
  fontName_ = "Helvetica";
  fontStandard_ = true;
  fontSize_ = kDefaultFontSize;
  underline_ = false;
  face_ = FontFace{"Helvetica", false, false};
  lineHeight_ = (kHelveticaAscent - kHelveticaDescent) * 0.001 * fontSize_;
}

TextRasterizer* PdfDocument::rasterizer() {
  if (options_.rasterizer != nullptr) return options_.rasterizer;
  if (!rasterizerTried_) {
    rasterizerTried_ = true;
    auto freeType = std::make_unique<FreeTypeRasterizer>();
    if (freeType->usable()) ownRasterizer_ = std::move(freeType);
  }
  return ownRasterizer_.get();
}

void PdfDocument::beginPage() {
  if (!isOpen()) return;
  // A page left open would otherwise never reach the page tree.
  if (pageOpen_) endPage();
  pageOpen_ = true;
  pageXObjects_.clear();
  pageFonts_.clear();
  pageContents_.clear();
  pageColourImages_ = false;
  pageText_ = false;
  pageFillColourWritten_ = false;
  pathBuffer_.clear();
  strokePending_ = false;
  resetFont();
}

void PdfDocument::endPage() {
  if (!pageOpen_) return;
  flushPath();
  pageOpen_ = false;

  std::string page = "<</Type/Page /Parent ";
  const std::size_t placeholder = page.size();
  page += kParentPlaceholder;
  page += " 0 R /MediaBox [0 0 ";
  AppendInt(page, static_cast<long long>(std::floor(width_ * 72.0 / resolution_ + 0.5)));
  page += ' ';
  AppendInt(page, static_cast<long long>(std::floor(height_ * 72.0 / resolution_ + 0.5)));
  page += "] ";
  page += "/Group <</Type /Group /S /Transparency /CS /DeviceRGB>> ";
  page += "/Resources <<";
  page += "/ProcSet [/PDF ";
  if (pageColourImages_) page += "/ImageC ";
  if (pageText_) page += "/Text ";
  page += "] ";
  auto appendList = [&page](std::string_view key, const std::vector<std::string>& list) {
    if (list.empty()) return;
    page += key;
    page += " <<";
    for (const std::string& entry : list) {
      page += ' ';
      page += entry;
      page += ' ';
    }
    page += ">> ";
  };
  appendList("/XObject", pageXObjects_);
  appendList("/Font", pageFonts_);
  page += ">> ";
  if (!pageContents_.empty()) {
    page += "/Contents [";
    for (int content : pageContents_) {
      page += ' ';
      page += Reference(content);
      page += ' ';
    }
    page += "] ";
  }
  page += " >> ";

  const std::uint64_t start = offset_;
  const int number = writeObject(page);
  parentPlaceholders_.push_back(start + ObjectLine(number).size() + placeholder);
  pageObjects_.push_back(number);
}

void PdfDocument::selectFont(std::string_view face, double cellHeight, int weight, bool italic, bool underline) {
  const ResolvedFont resolved = ResolveFont(face, weight, italic);
  fontName_ = resolved.pdfName;
  fontStandard_ = resolved.standard;
  underline_ = underline;
  if (fontStandard_) {
    face_ = FontFace{"Helvetica", fontName_.find("Bold") != std::string::npos,
                     fontName_.find("Oblique") != std::string::npos};
  } else {
    face_ = FontFace{std::string(face), weight >= kBoldWeight, italic};
  }
  double ascent = kHelveticaAscent;
  double descent = kHelveticaDescent;
  if (!fontStandard_) {
    if (TextRasterizer* r = rasterizer()) {
      if (const auto metrics = r->metrics(face_); metrics && metrics->ascent - metrics->descent > 0) {
        ascent = metrics->ascent;
        descent = metrics->descent;
      }
    }
  }
  // A zero height asks for no particular size; keep the default rather than
  // write invisible text.
  double size = kDefaultFontSize;
  if (cellHeight < 0) size = -cellHeight;
  if (cellHeight > 0) size = cellHeight * 1000.0 / (ascent - descent);
  fontSize_ = static_cast<float>(size);
  lineHeight_ = (ascent - descent) * 0.001 * fontSize_;
}

double PdfDocument::lineWidth(std::string_view line) {
  if (line.empty()) return 0;
  if (fontStandard_) {
    if (const auto bytes = Utf8ToWindows1252(line)) {
      long sum = 0;
      for (char c : *bytes) sum += StandardCharWidth(fontName_, static_cast<unsigned char>(c));
      return static_cast<double>(sum) * 0.001 * fontSize_ * kHorizontalScale;
    }
  }
  if (TextRasterizer* r = rasterizer()) {
    if (const auto width = r->measure(face_, kRasterScale * fontSize_, line)) return *width / kRasterScale;
  }
  // Without a font service every character counts as a fixed-pitch one.
  return static_cast<double>(DecodeUtf8(line).size()) * kFallbackCharWidth * 0.001 * fontSize_;
}

double PdfDocument::textWidth(std::string_view text) {
  double widest = 0;
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t end = start;
    while (end < text.size() && !IsLineBreak(text[end])) ++end;
    widest = std::max(widest, lineWidth(text.substr(start, end - start)));
    if (end == text.size()) break;
    start = end + ((text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n') ? 2 : 1);
  }
  return widest;
}

const PdfDocument::WrittenFont& PdfDocument::ensureFont() {
  auto found = std::find_if(fonts_.begin(), fonts_.end(), [&](const WrittenFont& f) { return f.pdfName == fontName_; });
  if (found == fonts_.end()) {
    WrittenFont font;
    font.pdfName = fontName_;
    font.object = writeObject(FontDictionary(fontName_));
    font.resource = FontResourceName(fontName_);
    // Two names that differ only in punctuation would share a resource name
    // and one would hide the other on a page.
    const bool taken = std::any_of(fonts_.begin(), fonts_.end(),
                                   [&](const WrittenFont& f) { return f.resource == font.resource; });
    if (taken) font.resource += "_" + Int(font.object);
    fonts_.push_back(std::move(font));
    found = fonts_.end() - 1;
  }
  addResource(pageFonts_, found->resource + " " + Reference(found->object));
  return *found;
}

void PdfDocument::flushPath() {
  if (pathBuffer_.empty()) return;
  if (strokePending_) pathBuffer_ += "S\r\n";
  pageContents_.push_back(writeStream("<</Length " + Int(pathBuffer_.size()) + ">>", pathBuffer_));
  pathBuffer_.clear();
  strokePending_ = false;
}

void PdfDocument::drawText(std::string_view text, double x, double y) {
  if (!pageOpen_ || text.empty() || !isOpen()) return;
  flushPath();
  const auto bytes = Utf8ToWindows1252(text);
  if (!bytes) {
    drawTextImage(text, x, y);
    return;
  }
  const WrittenFont& font = ensureFont();
  pageText_ = true;

  std::string content;
  if (!pageFillColourWritten_) {
    content += "0.000000 0.000000 0.000000 rg\r\n";
    pageFillColourWritten_ = true;
  }
  if (underline_) {
    // Below the baseline: PDF y grows upwards.
    const double underlineY = height_ - y - 0.1 * fontSize_;
    content += "q\r\n";
    AppendReal(content, 0.05 * fontSize_);
    content += " w\r\n";
    AppendReal(content, x);
    content += ' ';
    AppendReal(content, underlineY);
    content += " m\r\n";
    AppendReal(content, x + textWidth(text));
    content += ' ';
    AppendReal(content, underlineY);
    content += " l\r\n0.000000 0.000000 0.000000 RG\r\nS\r\nQ\r\n";
  }
  content += "BT\r\n";
  content += font.resource;
  content += ' ';
  AppendReal(content, fontSize_);
  content += " Tf ";
  AppendReal(content, kHorizontalScale * 100);
  content += " Tz ";
  AppendReal(content, kWordSpacing);
  content += " Tw\r\n";
  AppendReal(content, x);
  content += ' ';
  AppendReal(content, height_ - y);
  content += " Td\r\n(";
  content += EscapePdfString(*bytes);
  content += ") Tj \r \nET\r\n";
  pageContents_.push_back(writeStream("<</Length " + Int(content.size()) + ">>", content));
}

void PdfDocument::drawTextImage(std::string_view text, double x, double y) {
  TextRasterizer* r = rasterizer();
  if (r == nullptr) return;
  const auto bitmap = r->render(face_, kRasterScale * fontSize_, text);
  if (!bitmap || bitmap->width <= 0 || bitmap->height <= 0) return;
  const auto w = static_cast<std::size_t>(bitmap->width);
  const auto h = static_cast<std::size_t>(bitmap->height);
  if (bitmap->coverage.size() != w * h) return;

  auto imageName = [this] {
    std::string name = "/IMG_";
    name += Padded(Int(++imageCounter_), 6, '0');
    return name;
  };
  const std::string size = "/Width " + Int(w) + " /Height " + Int(h);
  const std::string_view mask(reinterpret_cast<const char*>(bitmap->coverage.data()), bitmap->coverage.size());
  const int maskObject = writeStream("<</Type /XObject /Subtype /Image " + size +
                                         " /ColorSpace /DeviceGray /BitsPerComponent 8 /Length " + Int(mask.size()) +
                                         " >>",
                                     mask);
  imageName();

  // The text colour in every pixel; the mask decides where it shows.
  const std::string colour(w * h * 3, '\0');
  const int colourObject = writeStream("<</Type /XObject /Subtype /Image " + size + " /SMask " +
                                           Reference(maskObject) +
                                           " /ColorSpace /DeviceRGB /BitsPerComponent 8 /Length " +
                                           Int(colour.size()) + " >>",
                                       colour);
  const std::string name = imageName();
  addResource(pageXObjects_, name + " " + Reference(colourObject));
  pageColourImages_ = true;

  // The bitmap's baseline and pen origin go where drawText would put them,
  // so the image lines up with text drawn beside it.
  const long left = std::lround(x - bitmap->origin / kRasterScale);
  const long bottom = std::lround(height_ - y - (bitmap->height - bitmap->baseline) / kRasterScale);
  std::string content = "q\r\n1 0 0 1 ";
  AppendInt(content, left);
  content += ' ';
  AppendInt(content, bottom);
  content += " cm\r\n";
  AppendReal(content, bitmap->width / kRasterScale);
  content += " 0 0 ";
  AppendReal(content, bitmap->height / kRasterScale);
  content += " 0 0 cm\r\n";
  content += name;
  content += " Do\r\nQ\r\n";
  pageContents_.push_back(writeStream("<</Length " + Int(content.size()) + ">>", content));
}

void PdfDocument::drawLine(double x1, double y1, double x2, double y2) {
  if (!pageOpen_ || !isOpen()) return;
  if (strokePending_) pathBuffer_ += "S\r\n";
  AppendReal(pathBuffer_, x1);
  pathBuffer_ += ' ';
  AppendReal(pathBuffer_, height_ - y1);
  pathBuffer_ += " m\r\n";
  AppendReal(pathBuffer_, x2);
  pathBuffer_ += ' ';
  AppendReal(pathBuffer_, height_ - y2);
  pathBuffer_ += " l\r\n";
  strokePending_ = true;
}

bool PdfDocument::finish() {
  if (finished_) return finishResult_;
  finished_ = true;
  if (file_ == nullptr) return false;
  endPage();

  std::string tree = "<</Type/Pages /Count ";
  AppendInt(tree, pageObjects_.size());
  if (pageObjects_.empty()) {
    tree += " >>";
  } else {
    tree += " /Kids [";
    for (int page : pageObjects_) tree += Reference(page) + " ";
    tree += "]>>";
  }
  const int treeObject = writeObject(tree);

  std::string producer = options_.producer;
  if (producer.empty()) producer = std::string("Tallyvane ") + TALLYVANE_VERSION_TEXT;
  const std::string date = PdfDateText(options_.writtenAt ? *options_.writtenAt : std::time(nullptr));
  const int infoObject = writeObject("<</Producer(" + EscapePdfString(Utf8ToWindows1252Lossy(producer)) +
                                     ")/CreationDate(" + date + ")/ModDate(" + date + ")>>");
  const int catalogObject = writeObject("<</Type/Catalog /Pages " + Reference(treeObject) + ">>");

  const std::uint64_t xref = offset_;
  std::string table = "xref\r\n0 " + Int(objectOffsets_.size() + 1) + "\r\n0000000000 65535 f\r\n";
  for (std::uint64_t offset : objectOffsets_) {
    table += Padded(Int(offset), 10, '0');
    table += " 00000 n\r\n";
  }
  table += "trailer\r\n<</Size " + Int(objectOffsets_.size() + 1) + " /Root " + Reference(catalogObject) +
           " /Info " + Reference(infoObject) + ">>\r\nstartxref\r\n" + Int(xref) + "\r\n%%EOF\r\n";
  write(table);

  // The page tree's number, left-justified in five characters, over the
  // placeholder of every page; a number longer than the placeholder cannot
  // be written, and the file would be corrupt.
  std::string parent = Int(treeObject);
  if (parent.size() > kParentPlaceholder.size()) failed_ = true;
  if (parent.size() < 5) parent.append(5 - parent.size(), ' ');
  if (!failed_ && std::fflush(file_) != 0) failed_ = true;
  for (std::uint64_t at : parentPlaceholders_) {
    if (failed_) break;
    if (fseeko(file_, static_cast<off_t>(at), SEEK_SET) != 0 ||
        std::fwrite(parent.data(), 1, parent.size(), file_) != parent.size()) {
      failed_ = true;
    }
  }
  if (std::fclose(file_) != 0) failed_ = true;
  file_ = nullptr;
  // A broken file is worse than none; but only a file this document wrote is
  // removed, never a device or pipe it was pointed at.
  std::error_code ignored;
  if (failed_ && std::filesystem::is_regular_file(path_, ignored)) std::filesystem::remove(path_, ignored);
  finishResult_ = !failed_;
  return finishResult_;
}

}  // namespace tallyvane::pdf
