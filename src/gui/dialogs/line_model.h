// The table model behind the list windows: one row per core line, already
// turned into display texts, with the line's key kept beside it so
// selections survive a refill.
#pragma once

#include <QAbstractTableModel>
#include <QStringList>
#include <cstdint>
#include <optional>
#include <vector>

namespace tallyvane::gui {

class LineModel final : public QAbstractTableModel {
 public:
  explicit LineModel(QStringList headers, QObject* parent = nullptr);

  void setLines(std::vector<int32_t> keys, std::vector<QStringList> cells);
  [[nodiscard]] int32_t keyAt(int row) const;
  [[nodiscard]] std::optional<int> rowOfKey(int32_t key) const;

  [[nodiscard]] int rowCount(const QModelIndex& parent = {}) const override;
  [[nodiscard]] int columnCount(const QModelIndex& parent = {}) const override;
  [[nodiscard]] QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  [[nodiscard]] QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

 private:
  QStringList headers_;
  std::vector<int32_t> keys_;
  std::vector<QStringList> cells_;
};

}  // namespace tallyvane::gui
