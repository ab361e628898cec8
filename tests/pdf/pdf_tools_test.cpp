// Checks written files with qpdf and poppler when they are installed; the
// tests skip otherwise.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include <sys/wait.h>
#include <unistd.h>

#include "pdf/pdf_document.h"
#include "pdf_test_support.h"
#include "support/test_support.h"

namespace tallyvane::pdf {
namespace {

using tallyvane::testing::TempDir;

bool OnPath(const std::string& program) {
  const char* path = std::getenv("PATH");
  if (path == nullptr) return false;
  std::string folders = path;
  std::size_t start = 0;
  while (start <= folders.size()) {
    std::size_t end = folders.find(':', start);
    if (end == std::string::npos) end = folders.size();
    const std::filesystem::path candidate = std::filesystem::path(folders.substr(start, end - start)) / program;
    if (access(candidate.c_str(), X_OK) == 0) return true;
    start = end + 1;
  }
  return false;
}

// Runs a command with its output in `output`; returns its exit status.
int RunTool(const std::string& command, const std::filesystem::path& output) {
  const int status = std::system((command + " >'" + output.string() + "' 2>&1").c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// A statement-like document: several pages, both weights, an underline,
// escaped text, Windows-1252 text, a run outside it and a frame of lines.
void WriteSample(const std::filesystem::path& path) {
  PdfDocument pdf(path, 0);
  for (int page = 1; page <= 3; ++page) {
    pdf.beginPage();
    pdf.selectFont("Helvetica", 18, 700);
    pdf.drawTextLines("Income and Expenses\r\nby Category", 54, 54, 487, Alignment::Right);
    pdf.selectFont("Helvetica", 10);
    pdf.drawRect(54, 150, 487, 600);
    pdf.drawLine(54, 170, 541, 170);
    pdf.drawTextBox("Caf\xC3\xA9 (coffee) \\ groceries \xE2\x80\x93 a long description that wraps", 60, 150, 150, 60);
    pdf.drawText("\xE2\x82\xAC 1,234.56", 400, 165);
    pdf.drawText("\xD0\x9C\xD0\xBE\xD1\x81\xD0\xBA\xD0\xB2\xD0\xB0 \xCE\xA9", 250, 165);
    pdf.selectFont("Helvetica", 10, 400, false, true);
    pdf.drawText("Total", 60, 740);
    pdf.selectFont("Helvetica", 10);
    pdf.drawTextLines(" page " + std::to_string(page), 54, 760, 487, Alignment::Right);
    pdf.endPage();
  }
}

TEST(PdfTools, QpdfFindsNoProblem) {
  if (!OnPath("qpdf")) GTEST_SKIP() << "qpdf is not installed";
  TempDir dir;
  WriteSample(dir / "sample.pdf");
  const int status = RunTool("qpdf --check '" + (dir / "sample.pdf").string() + "'", dir / "qpdf.txt");
  const std::string output = testing::ReadBytes(dir / "qpdf.txt");
  EXPECT_EQ(status, 0) << output;
  EXPECT_NE(output.find("No syntax or stream encoding errors found"), std::string::npos) << output;
  EXPECT_EQ(output.find("WARNING"), std::string::npos) << output;
}

TEST(PdfTools, QpdfAcceptsADocumentWithoutPages) {
  if (!OnPath("qpdf")) GTEST_SKIP() << "qpdf is not installed";
  TempDir dir;
  {
    PdfDocument pdf(dir / "empty.pdf", 0);
  }
  const int status = RunTool("qpdf --check '" + (dir / "empty.pdf").string() + "'", dir / "qpdf.txt");
  EXPECT_EQ(status, 0) << testing::ReadBytes(dir / "qpdf.txt");
}

TEST(PdfTools, PopplerReadsTheTextAndRendersWithoutComplaint) {
  if (!OnPath("pdftotext") || !OnPath("pdftoppm")) GTEST_SKIP() << "poppler-utils is not installed";
  TempDir dir;
  WriteSample(dir / "sample.pdf");
  ASSERT_EQ(RunTool("pdftotext -layout '" + (dir / "sample.pdf").string() + "' '" + (dir / "sample.txt").string() + "'",
                dir / "pdftotext.txt"),
            0);
  EXPECT_EQ(testing::ReadBytes(dir / "pdftotext.txt"), "");
  const std::string text = testing::ReadBytes(dir / "sample.txt");
  for (const char* expected : {"Income and Expenses", "Caf\xC3\xA9 (coffee) \\", "\xE2\x82\xAC 1,234.56", "Total",
                               "page 3"}) {
    EXPECT_NE(text.find(expected), std::string::npos) << expected << "\n" << text;
  }
  ASSERT_EQ(RunTool("pdftoppm -r 50 -png '" + (dir / "sample.pdf").string() + "' '" + (dir / "page").string() + "'",
                dir / "pdftoppm.txt"),
            0);
  EXPECT_EQ(testing::ReadBytes(dir / "pdftoppm.txt"), "");
  EXPECT_TRUE(std::filesystem::exists(dir / "page-3.png"));
}

}  // namespace
}  // namespace tallyvane::pdf
