// The account register as a table model: the rows of the shown period only,
// handed to the view in slices as it scrolls, so a long period opens at once.
#pragma once

#include <QAbstractTableModel>
#include <QFont>
#include <optional>
#include <vector>

#include "ledger/register.h"
#include "store/regional.h"

namespace tallyvane::gui {

class RegisterModel final : public QAbstractTableModel {
  Q_OBJECT

 public:
  enum Column { Cleared, Date, Number, Payee, Category, Note, Payment, Deposit, Balance, ColumnCount };
  static constexpr int kFetchSlice = 500;
  // Whether a row is a split line, for the category cell's editor.
  static constexpr int kTransactionKeyRole = Qt::UserRole + 1;

  explicit RegisterModel(QObject* parent = nullptr);

  void setRows(std::vector<ledger::RegisterRow> rows, const store::RegionalSettings& regional,
               const QString& paymentTitle);
  void clear();

  [[nodiscard]] int rowCount(const QModelIndex& parent = {}) const override;
  [[nodiscard]] int columnCount(const QModelIndex& parent = {}) const override;
  [[nodiscard]] QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  [[nodiscard]] QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  [[nodiscard]] Qt::ItemFlags flags(const QModelIndex& index) const override;
  bool setData(const QModelIndex& index, const QVariant& value, int role) override;
  [[nodiscard]] bool canFetchMore(const QModelIndex& parent) const override;
  void fetchMore(const QModelIndex& parent) override;

  // Every row of the period, fetched or not (the find works on all of them).
  [[nodiscard]] const std::vector<ledger::RegisterRow>& allRows() const { return rows_; }
  [[nodiscard]] std::size_t totalRows() const { return rows_.size(); }
  [[nodiscard]] const ledger::RegisterRow* rowAt(int row) const;
  // The first row of a transaction, fetching up to it; -1 when not listed.
  [[nodiscard]] int rowOfKey(ledger::TransactionKey key);

 signals:
  void clearedToggled(ledger::TransactionKey key, bool cleared);
  void categoryChosen(ledger::TransactionKey key, const QString& text);

 private:
  std::vector<ledger::RegisterRow> rows_;
  int fetched_ = 0;
  store::RegionalSettings regional_;
  QString paymentTitle_ = QStringLiteral("Payment");
  QFont moneyFont_;
};

}  // namespace tallyvane::gui
