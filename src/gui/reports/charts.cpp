#include "gui/reports/charts.h"

#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QDateTime>
#include <QDateTimeAxis>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineSeries>
#include <QPainter>
#include <QPieSeries>
#include <QPieSlice>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QValueAxis>
#include <QVBoxLayout>
#include <cmath>

#include "gui/dialogs/form_support.h"
#include "gui/gui_context.h"
#include "gui/reports/report_window.h"

namespace tallyvane::gui {

namespace {

// Charts place points on a real axis; the amount itself stays integral in
// the core, and this is the only place it becomes a coordinate.
qreal Coordinate(store::Money amount, const store::RegionalSettings& regional) {
  return static_cast<qreal>(amount.minorUnits()) / std::pow(10.0, regional.digits());
}

QChart* NewChart(const QString& title) {
  auto* chart = new QChart;
  chart->setTitle(title);
  chart->setAnimationOptions(QChart::NoAnimation);
  chart->legend()->setAlignment(Qt::AlignBottom);
  chart->setMargins(QMargins(4, 4, 4, 4));
  return chart;
}

}  // namespace

QChart* MakeCategoryChart(const reports::CategoryReport& report) {
  const store::RegionalSettings& regional = report.owner().regional();
  std::vector<reports::ChartSlice> spent;
  for (const reports::CategoryFigure& figure : report.figures()) spent.push_back({figure.name, figure.expense});
  const std::vector<reports::ChartSlice> slices = reports::ShareSlices(std::move(spent), 8);
  QChart* chart = NewChart(QObject::tr("Expenses by Category"));
  auto* series = new QPieSeries;
  for (const reports::ChartSlice& slice : slices) {
    QPieSlice* piece = series->append(Q(slice.label) + QStringLiteral(": ") + Q(store::FormatMoney(regional, slice.amount)),
                                      Coordinate(slice.amount, regional));
    piece->setLabelVisible(false);
  }
  series->setPieSize(0.8);
  chart->addSeries(series);
  chart->legend()->setAlignment(Qt::AlignRight);
  return chart;
}

QChart* MakeBudgetChart(const reports::BudgetReport& report) {
  const store::RegionalSettings& regional = report.owner().regional();
  QChart* chart = NewChart(QObject::tr("Budget and Actual"));
  auto* budget = new QBarSet(QObject::tr("Budget"));
  auto* actual = new QBarSet(QObject::tr("Actual"));
  QStringList names;
  for (const reports::BudgetFigure& figure : report.figures()) {
    names << Q(figure.name);
    *budget << Coordinate(figure.budget, regional);
    *actual << Coordinate(figure.actual, regional);
  }
  auto* series = new QBarSeries;
  series->append(budget);
  series->append(actual);
  chart->addSeries(series);
  auto* x = new QBarCategoryAxis;
  x->append(names);
  chart->addAxis(x, Qt::AlignBottom);
  series->attachAxis(x);
  auto* y = new QValueAxis;
  y->setLabelFormat(QStringLiteral("%.0f"));
  chart->addAxis(y, Qt::AlignLeft);
  series->attachAxis(y);
  y->applyNiceNumbers();
  return chart;
}

QChart* MakeNetWorthChart(const std::vector<reports::NetWorthMonth>& months, const store::RegionalSettings& regional) {
  QChart* chart = NewChart(Q(reports::kNetWorthTitle));
  auto* assets = new QLineSeries;
  assets->setName(QObject::tr("Assets"));
  auto* liabilities = new QLineSeries;
  liabilities->setName(QObject::tr("Liabilities"));
  auto* net = new QLineSeries;
  net->setName(QObject::tr("Net Worth"));
  QPen netPen(QColor(0x1a, 0x5f, 0xb4));
  netPen.setWidthF(2.5);
  net->setPen(netPen);
  qreal low = 0;
  qreal high = 0;
  for (const reports::NetWorthMonth& month : months) {
    const qreal at =
        static_cast<qreal>(QDateTime(QDate(month.month.year, month.month.month, 1), QTime(0, 0)).toMSecsSinceEpoch());
    const qreal values[] = {Coordinate(month.assets, regional), Coordinate(month.liabilities, regional),
                            Coordinate(month.netWorth(), regional)};
    assets->append(at, values[0]);
    liabilities->append(at, values[1]);
    net->append(at, values[2]);
    for (qreal v : values) {
      low = std::min(low, v);
      high = std::max(high, v);
    }
  }
  auto* x = new QDateTimeAxis;
  x->setFormat(QStringLiteral("MMM yyyy"));
  x->setTickCount(std::clamp(static_cast<int>(months.size()), 2, 11));
  auto* y = new QValueAxis;
  y->setLabelFormat(QStringLiteral("%.0f"));
  y->setRange(low, high > low ? high : low + 1);
  y->applyNiceNumbers();
  chart->addAxis(x, Qt::AlignBottom);
  chart->addAxis(y, Qt::AlignLeft);
  for (QLineSeries* series : {assets, liabilities, net}) {
    chart->addSeries(series);
    series->attachAxis(x);
    series->attachAxis(y);
  }
  return chart;
}

bool SaveChartPng(QChartView* view, const QString& path) {
  const qreal ratio = 2.0;
  QPixmap image(view->size() * ratio);
  image.setDevicePixelRatio(ratio);
  image.fill(Qt::white);
  QPainter painter(&image);
  view->render(&painter);
  painter.end();
  return image.save(path, "PNG");
}

void PaintChart(QChart* chart, QPainter& painter, const QRectF& page) {
  if (chart == nullptr || chart->scene() == nullptr) return;
  chart->scene()->render(&painter, page, chart->sceneBoundingRect(), Qt::KeepAspectRatio);
}

bool SaveChartAs(QChartView* view, QWidget* parent) {
  const QString file = ChooseSaveFileFor(parent, QObject::tr("Save Chart as PNG"), QStringLiteral("Chart.png"),
                                         QObject::tr("PNG Image (*.png)"));
  if (file.isEmpty()) return false;
  return SaveChartPng(view, file);
}

// ---------------------------------------------------------------- net worth

NetWorthWindow::NetWorthWindow(GuiContext& context, QWidget* parent) : QDialog(parent), context_(context) {
  setObjectName(QStringLiteral("netWorthWindow"));
  setWindowTitle(Q(reports::kNetWorthTitle));
  setWindowFlag(Qt::WindowMaximizeButtonHint, true);
  const std::time_t now = context.clock.now();
  std::tm local{};
  localtime_r(&now, &local);
  const reports::YearMonth current{local.tm_year + 1900, local.tm_mon + 1};
  const reports::YearMonth first = reports::FirstNetWorthMonth(context.data).value_or(current);
  months_ = reports::NetWorthByMonth(context.data, first, current);

  view_ = new QChartView(MakeNetWorthChart(months_, context.data.regional()), this);
  view_->setObjectName(QStringLiteral("chart"));
  view_->setRenderHint(QPainter::Antialiasing);
  auto* summary = new QLabel(this);
  summary->setObjectName(QStringLiteral("summary"));
  if (!months_.empty()) {
    const reports::NetWorthMonth& last = months_.back();
    const store::RegionalSettings& regional = context.data.regional();
    summary->setText(tr("Assets %1, liabilities %2, net worth %3")
                         .arg(Q(store::FormatMoney(regional, last.assets)), Q(store::FormatMoney(regional, last.liabilities)),
                              Q(store::FormatMoney(regional, last.netWorth()))));
  }
  auto* save = new QPushButton(tr("&Save as PNG..."), this);
  save->setObjectName(QStringLiteral("savePng"));
  save->setToolTip(tr("Save this chart as a PNG image"));
  auto* print = new QPushButton(tr("&Print..."), this);
  print->setObjectName(QStringLiteral("print"));
  print->setToolTip(tr("Print this chart"));
  auto* close = new QPushButton(tr("&Close"), this);
  close->setObjectName(QStringLiteral("close"));
  connect(save, &QPushButton::clicked, this, [this] { SaveChartAs(view_, this); });
  connect(print, &QPushButton::clicked, this, &NetWorthWindow::print);
  connect(close, &QPushButton::clicked, this, &QDialog::accept);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(summary, 1);
  buttons->addWidget(save);
  buttons->addWidget(print);
  buttons->addWidget(close);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(view_, 1);
  layout->addLayout(buttons);
  resize(900, 560);
}

void NetWorthWindow::print() {
  QPrinter printer(QPrinter::HighResolution);
  printer.setPageOrientation(QPageLayout::Landscape);
  printer.setDocName(QStringLiteral("Tallyvane Printing"));
  QPrintDialog dialog(&printer, this);
  if (dialog.exec() != QDialog::Accepted) return;
  QPainter painter;
  if (!painter.begin(&printer)) {
    context_.prompter.message("Printing Error", "The chart could not be printed.", store::Icon::Error);
    return;
  }
  PaintChart(view_->chart(), painter, QRectF(painter.viewport()));
  painter.end();
}

void RunNetWorth(GuiContext& context, QWidget* parent) {
  NetWorthWindow window(context, parent);
  window.exec();
}

}  // namespace tallyvane::gui
