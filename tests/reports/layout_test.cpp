// The page layout on a recording canvas with simple metrics (a character is
// half the font size wide, a line as high as the size): column geometry,
// title and footers, rows split across pages, the frame and the gap rule.
#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <sstream>

#include "reports/activity_report.h"
#include "reports/category_report.h"
#include "reports/page_layout.h"
#include "reports_fixture.h"
#include "store/text.h"

namespace tallyvane::reports {
namespace {

class RecordingCanvas final : public pdf::Canvas {
 public:
  struct Text {
    std::string text;
    double x, y, size;
    bool bold;
  };
  struct Line {
    double x1, y1, x2, y2;
  };
  struct Page {
    std::vector<Text> texts;
    std::vector<Line> lines;
    bool ended = false;
  };

  RecordingCanvas(int width, int height) : width_(width), height_(height) {}
  [[nodiscard]] int pageWidth() const override { return width_; }
  [[nodiscard]] int pageHeight() const override { return height_; }
  [[nodiscard]] int resolution() const override { return 72; }
  void beginPage() override {
    pages.emplace_back();
    size_ = 12;
    bold_ = false;
  }
  void endPage() override { pages.back().ended = true; }
  void selectFont(std::string_view face, double cellHeight, int weight, bool, bool) override {
    EXPECT_EQ(face, "Helvetica");
    size_ = std::abs(cellHeight);
    bold_ = weight > 699;
  }
  [[nodiscard]] double textWidth(std::string_view text) override {
    std::size_t widest = 0;
    std::size_t start = 0;
    while (start <= text.size()) {
      std::size_t end = text.find_first_of("\r\n", start);
      if (end == std::string_view::npos) end = text.size();
      widest = std::max(widest, store::CountChars(text.substr(start, end - start)));
      start = end + 1;
    }
    return static_cast<double>(widest) * size_ / 2;
  }
  [[nodiscard]] double lineHeight() const override { return size_; }
  void drawText(std::string_view text, double x, double y) override {
    pages.back().texts.push_back({std::string(text), x, y, size_, bold_});
  }
  void drawLine(double x1, double y1, double x2, double y2) override { pages.back().lines.push_back({x1, y1, x2, y2}); }

  std::vector<Page> pages;

 private:
  int width_;
  int height_;
  double size_ = 12;
  bool bold_ = false;
};

// A report whose rows the test sets.
class FixedReport final : public Report {
 public:
  FixedReport(DataContext& data, ColumnSet columns, std::vector<ReportRow> rows)
      : Report(data, columns, MonthPeriod(2026, 11)), fixed_(std::move(rows)) {
    setTitle("Test Report");
  }
  void build() override {
    clearRows();
    for (const ReportRow& row : fixed_) {
      std::vector<std::string> texts;
      for (const ReportCell& cell : row.cells) texts.push_back(cell.text);
      ReportRow& added = addRow(texts, row.indent, row.kind);
      added.trailingPad = row.trailingPad;
      added.ruleBelow = row.ruleBelow;
      for (std::size_t i = 0; i < row.cells.size(); ++i) added.cells[i].style = row.cells[i].style;
      countRecord();
    }
  }

