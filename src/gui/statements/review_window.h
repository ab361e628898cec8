// The import review window: the statement's candidates with their ticks and
// categories beside the account's uncleared transactions, the balance the
// ticked rows would leave, and the commit under its progress window. The
// rows live in the core's ImportReview; the models only show and edit them.
#pragma once

#include <QAbstractTableModel>
#include <list>
#include <map>
#include <QDialog>
#include <QStringList>
#include <QStyledItemDelegate>

#include "gui/qt_prompter.h"
#include "import/import_review.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;

namespace tallyvane::gui {

struct GuiContext;

// The candidates: tick, date, payee, category, payment, deposit.
class ReviewRowModel final : public QAbstractTableModel {
  Q_OBJECT

 public:
  enum Column { Tick = 0, Date, Payee, Category, Payment, Deposit, ColumnCount };
  ReviewRowModel(import::ImportReview& review, const store::RegionalSettings& regional, QObject* parent);

  [[nodiscard]] int rowCount(const QModelIndex& parent = {}) const override;
  [[nodiscard]] int columnCount(const QModelIndex& parent = {}) const override;
  [[nodiscard]] QVariant data(const QModelIndex& index, int role) const override;
  [[nodiscard]] QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  [[nodiscard]] Qt::ItemFlags flags(const QModelIndex& index) const override;
  bool setData(const QModelIndex& index, const QVariant& value, int role) override;

 signals:
  void ticksChanged();

 private:
  import::ImportReview& review_;
  const store::RegionalSettings& regional_;
};

// The account's uncleared transactions of the window, for reference: read
// from the review a page at a time as the view paints them, a few pages kept.
class ExistingRowModel final : public QAbstractTableModel {
 public:
  enum Column { Date = 0, Payee, Note, Payment, Deposit, ColumnCount };
  static constexpr int kPageSize = 200;
  static constexpr std::size_t kPagesKept = 8;
  ExistingRowModel(const import::ImportReview& review, QObject* parent);

  [[nodiscard]] int rowCount(const QModelIndex& parent = {}) const override;
  [[nodiscard]] int columnCount(const QModelIndex& parent = {}) const override;
  [[nodiscard]] QVariant data(const QModelIndex& index, int role) const override;
  [[nodiscard]] QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

 private:
  [[nodiscard]] const import::ExistingRow* rowAt(int row) const;
  const import::ImportReview& review_;
  mutable std::map<int, std::vector<import::ExistingRow>> pages_;
  mutable std::list<int> recent_;
};

// The category cell's editor: a list of the review's category choices.
class CategoryChoiceDelegate final : public QStyledItemDelegate {
 public:
  CategoryChoiceDelegate(QStringList choices, QObject* parent);
  QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
  void setEditorData(QWidget* editor, const QModelIndex& index) const override;
  void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override;

 protected:
  bool eventFilter(QObject* editor, QEvent* event) override;

 private:
  QStringList choices_;
};

class ImportReviewWindow final : public QDialog {
 public:
  ImportReviewWindow(GuiContext& context, QWidget* parent, import::ImportReview& review);
  ~ImportReviewWindow() override;

  // "Import": commits the ticked rows; closes on success, stays at a refusal.
  bool commit();
  // True once a commit wrote the ticked rows (a refused one writes none).
  [[nodiscard]] bool imported() const { return imported_; }

  [[nodiscard]] QTableView* rowsView() const { return rows_; }
  [[nodiscard]] ReviewRowModel* rowsModel() const { return rowModel_; }
  [[nodiscard]] QTableView* existingView() const { return existing_; }
  [[nodiscard]] QLineEdit* balanceField() const { return balance_; }

 protected:
  // Space ticks or unticks the current row from any of its cells.
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void ticksChanged();

  GuiContext& context_;
  FieldBindings bindings_;
  import::ImportReview& review_;
  bool imported_ = false;
  ReviewRowModel* rowModel_ = nullptr;
  ExistingRowModel* existingModel_ = nullptr;
  QTableView* rows_ = nullptr;
  QTableView* existing_ = nullptr;
  QLineEdit* balance_ = nullptr;
  QPushButton* import_ = nullptr;
};

}  // namespace tallyvane::gui
