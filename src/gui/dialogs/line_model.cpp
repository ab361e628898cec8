#include "gui/dialogs/line_model.h"

namespace tallyvane::gui {

LineModel::LineModel(QStringList headers, QObject* parent) : QAbstractTableModel(parent), headers_(std::move(headers)) {}

void LineModel::setLines(std::vector<int32_t> keys, std::vector<QStringList> cells) {
  beginResetModel();
  keys_ = std::move(keys);
  cells_ = std::move(cells);
  endResetModel();
}

int32_t LineModel::keyAt(int row) const {
  return row >= 0 && static_cast<std::size_t>(row) < keys_.size() ? keys_[static_cast<std::size_t>(row)] : 0;
}

std::optional<int> LineModel::rowOfKey(int32_t key) const {
  for (std::size_t i = 0; i < keys_.size(); ++i) {
    if (keys_[i] == key) return static_cast<int>(i);
  }
  return std::nullopt;
}

int LineModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(keys_.size());
}

int LineModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : headers_.size(); }

QVariant LineModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || role != Qt::DisplayRole) return {};
  const QStringList& row = cells_[static_cast<std::size_t>(index.row())];
  return index.column() < row.size() ? row[index.column()] : QString();
}

QVariant LineModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= headers_.size()) return {};
  return headers_[section];
}

}  // namespace tallyvane::gui
