// The category and payee journals: live lists of the transactions behind one
// row of a report, over the report's period, with the add, edit and delete
// commands of the journal window. Each command refills the list when it
// changed something and remembers that it did, for the report to pass on.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ledger/entry.h"
#include "ledger/keys.h"
#include "reports/period.h"
#include "reports/report.h"
#include "store/data_context.h"
#include "store/money.h"
#include "store/ports.h"
#include "store/status.h"

namespace tallyvane::reports {

using ledger::TransactionKey;
using store::Money;

enum class JournalMode : int { Payments = 0, Deposits = 1, Both = 2 };

struct JournalLine {
  TransactionKey id = 0;
  std::array<std::string, 7> cells;  // in the journal's column order, the hidden ID first
  std::optional<Money> payment;      // shown positive
  std::optional<Money> deposit;
  std::string note;
};

inline constexpr std::string_view kDeleteTransactionsTitle = "Delete Transactions";
inline constexpr std::string_view kDeleteTransactionsQuestion =
    "Are you sure that you would like to delete the selected transactions?";
inline constexpr std::string_view kDeleteSplitsQuestion =
    "The selection contains split transactions. Deleting split transactions would delete other transactions that "
    "are not in this selection.\r\n\r\nAre you sure you want to continue and delete the transactions?";
inline constexpr std::string_view kNotAllDeletedTitle = "Delete transactions";
inline constexpr std::string_view kNotAllDeleted =
    "Not all transactions were deleted.  Reconciled transactions, should reconciled prior to deletion.";

class Journal {
 public:
  virtual ~Journal() = default;
  Journal(const Journal&) = delete;
  Journal& operator=(const Journal&) = delete;

  [[nodiscard]] const std::string& windowTitle() const { return windowTitle_; }
  [[nodiscard]] const std::string& header() const { return header_; }
  [[nodiscard]] const std::string& periodText() const { return periodText_; }
  [[nodiscard]] ColumnSet columns() const { return columns_; }
  [[nodiscard]] const ReportPeriod& period() const { return period_; }
  [[nodiscard]] JournalMode mode() const { return mode_; }
  [[nodiscard]] const std::vector<JournalLine>& lines() const { return lines_; }
  // Some add, edit or delete changed data since the journal opened.
  [[nodiscard]] bool changed() const { return changed_; }

  // Refills the list (sorted by date; equal dates keep the table's order).
  void fill();

  // "Add": the transaction form's save for a new row.
  [[nodiscard]] ledger::EntryResult add(const ledger::EntryForm& form, store::Prompter& prompter);
  // "Edit" is enabled for exactly one selected line the journal lets the
  // user change; the form opens as from a report.
  [[nodiscard]] bool canEdit(const std::vector<TransactionKey>& selected) const;
  [[nodiscard]] std::optional<ledger::EntryForm> openForEdit(TransactionKey id) const;
  [[nodiscard]] ledger::EntryResult edit(const ledger::EntryForm& form, store::Prompter& prompter);
  // "Delete" is enabled for one or more such lines. Asks first; reconciled
  // transactions are left alone (and said so), the others deleted.
  [[nodiscard]] bool canDelete(const std::vector<TransactionKey>& selected) const;
  [[nodiscard]] Status deleteSelected(const std::vector<TransactionKey>& selected, store::Prompter& prompter);

 protected:
  Journal(DataContext& data, const ReportPeriod& period, ColumnSet columns, std::string windowTitle,
          std::string header, JournalMode mode);
  [[nodiscard]] DataContext& data() const { return data_; }
  // The lines in table order, before sorting.
  virtual std::vector<JournalLine> collect() = 0;
  // Whether the selection may be edited or deleted at all.
  [[nodiscard]] virtual bool selectionAllowed(const std::vector<TransactionKey>& selected) const;
  [[nodiscard]] virtual std::string_view deleteQuestion(const std::vector<TransactionKey>& selected) const;
  [[nodiscard]] std::string money(Money amount) const;

 private:
  DataContext& data_;
  ReportPeriod period_;
  ColumnSet columns_;
  std::string windowTitle_;
  std::string header_;
  std::string periodText_;
  JournalMode mode_;
  bool changed_ = false;
  std::vector<JournalLine> lines_;
};

// Transactions of one category: the split lines of that category in split
// transactions and the other transactions filed under it. Payments are
// money out of any account; deposits count only into asset accounts.
// Opened from a category report, it lists transfers between the book's
// accounts only when the report counted them, so its lines add up to the
// report's line.
class CategoryJournal final : public Journal {
 public:
  CategoryJournal(DataContext& data, ledger::CategoryKey category, const ReportPeriod& period, JournalMode mode,
                  bool includeTransfers = true);
  [[nodiscard]] ledger::CategoryKey category() const { return category_; }

 protected:
  std::vector<JournalLine> collect() override;
  [[nodiscard]] std::string_view deleteQuestion(const std::vector<TransactionKey>& selected) const override;

 private:
  ledger::CategoryKey category_;
  bool includeTransfers_;
};

// Transactions of one payee (0 for none), transfers left out, both directions.
class PayeeJournal final : public Journal {
 public:
  PayeeJournal(DataContext& data, ledger::PayeeKey payee, const ReportPeriod& period);
  [[nodiscard]] ledger::PayeeKey payee() const { return payee_; }

 protected:
  std::vector<JournalLine> collect() override;
  // A balancing entry of a reconciliation is neither edited nor deleted here.
  [[nodiscard]] bool selectionAllowed(const std::vector<TransactionKey>& selected) const override;

 private:
  ledger::PayeeKey payee_;
};

}  // namespace tallyvane::reports
