// The report page drawn with QPainter, for the printer and the print preview.
// It measures text exactly as the PDF writer does (the Helvetica width tables,
// the same font service for anything else), so a report breaks into the same
// lines and pages on paper, in the preview and in the PDF file; only the ink
// comes from Qt.
#pragma once

#include <QFont>
#include <QRectF>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "pdf/canvas.h"
#include "pdf/paper.h"
#include "pdf/text_rasterizer.h"

class QPainter;
class QPagedPaintDevice;
class QPrinter;

namespace tallyvane::reports {
class Report;
}

namespace tallyvane::gui {

class PainterCanvas : public pdf::Canvas {
 public:
  // Pages of `size` in report units (1/72 inch) drawn on the painter, which
  // is scaled to its device here. `pages`, when given, is asked for a new
  // page before every page but the first.
  PainterCanvas(QPainter& painter, QPagedPaintDevice* pages, pdf::PageSize size);
  ~PainterCanvas() override;
  PainterCanvas(const PainterCanvas&) = delete;
  PainterCanvas& operator=(const PainterCanvas&) = delete;

  [[nodiscard]] int pageWidth() const override { return size_.width; }
  [[nodiscard]] int pageHeight() const override { return size_.height; }
  [[nodiscard]] int resolution() const override { return pdf::kReportResolution; }

  void beginPage() override;
  void endPage() override;
  void selectFont(std::string_view face, double cellHeight, int weight = pdf::kNormalWeight, bool italic = false,
                  bool underline = false) override;
  [[nodiscard]] double textWidth(std::string_view text) override;
  [[nodiscard]] double lineHeight() const override { return lineHeight_; }
  void drawText(std::string_view text, double x, double y) override;
  void drawLine(double x1, double y1, double x2, double y2) override;

  [[nodiscard]] int pagesBegun() const { return pagesBegun_; }

 private:
  void resetFont();
  void applyFont();
  [[nodiscard]] double lineWidth(std::string_view line);
  pdf::TextRasterizer* rasterizer();

  QPainter& painter_;
  QPagedPaintDevice* pages_;
  pdf::PageSize size_;
  double scale_ = 1;
  bool pageOpen_ = false;
  int pagesBegun_ = 0;

  std::string fontName_;
  bool fontStandard_ = true;
  double fontSize_ = 12;
  bool underline_ = false;
  pdf::FontFace face_;
  double lineHeight_ = 0;
  std::unique_ptr<pdf::TextRasterizer> rasterizer_;
  bool rasterizerTried_ = false;
};

// The page size of the book's paper option.
[[nodiscard]] pdf::PageSize ReportPageSize(const reports::Report& report);

// Sets the printer to the book's paper, full page, so report units map onto
// the sheet as they do onto a PDF page.
void PreparePrinter(const reports::Report& report, QPrinter& printer);

// Draws one more page after the report's (its chart), in device pixels of
// the printed sheet.
using ExtraPage = std::function<void(QPainter& painter, const QRectF& page)>;

// Lays the report out on the printer (or the preview's printer), then the
// extra page when there is one; returns the page count.
int PrintReport(const reports::Report& report, QPrinter& printer, const ExtraPage& extra = {});

}  // namespace tallyvane::gui
