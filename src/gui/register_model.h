// The account register as a table model over the core's paged register: the
// row count comes from one count, and rows are read a page at a time as the
// view paints them, with a few pages kept, so any period opens at once and
// holds little memory however long it is.
#pragma once

#include <QAbstractTableModel>
#include <QFont>
#include <list>
#include <map>
#include <memory>
#include <optional>
#include <vector>

#include "ledger/register.h"
#include "store/regional.h"

namespace tallyvane::gui {

class RegisterModel final : public QAbstractTableModel {
  Q_OBJECT

 public:
  enum Column { Cleared, Date, Number, Payee, Category, Note, Payment, Deposit, Balance, ColumnCount };
  static constexpr int kPageSize = 200;
  static constexpr std::size_t kPagesKept = 16;
  // Whether a row is a split line, for the category cell's editor.
  static constexpr int kTransactionKeyRole = Qt::UserRole + 1;

  explicit RegisterModel(QObject* parent = nullptr);

  void setPages(std::unique_ptr<ledger::RegisterPages> pages, const store::RegionalSettings& regional,
                const QString& paymentTitle);
  void clear();

  [[nodiscard]] int rowCount(const QModelIndex& parent = {}) const override;
  [[nodiscard]] int columnCount(const QModelIndex& parent = {}) const override;
  [[nodiscard]] QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  [[nodiscard]] QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  [[nodiscard]] Qt::ItemFlags flags(const QModelIndex& index) const override;
  bool setData(const QModelIndex& index, const QVariant& value, int role) override;
  [[nodiscard]] std::size_t totalRows() const { return static_cast<std::size_t>(count_); }
  // The line at a row, read with its page when not held; valid until the
  // next call that reads another page.
  [[nodiscard]] const ledger::RegisterRow* rowAt(int row) const;
  // The first row of a transaction; -1 when not listed.
  [[nodiscard]] int rowOfKey(ledger::TransactionKey key);
  // The period shown ("" when none).
  [[nodiscard]] std::string from() const { return pages_ ? pages_->from() : std::string(); }
  [[nodiscard]] std::string to() const { return pages_ ? pages_->to() : std::string(); }
  [[nodiscard]] std::size_t pagesHeld() const { return held_.size(); }

 signals:
  void clearedToggled(ledger::TransactionKey key, bool cleared);
  void categoryChosen(ledger::TransactionKey key, const QString& text);

 private:
  const std::vector<ledger::RegisterRow>& page(int number) const;

  std::unique_ptr<ledger::RegisterPages> pages_;
  int count_ = 0;
  // Pages read, and their numbers with the most recently used first.
  mutable std::map<int, std::vector<ledger::RegisterRow>> held_;
  mutable std::list<int> recent_;
  // Rows of the transactions asked for since the last fill.
  std::map<ledger::TransactionKey, int> positions_;
  store::RegionalSettings regional_;
  QString paymentTitle_ = QStringLiteral("Payment");
  QFont moneyFont_;
};

}  // namespace tallyvane::gui
