// The CSV field-matching window: the account's field list with the file
// column each one reads (chosen by number, shown by the first line's text),
// the lines to skip and a preview of the first data lines as they will be
// read. OK runs the core's import, which checks the two required fields.
#pragma once

#include <QAbstractTableModel>
#include <QDialog>
#include <QStyledItemDelegate>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "import/csv_import.h"
#include "ledger/keys.h"

class QSpinBox;
class QTableView;

namespace tallyvane::gui {

struct GuiContext;

// Field name and assigned column; the column cell is edited with a list of
// "Click to assign" and every file column.
class CsvFieldModel final : public QAbstractTableModel {
 public:
  CsvFieldModel(std::vector<std::string_view> fields, std::vector<std::string> columns, QObject* parent);

  [[nodiscard]] int rowCount(const QModelIndex& parent = {}) const override;
  [[nodiscard]] int columnCount(const QModelIndex& parent = {}) const override;
  [[nodiscard]] QVariant data(const QModelIndex& index, int role) const override;
  [[nodiscard]] QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  [[nodiscard]] Qt::ItemFlags flags(const QModelIndex& index) const override;
  // Edit role: the column's 0-based number, or -1 for none.
  bool setData(const QModelIndex& index, const QVariant& value, int role) override;

  [[nodiscard]] const std::vector<std::string>& fileColumns() const { return columns_; }
  [[nodiscard]] const std::vector<std::optional<std::size_t>>& assigned() const { return assigned_; }
  [[nodiscard]] QString columnLabel(std::size_t column) const;

 private:
  std::vector<std::string_view> fields_;
  std::vector<std::string> columns_;
  std::vector<std::optional<std::size_t>> assigned_;
};

class CsvColumnDelegate final : public QStyledItemDelegate {
 public:
  CsvColumnDelegate(const CsvFieldModel& model, QObject* parent);
  QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
  void setEditorData(QWidget* editor, const QModelIndex& index) const override;
  void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override;

 protected:
  bool eventFilter(QObject* editor, QEvent* event) override;

 private:
  const CsvFieldModel& model_;
};

class CsvMatchDialog final : public QDialog {
 public:
  CsvMatchDialog(GuiContext& context, QWidget* parent, ledger::AccountKey account, std::filesystem::path path,
                 std::vector<std::string> columns);

  // Assigns file column `column` (0-based; -1 for none) to field `field`.
  void assign(int field, int column);
  void setLinesToSkip(int lines);
  [[nodiscard]] import::CsvMapping mapping() const;

  // OK: imports; stays open when the required fields are unassigned.
  bool runImport();
  [[nodiscard]] bool imported() const { return result_.imported > 0; }
  [[nodiscard]] const import::CsvImportResult& result() const { return result_; }

  [[nodiscard]] QTableView* fieldsView() const { return fieldsView_; }
  [[nodiscard]] QAbstractItemModel* previewModel() const;

 private:
  void fillPreview();

  GuiContext& context_;
  ledger::AccountKey account_;
  std::filesystem::path path_;
  std::vector<std::vector<std::string>> firstLines_;  // the file's first non-empty lines
  CsvFieldModel* fields_ = nullptr;
  QTableView* fieldsView_ = nullptr;
  QSpinBox* skip_ = nullptr;
  QTableView* preview_ = nullptr;
  import::CsvImportResult result_;
};

}  // namespace tallyvane::gui
