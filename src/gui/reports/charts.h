// The charts beside the reports and the "Net Worth" window. The figures come
// from the reports core; these only turn them into Qt Charts, save them as
// PNG and draw them on a printed page.
#pragma once

#include <QDialog>
#include <QString>
#include <vector>

#include "reports/budget_report.h"
#include "reports/category_report.h"
#include "reports/chart_figures.h"
#include "store/regional.h"

class QChart;
class QChartView;
class QPainter;
class QRectF;

namespace tallyvane::gui {

struct GuiContext;

// Expenses by category as a pie, the small ones as "Other".
[[nodiscard]] QChart* MakeCategoryChart(const reports::CategoryReport& report);
// Budget against actual, one pair of bars per budgeted category.
[[nodiscard]] QChart* MakeBudgetChart(const reports::BudgetReport& report);
// Assets, liabilities and net worth per month.
[[nodiscard]] QChart* MakeNetWorthChart(const std::vector<reports::NetWorthMonth>& months,
                                        const store::RegionalSettings& regional);

// The chart as the view shows it, at twice its size for a sharp file.
bool SaveChartPng(QChartView* view, const QString& path);
// The chart scaled into `page` on a printed sheet.
void PaintChart(QChart* chart, QPainter& painter, const QRectF& page);

// Asks for the file and saves; false when cancelled or not written.
bool SaveChartAs(QChartView* view, QWidget* parent);

class NetWorthWindow final : public QDialog {
  Q_OBJECT
 public:
  NetWorthWindow(GuiContext& context, QWidget* parent);
  [[nodiscard]] QChartView* view() const { return view_; }
  [[nodiscard]] const std::vector<reports::NetWorthMonth>& months() const { return months_; }

 private:
  void print();
  GuiContext& context_;
  std::vector<reports::NetWorthMonth> months_;
  QChartView* view_ = nullptr;
};

void RunNetWorth(GuiContext& context, QWidget* parent);

}  // namespace tallyvane::gui
