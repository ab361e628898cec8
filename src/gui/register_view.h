// The register's table: Space ticks the cleared box of the current row, and
// the category cell opens a choice of categories.
#pragma once

#include <QStringList>
#include <QStyledItemDelegate>
#include <QTableView>
#include <functional>

namespace tallyvane::gui {

inline constexpr const char* kCategorySeparator = "_____________________";

class RegisterView final : public QTableView {
  Q_OBJECT

 public:
  explicit RegisterView(QWidget* parent = nullptr);
  // Drawn across the empty table, so an empty period says what to do.
  void setEmptyText(const QString& text);

 signals:
  void editRequested();

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  QString emptyText_;
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
