#include "gui/reports/painter_canvas.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPen>
#include <QPrinter>
#include <algorithm>

#include "pdf/font_metrics.h"
#include "pdf/freetype_rasterizer.h"
#include "pdf/winansi.h"
#include "reports/page_layout.h"
#include "reports/report.h"

namespace tallyvane::gui {

namespace {

constexpr double kDefaultFontSize = 12;
// The PDF writer measures text it cannot encode at three times its size.
constexpr double kRasterScale = 3.0;

bool IsLineBreak(char c) { return c == '\r' || c == '\n'; }

// A face with Helvetica's widths, so the ink fits the measured boxes.
QString HelveticaFamily() {
  static const QString family = [] {
    const QStringList families = QFontDatabase::families();
    for (const char* name : {"Nimbus Sans", "Nimbus Sans L", "Liberation Sans", "Arial", "Helvetica"}) {
      if (families.contains(QLatin1String(name), Qt::CaseInsensitive)) return QString::fromLatin1(name);
    }
    return QStringLiteral("Sans Serif");
  }();
  return family;
}

}  // namespace

PainterCanvas::PainterCanvas(QPainter& painter, QPagedPaintDevice* pages, pdf::PageSize size)
    : painter_(painter), pages_(pages), size_(size) {
  if (QPaintDevice* device = painter_.device(); device != nullptr && size_.width > 0) {
    scale_ = static_cast<double>(device->width()) / size_.width;
    if (device->height() > 0 && size_.height > 0) {
      scale_ = std::min(scale_, static_cast<double>(device->height()) / size_.height);
    }
  }
  painter_.save();
  painter_.scale(scale_, scale_);
  painter_.setRenderHint(QPainter::Antialiasing, true);
  painter_.setRenderHint(QPainter::TextAntialiasing, true);
  resetFont();
}

PainterCanvas::~PainterCanvas() { painter_.restore(); }

pdf::TextRasterizer* PainterCanvas::rasterizer() {
  if (!rasterizerTried_) {
    rasterizerTried_ = true;
    auto freeType = std::make_unique<pdf::FreeTypeRasterizer>();
    if (freeType->usable()) rasterizer_ = std::move(freeType);
  }
  return rasterizer_.get();
}

void PainterCanvas::resetFont() {
  fontName_ = "Helvetica";
  fontStandard_ = true;
  fontSize_ = kDefaultFontSize;
  underline_ = false;
  face_ = pdf::FontFace{"Helvetica", false, false};
  lineHeight_ = (pdf::kHelveticaAscent - pdf::kHelveticaDescent) * 0.001 * fontSize_;
  applyFont();
}

void PainterCanvas::beginPage() {
  if (pageOpen_) endPage();
  if (pagesBegun_ > 0 && pages_ != nullptr) pages_->newPage();
  pageOpen_ = true;
  ++pagesBegun_;
  resetFont();
}

void PainterCanvas::endPage() { pageOpen_ = false; }

void PainterCanvas::selectFont(std::string_view face, double cellHeight, int weight, bool italic, bool underline) {
  const pdf::ResolvedFont resolved = pdf::ResolveFont(face, weight, italic);
  fontName_ = resolved.pdfName;
  fontStandard_ = resolved.standard;
  underline_ = underline;
  if (fontStandard_) {
    face_ = pdf::FontFace{"Helvetica", fontName_.find("Bold") != std::string::npos,
                          fontName_.find("Oblique") != std::string::npos};
  } else {
    face_ = pdf::FontFace{std::string(face), weight >= pdf::kBoldWeight, italic};
  }
  double ascent = pdf::kHelveticaAscent;
  double descent = pdf::kHelveticaDescent;
  if (!fontStandard_) {
    if (pdf::TextRasterizer* r = rasterizer()) {
      if (const auto metrics = r->metrics(face_); metrics && metrics->ascent - metrics->descent > 0) {
        ascent = metrics->ascent;
        descent = metrics->descent;
      }
    }
  }
  double size = kDefaultFontSize;
  if (cellHeight < 0) size = -cellHeight;
  if (cellHeight > 0) size = cellHeight * 1000.0 / (ascent - descent);
  // The writer keeps the size as a float; so does this, to round alike.
  fontSize_ = static_cast<float>(size);
  lineHeight_ = (ascent - descent) * 0.001 * fontSize_;
  applyFont();
}

void PainterCanvas::applyFont() {
  QFont font(fontStandard_ ? HelveticaFamily() : QString::fromStdString(face_.family));
  font.setBold(face_.bold);
  font.setItalic(face_.italic);
  font.setUnderline(underline_);
  font.setKerning(false);
  font.setHintingPreference(QFont::PreferNoHinting);
  // The painter is scaled to report units, so the font is sized in them: a
  // point size that the device's resolution turns into `fontSize_` units.
  const int dpi = painter_.device() != nullptr ? painter_.device()->logicalDpiY() : 72;
  font.setPointSizeF(std::max(0.5, fontSize_ * 72.0 / std::max(1, dpi)));
  painter_.setFont(font);
}

double PainterCanvas::lineWidth(std::string_view line) {
  if (line.empty()) return 0;
  if (fontStandard_) {
    if (const auto bytes = pdf::Utf8ToWindows1252(line)) {
      long sum = 0;
      for (char c : *bytes) sum += pdf::StandardCharWidth(fontName_, static_cast<unsigned char>(c));
      return static_cast<double>(sum) * 0.001 * fontSize_;
    }
  }
  if (pdf::TextRasterizer* r = rasterizer()) {
    if (const auto width = r->measure(face_, kRasterScale * fontSize_, line)) return *width / kRasterScale;
  }
  return static_cast<double>(pdf::DecodeUtf8(line).size()) * pdf::kFallbackCharWidth * 0.001 * fontSize_;
}

double PainterCanvas::textWidth(std::string_view text) {
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

void PainterCanvas::drawText(std::string_view text, double x, double y) {
  if (!pageOpen_ || text.empty()) return;
  painter_.setPen(QPen(Qt::black));
  const QString line = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
  // The installed face may be wider or narrower than the widths the layout
  // measured with; the ink is fitted to the measured width so that it stays
  // inside its column and right-aligned amounts end on the same edge.
  const double drawn = QFontMetricsF(painter_.font(), painter_.device()).horizontalAdvance(line);
  const double wanted = lineWidth(text);
  if (drawn <= 0 || wanted <= 0) {
    painter_.drawText(QPointF(x, y), line);
    return;
  }
  painter_.save();
  painter_.translate(x, y);
  painter_.scale(wanted / drawn, 1.0);
  painter_.drawText(QPointF(0, 0), line);
  painter_.restore();
}

void PainterCanvas::drawLine(double x1, double y1, double x2, double y2) {
  if (!pageOpen_) return;
  QPen pen(Qt::black);
  pen.setWidthF(0.5);
  painter_.setPen(pen);
  painter_.drawLine(QPointF(x1, y1), QPointF(x2, y2));
}

pdf::PageSize ReportPageSize(const reports::Report& report) {
  return pdf::PaperPageSize(static_cast<int>(pdf::PaperFromOption(report.owner().regional().paperSize)));
}

void PreparePrinter(const reports::Report& report, QPrinter& printer) {
  QPageSize::PageSizeId id = QPageSize::A4;
  switch (pdf::PaperFromOption(report.owner().regional().paperSize)) {
    case pdf::Paper::Letter:
      id = QPageSize::Letter;
      break;
    case pdf::Paper::Legal:
      id = QPageSize::Legal;
      break;
    case pdf::Paper::A4:
      break;
  }
  printer.setFullPage(true);
  printer.setPageLayout(QPageLayout(QPageSize(id), QPageLayout::Portrait, QMarginsF(0, 0, 0, 0)));
  printer.setDocName(QStringLiteral("Tallyvane Printing"));
}

int PrintReport(const reports::Report& report, QPrinter& printer, const ExtraPage& extra) {
  QPainter painter;
  if (!painter.begin(&printer)) return 0;
  int pages = 0;
  {
    PainterCanvas canvas(painter, &printer, ReportPageSize(report));
    pages = reports::LayoutReport(report, canvas, reports::MarginsOf(report.owner().regional()));
  }
  if (extra && pages > 0) {
    printer.newPage();
    const reports::PageMargins margins = reports::MarginsOf(report.owner().regional());
    const double dpi = printer.resolution();
    const QRectF sheet(0, 0, painter.device()->width(), painter.device()->height());
    extra(painter, sheet.adjusted(margins.sides * dpi, margins.topBottom * dpi, -margins.sides * dpi,
                                  -margins.topBottom * dpi));
    ++pages;
  }
  painter.end();
  return pages;
}

}  // namespace tallyvane::gui
