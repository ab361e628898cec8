// The register's table: Space ticks the cleared box of the current row, and
// the category cell opens a choice of categories.
#pragma once

#include <QStringList>
#include <QStyledItemDelegate>
#include <QTableView>
#include <functional>
#include <vector>

namespace tallyvane::gui {

inline constexpr const char* kCategorySeparator = "_____________________";

class RegisterView final : public QTableView {
  Q_OBJECT

 public:
  explicit RegisterView(QWidget* parent = nullptr);
  // Drawn across the empty table, so an empty period says what to do.
  void setEmptyText(const QString& text);

  // Column widths. Until the user sets his own, the columns of figures
  // (tick, date, number, amounts) fit what they show and their titles, and
  // the text columns share the rest of the width in proportion to their
  // weights, never narrower than their titles; a table too narrow for that
  // scrolls rather than cutting a column.
  void setTextColumns(std::vector<std::pair<int, int>> weights);
  void fitColumns();
  // What a column of figures needs: its title, and its widest shown value.
  [[nodiscard]] int figureWidth(int column) const;
  // The user's own widths, as stored and restored; empty until he sets them.
  [[nodiscard]] std::vector<int> userWidths() const;
  void setUserWidths(const std::vector<int>& widths);

 signals:
  void editRequested();

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  QString emptyText_;
  std::vector<std::pair<int, int>> textColumns_;  // column, weight
  bool fitting_ = false;
  bool userSet_ = false;
};

// The category cell's editor: the choices come from the window for the row
// being edited (its kind first, then the other kind).
class CategoryDelegate final : public QStyledItemDelegate {
 public:
  using Choices = std::function<QStringList(const QModelIndex&)>;
  CategoryDelegate(Choices choices, QObject* parent) : QStyledItemDelegate(parent), choices_(std::move(choices)) {}

  QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
  void setEditorData(QWidget* editor, const QModelIndex& index) const override;
  void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override;

 private:
  Choices choices_;
};

}  // namespace tallyvane::gui
