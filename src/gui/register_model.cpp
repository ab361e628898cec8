#include "gui/register_model.h"

#include <QBrush>
#include <QColor>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QPalette>
#include <algorithm>

#include "store/dates.h"
#include "store/money.h"

namespace tallyvane::gui {
namespace {

QString Text(const std::string& text) { return QString::fromStdString(text); }

}  // namespace

RegisterModel::RegisterModel(QObject* parent)
    : QAbstractTableModel(parent), moneyFont_(QFontDatabase::systemFont(QFontDatabase::FixedFont)) {}

void RegisterModel::setPages(std::unique_ptr<ledger::RegisterPages> pages, const store::RegionalSettings& regional,
                             const QString& paymentTitle) {
  beginResetModel();
  pages_ = std::move(pages);
  positions_.clear();
  held_.clear();
  recent_.clear();
  count_ = pages_ ? static_cast<int>(std::min<std::int64_t>(pages_->lineCount(), INT32_MAX)) : 0;
  regional_ = regional;
  const bool titleChanged = paymentTitle_ != paymentTitle;
  paymentTitle_ = paymentTitle;
  endResetModel();
  if (titleChanged) emit headerDataChanged(Qt::Horizontal, Payment, Payment);
}

void RegisterModel::clear() {
  beginResetModel();
  pages_.reset();
  positions_.clear();
  held_.clear();
  recent_.clear();
  count_ = 0;
  endResetModel();
}

int RegisterModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : count_; }

int RegisterModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : ColumnCount; }

const std::vector<ledger::RegisterRow>& RegisterModel::page(int number) const {
  if (auto found = held_.find(number); found != held_.end()) {
    if (recent_.front() != number) {
      recent_.remove(number);
      recent_.push_front(number);
    }
    return found->second;
  }
  while (held_.size() >= kPagesKept) {
    held_.erase(recent_.back());
    recent_.pop_back();
  }
  recent_.push_front(number);
  return held_[number] = pages_->lines(static_cast<std::int64_t>(number) * kPageSize, kPageSize);
}

const ledger::RegisterRow* RegisterModel::rowAt(int row) const {
  if (!pages_ || row < 0 || row >= count_) return nullptr;
  const std::vector<ledger::RegisterRow>& lines = page(row / kPageSize);
  const auto offset = static_cast<std::size_t>(row % kPageSize);
  return offset < lines.size() ? &lines[offset] : nullptr;
}

int RegisterModel::rowOfKey(ledger::TransactionKey key) {
  if (!pages_) return -1;
  // A refill asks for the selected and the current row, mostly the same one.
  if (const auto found = positions_.find(key); found != positions_.end()) return found->second;
  const auto position = pages_->positionOf(key);
  const int row = position && *position < count_ ? static_cast<int>(*position) : -1;
  positions_[key] = row;
  return row;
}

QVariant RegisterModel::data(const QModelIndex& index, int role) const {
  const ledger::RegisterRow* line = rowAt(index.row());
  if (line == nullptr) return {};
  const ledger::TransactionRow& row = line->row;
  const int column = index.column();
  auto money = [&](const std::optional<store::Money>& amount) -> QVariant {
    if (!amount) return {};
    return Text(store::FormatMoney(regional_, *amount));
  };
  auto moneyValue = [&]() -> std::optional<store::Money> {
    switch (column) {
      case Payment:
        return line->payment;
      case Deposit:
        return line->deposit;
      case Balance:
        return line->balance;
      default:
        return std::nullopt;
    }
  };

  switch (role) {
    case Qt::DisplayRole:
      switch (column) {
        case Cleared:
          return row.reconciled ? QStringLiteral("R") : QVariant();
        case Date:
          return Text(store::PrintedDate(regional_, row.date));
        case Number:
          return Text(row.number);
        case Payee:
          return Text(line->payeeText);
        case Category:
          return Text(line->categoryText);
        case Note:
          return Text(line->note);
        case Payment:
          return money(line->payment);
        case Deposit:
          return money(line->deposit);
        case Balance:
          return money(line->balance);
        default:
          return {};
      }
    case Qt::EditRole:
      if (column == Category) return Text(line->categoryText);
      return data(index, Qt::DisplayRole);
    case Qt::CheckStateRole:
      if (column == Cleared && !row.reconciled) return row.cleared ? Qt::Checked : Qt::Unchecked;
      return {};
    case Qt::TextAlignmentRole:
      if (column >= Payment) return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
      if (column == Cleared) return QVariant::fromValue(Qt::AlignCenter);
      return QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter);
    case Qt::FontRole: {
      QFont font = column >= Payment ? moneyFont_ : QFont();
      if (row.isVoid) font.setStrikeOut(column != Cleared);
      return font;
    }
    case Qt::ForegroundRole: {
      if (row.isVoid) return QBrush(QGuiApplication::palette().color(QPalette::Disabled, QPalette::Text));
      const auto amount = moneyValue();
      if (amount && amount->minorUnits() < 0) return QBrush(QColor(0xc0, 0x1c, 0x28));
      return {};
    }
    case Qt::ToolTipRole:
      if (row.isVoid) return QStringLiteral("Void");
      if (column == Cleared) return row.reconciled ? QStringLiteral("Reconciled") : QStringLiteral("Cleared");
      if (column == Note && !line->note.empty()) return Text(line->note);
      return {};
    case kTransactionKeyRole:
      return row.key;
    default:
      return {};
  }
}

QVariant RegisterModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal) return {};
  if (role == Qt::TextAlignmentRole) {
    return QVariant::fromValue(section >= Payment ? Qt::AlignRight | Qt::AlignVCenter : Qt::AlignLeft | Qt::AlignVCenter);
  }
  if (role == Qt::ToolTipRole && section == Cleared) return QStringLiteral("Cleared (R: reconciled)");
  if (role != Qt::DisplayRole) return {};
  switch (section) {
    case Cleared:
      return QStringLiteral("C");
    case Date:
      return QStringLiteral("Date");
    case Number:
      return QStringLiteral("Num");
    case Payee:
      return QStringLiteral("Payee");
    case Category:
      return QStringLiteral("Category");
    case Note:
      return QStringLiteral("Note");
    case Payment:
      return paymentTitle_;
    case Deposit:
      return QStringLiteral("Deposit");
    case Balance:
      return QStringLiteral("Balance");
    default:
      return {};
  }
}

Qt::ItemFlags RegisterModel::flags(const QModelIndex& index) const {
  const ledger::RegisterRow* line = rowAt(index.row());
  if (line == nullptr) return Qt::NoItemFlags;
  Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
  if (index.column() == Cleared && !line->row.reconciled) flags |= Qt::ItemIsUserCheckable;
  // A split parent or one of its lines takes its categories in the split editor.
  if (index.column() == Category && !line->row.split && !line->row.isTransfer() &&
      ledger::RegisterRowChangeable(line->row)) {
    flags |= Qt::ItemIsEditable;
  }
  return flags;
}

bool RegisterModel::setData(const QModelIndex& index, const QVariant& value, int role) {
  const ledger::RegisterRow* line = rowAt(index.row());
  if (line == nullptr) return false;
  if (index.column() == Cleared && role == Qt::CheckStateRole) {
    emit clearedToggled(line->row.key, value.toInt() == Qt::Checked);
    return true;
  }
  if (index.column() == Category && role == Qt::EditRole) {
    const QString text = value.toString();
    if (text == Text(line->categoryText)) return false;
    emit categoryChosen(line->row.key, text);
    return true;
  }
  return false;
}

}  // namespace tallyvane::gui