 private:
  std::vector<ReportRow> fixed_;
};

ReportRow TableRow(std::vector<std::string> texts, RowKind kind = RowKind::Plain) {
  ReportRow row;
  row.kind = kind;
  for (std::string& text : texts) row.cells.push_back({std::move(text), 0});
  return row;
}

std::set<double> VerticalRules(const RecordingCanvas::Page& page) {
  std::set<double> xs;
  for (const auto& line : page.lines) {
    if (line.x1 == line.x2) xs.insert(line.x1);
  }
  return xs;
}

// 600 x 400 units with 0.75 inch margins: the side margin is 54, the table
// 492 wide, the bottom limit at 346; a body character is 5 wide, so c = 5.
constexpr int kWidth = 600;
constexpr int kHeight = 400;
constexpr double kBottom = 346;

class LayoutTest : public ReportsTest {
 protected:
  RecordingCanvas canvas_{kWidth, kHeight};
};

TEST_F(LayoutTest, SpareWidthGoesToTheStretchColumns) {
  FixedReport report(data(), kCategoryColumns, {TableRow({"Income", ""})});
  report.build();
  EXPECT_EQ(LayoutReport(report, canvas_, {}), 1);
  // 492 - 2*3*5 - 5*70 = 112 spare, all of it to "Category".
  EXPECT_EQ(VerticalRules(canvas_.pages[0]), (std::set<double>{54, 326, 436, 546}));
}

TEST_F(LayoutTest, TooLittleWidthNarrowsTheSpaceBesideEachColumn) {
  FixedReport report(data(), kAssetActivityColumns, {TableRow({"", "2026-11-01"})});
  report.build();
  LayoutReport(report, canvas_, {});
  // 492 - 2*7*5 - 5*90 = -28: the side space becomes 5 - ceil(28/14) = 3.
  EXPECT_EQ(VerticalRules(canvas_.pages[0]), (std::set<double>{54, 70, 126, 232, 303, 384, 465, 546}));
}

TEST_F(LayoutTest, RegisterLinesKeepDatesWholeAndTheTableWithinTheMargins) {
  for (const ColumnSet columns : {ColumnSet(kAssetActivityColumns), ColumnSet(kChargeActivityColumns)}) {
    RecordingCanvas canvas(kWidth, kHeight);
    FixedReport report(data(), columns, {TableRow({"R", "2026-11-01", "Payee", "Category", "$1.00", "", "$2.00"},
                                                  RowKind::Register)});
    report.build();
    LayoutReport(report, canvas, {});
    // Measured in the register size (c = 5.5), the narrowed side space still
    // leaves the table too wide; the stretch columns give up the excess.
    const std::set<double> rules = VerticalRules(canvas.pages[0]);
    EXPECT_DOUBLE_EQ(*rules.begin(), 54);
    EXPECT_NEAR(*rules.rbegin(), 546, 1e-9);
    bool dateWhole = false;
    for (const auto& text : canvas.pages[0].texts) dateWhole = dateWhole || text.text == "2026-11-01";
    EXPECT_TRUE(dateWhole) << columns.size() << " columns, " << columns[2].width;
  }
}

TEST_F(LayoutTest, TitlePeriodColumnTitlesAndFooter) {
  FixedReport report(data(), kCategoryColumns, {TableRow({"Income", ""})});
  report.build();
  LayoutReport(report, canvas_, {});
  const auto& texts = canvas_.pages[0].texts;
  auto find = [&](const std::string& text) -> const RecordingCanvas::Text* {
    for (const auto& t : texts) {
      if (t.text == text) return &t;
    }
    return nullptr;
  };
  const auto* title = find("Test Report");
  ASSERT_NE(title, nullptr);
  EXPECT_EQ(title->size, 18);
  EXPECT_TRUE(title->bold);
  EXPECT_DOUBLE_EQ(title->x + 11 * 9, 546);  // right-aligned to the printable width
  EXPECT_DOUBLE_EQ(title->y, 54 + 18);
  const auto* period = find("Period: 11/01/2026 to 11/30/2026");
  ASSERT_NE(period, nullptr);
  EXPECT_EQ(period->size, 11);
  EXPECT_DOUBLE_EQ(period->y, 54 + 18 + 0.3 * 72 + 11);
  const auto* expense = find("Expense");
  ASSERT_NE(expense, nullptr);
  EXPECT_TRUE(expense->bold);
  EXPECT_DOUBLE_EQ(expense->x + 7 * 5, 431);  // right-aligned in its text area
  const auto* footer = find(" page 1");
  ASSERT_NE(footer, nullptr);
  EXPECT_EQ(footer->size, 10);
  EXPECT_DOUBLE_EQ(footer->y, kHeight - 54 + 11 + 10);
  // The last page's frame reaches down to 0.2 inch above the bottom limit.
  bool frameBottom = false;
  for (const auto& line : canvas_.pages[0].lines) {
    if (line.y1 == line.y2 && line.x1 == 54 && line.x2 == 546 && std::abs(line.y1 - (kBottom - 14.4)) < 1e-9) {
      frameBottom = true;
    }
  }
  EXPECT_TRUE(frameBottom);
  EXPECT_TRUE(canvas_.pages[0].ended);
}

// A narrow column (three characters, one word a line) makes a cell of 64
// short words 64 lines tall; the amount column beside it has a rule above.
constexpr std::array<ReportColumn, 3> kNarrowColumns = {{
    {"T", 3, ColumnAlignment::Left, false},
    {"Amount", 10, ColumnAlignment::Right, false},
    {"Other", 10, ColumnAlignment::Left, true},
}};

TEST_F(LayoutTest, ARowTallerThanAPageContinuesOverSeveralPages) {
  std::string words;
  for (int i = 1; i <= 64; ++i) words += store::FormatSql("w%.2d ", {i});
  ReportRow tall = TableRow({words, "$1.00", "beside"});
  tall.cells[1].style = kStyleRuleAbove;
  FixedReport report(data(), kNarrowColumns, {tall, TableRow({"end", "", "after"})});
  report.build();
  // Page 1 holds 17 lines, page 2 26, page 3 the last 21 and the next row.
  const int pages = LayoutReport(report, canvas_, {});
  ASSERT_EQ(pages, 3);
  ASSERT_EQ(canvas_.pages.size(), 3u);

  std::vector<std::string> seen;
  std::vector<int> perPage;
  int amounts = 0;
  int rulesAbove = 0;
  for (std::size_t p = 0; p < canvas_.pages.size(); ++p) {
    const auto& page = canvas_.pages[p];
    EXPECT_TRUE(page.ended);
    bool footer = false;
    int words = 0;
    for (const auto& text : page.texts) {
      if (text.text == " page " + std::to_string(p + 1)) {
        footer = true;
        continue;
      }
      if (text.size == 10 && !text.bold) {
        EXPECT_LE(text.y, kBottom) << "page " << p + 1 << ": " << text.text;
      }
      if (text.text == "$1.00" || text.text == "beside") ++amounts;
      if (text.text.front() == 'w') {
        seen.push_back(text.text);
        ++words;
      }
    }
    perPage.push_back(words);
    EXPECT_TRUE(footer) << "page " << p + 1;
    // The column titles are repeated on every page.
    EXPECT_EQ(std::count_if(page.texts.begin(), page.texts.end(),
                            [](const auto& t) { return t.text == "Amount" && t.bold; }),
              1);
    for (const auto& line : page.lines) {
      if (line.y1 == line.y2 && line.x1 == 84 && line.x2 == 134) ++rulesAbove;
    }
  }
  EXPECT_EQ(perPage, (std::vector<int>{17, 26, 21}));
  // Every word once, in order: the split loses nothing and repeats nothing.
  ASSERT_EQ(seen.size(), 64u);
  for (int i = 0; i < 64; ++i) EXPECT_EQ(seen[static_cast<std::size_t>(i)], store::FormatSql("w%.2d", {i + 1}));
  EXPECT_EQ(amounts, 2);  // the other cells stay empty on the continuation pages
  EXPECT_EQ(rulesAbove, 1);
  // A page before the last closes its frame at the bottom limit, the last
  // one 0.2 inch above it.
  auto frameAt = [](const RecordingCanvas::Page& page, double y) {
    return std::any_of(page.lines.begin(), page.lines.end(), [&](const auto& line) {
      return line.y1 == line.y2 && line.x1 == 54 && line.x2 == 546 && std::abs(line.y1 - y) < 1e-9;
    });
  };
  EXPECT_TRUE(frameAt(canvas_.pages[0], kBottom));
  EXPECT_TRUE(frameAt(canvas_.pages[1], kBottom));
  EXPECT_TRUE(frameAt(canvas_.pages[2], kBottom - 14.4));
}

TEST_F(LayoutTest, TheLastRowMovesToANewPageWhenItsGapDoesNotFit) {
  // The table's rows start at 165.6 and take 15 each: after eleven rows the
  // twelfth would end at 345.6, inside the limit but not 0.2 inch above it.
  std::vector<ReportRow> rows;
  for (int i = 1; i <= 12; ++i) rows.push_back(TableRow({"row " + std::to_string(i), "", ""}));
  FixedReport report(data(), kCategoryColumns, rows);
  report.build();
  ASSERT_EQ(LayoutReport(report, canvas_, {}), 2);
  auto has = [](const RecordingCanvas::Page& page, const std::string& text) {
    return std::any_of(page.texts.begin(), page.texts.end(), [&](const auto& t) { return t.text == text; });
  };
  EXPECT_TRUE(has(canvas_.pages[0], "row 11"));
  EXPECT_FALSE(has(canvas_.pages[0], "row 12"));
  EXPECT_TRUE(has(canvas_.pages[1], "row 12"));

  // Eleven rows fit on one page with the gap.
  RecordingCanvas shorter(kWidth, kHeight);
  rows.pop_back();
  FixedReport fits(data(), kCategoryColumns, rows);
  fits.build();
  EXPECT_EQ(LayoutReport(fits, shorter, {}), 1);
}

TEST_F(LayoutTest, RowKindsChooseTheFontAndScreenOnlyRowsAreNotPrinted) {
  ReportRow indented = TableRow({"indented", "", ""});
  indented.indent = 2;
  FixedReport report(data(), kCategoryColumns,
                     {TableRow({"register", "", ""}, RowKind::Register), TableRow({"bold", "", ""}, RowKind::Bold),
                      TableRow({"hidden", "", ""}, RowKind::ScreenOnly), indented});
  report.build();
  LayoutReport(report, canvas_, {});
  std::map<std::string, RecordingCanvas::Text> drawn;
  for (const auto& t : canvas_.pages[0].texts) drawn.emplace(t.text, t);
  EXPECT_EQ(drawn.at("register").size, 11);
  EXPECT_TRUE(drawn.at("bold").bold);
  EXPECT_EQ(drawn.count("hidden"), 0u);
  EXPECT_EQ(drawn.count("      indented"), 1u);  // the indent is drawn as blanks
}

TEST_F(LayoutTest, RealActivityReportFillsPagesWithinTheLimits) {
  for (int day = 1; day <= 28; ++day) {
    Add(kChecking, "12.34", store::FormatSql("2026-11-%.2d", {day}), ledger::TransactionType::Purchase,
        "A payee with a rather long name that wraps", "Food | Groceries");
  }
  AccountActivityReport report(data(), MonthPeriod(2026, 11), kChecking);
  report.build();
  const int pages = LayoutReport(report, canvas_, {});
  EXPECT_GT(pages, 1);
  int rows = 0;
  for (const auto& page : canvas_.pages) {
    for (const auto& text : page.texts) {
      if (text.size == 11 && text.text.find("2026-11-") == 0) ++rows;
      if (text.text.rfind(" page ", 0) != 0) {
        EXPECT_LE(text.y, kBottom) << text.text;
      }
    }
  }
  EXPECT_EQ(rows, 28);
}

}  // namespace
}  // namespace tallyvane::reports
