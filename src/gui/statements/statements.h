// The main window's entry points for statements and online banking: the
// OFX/QFX and CSV imports (from a chosen or a dropped file), the import
// review, the retrieval from the account's institution and the directory's
// add-institution form. Each returns whether data changed, so the caller
// refreshes its views.
#pragma once

#include <QString>
#include <filesystem>
#include <functional>
#include <string_view>

#include "ledger/keys.h"

class QWidget;

namespace tallyvane::gui {

struct GuiContext;

// The open-file filters.
inline constexpr const char* kOfxFilter = "OFX/QFX files (*.ofx *.qfx *.OFX *.QFX)";
inline constexpr const char* kCsvFilter = "CSV files (*.csv *.CSV)";

// Asks for the file when `file` is empty; then the import review.
bool RunOfxImport(GuiContext& context, QWidget* parent, ledger::AccountKey account, std::filesystem::path file = {});
// The review of a statement's text, as the file import and the retrieval
// open it.
bool RunImportReview(GuiContext& context, QWidget* parent, ledger::AccountKey account, std::string_view statement);

// Asks for the file when `file` is empty; then the field matching and the import.
bool RunCsvImport(GuiContext& context, QWidget* parent, ledger::AccountKey account, std::filesystem::path file = {});

// Which import a dropped file's name asks for; empty for none.
enum class DroppedKind { None, Ofx, Csv };
[[nodiscard]] DroppedKind KindOfDroppedFile(const QString& fileName);

// "Retrieve Transactions": the integrity check, the set-up questions (which
// open the account form through `editAccount` and come back), the password
// prompt, the exchange under its progress window, then the review.
bool RunRetrieval(GuiContext& context, QWidget* parent, ledger::AccountKey account,
                  const std::function<bool()>& editAccount);

// The add-institution form; the new row's key in `added`.
bool RunAddInstitution(GuiContext& context, QWidget* parent, std::string* added = nullptr);

// Lets the main window take dropped statement files: an OFX/QFX or CSV file
// dropped on it opens the matching import for `currentAccount()`.
void AcceptStatementDrops(QWidget* window, GuiContext& context, std::function<ledger::AccountKey()> currentAccount,
                          std::function<void(bool changed)> done);

}  // namespace tallyvane::gui
