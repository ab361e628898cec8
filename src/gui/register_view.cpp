#include "gui/register_view.h"

#include <QComboBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QPainter>
#include <algorithm>

#include "gui/register_model.h"

namespace tallyvane::gui {

RegisterView::RegisterView(QWidget* parent) : QTableView(parent) {
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setSelectionMode(QAbstractItemView::ExtendedSelection);
  setEditTriggers(QAbstractItemView::SelectedClicked | QAbstractItemView::EditKeyPressed);
  setAlternatingRowColors(true);
  setWordWrap(false);
  setShowGrid(false);
  setTabKeyNavigation(false);
  setContextMenuPolicy(Qt::CustomContextMenu);
  verticalHeader()->hide();
  verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 8);
  horizontalHeader()->setHighlightSections(false);
  // A figure column's width is measured on the rows on screen and no more
  // than a page besides: the model reads rows a page at a time, and Qt would
  // otherwise read a thousand on every fit.
  horizontalHeader()->setResizeContentsPrecision(200);
  horizontalHeader()->setStretchLastSection(false);
  horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
  // A width the user drags is his: from then on the columns keep it.
  connect(horizontalHeader(), &QHeaderView::sectionResized, this, [this] {
    if (!fitting_) userSet_ = true;
  });
  connect(this, &QAbstractItemView::doubleClicked, this, [this](const QModelIndex& index) {
    // A double click on the cleared box only ticks it.
    if (index.column() != RegisterModel::Cleared) emit editRequested();
  });
}

void RegisterView::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Space && event->modifiers() == Qt::NoModifier && state() != EditingState) {
    const QModelIndex current = currentIndex();
    if (current.isValid()) {
      const QModelIndex box = model()->index(current.row(), RegisterModel::Cleared);
      if (box.flags() & Qt::ItemIsUserCheckable) {
        const bool cleared = box.data(Qt::CheckStateRole).toInt() == Qt::Checked;
        model()->setData(box, cleared ? Qt::Unchecked : Qt::Checked, Qt::CheckStateRole);
      }
    }
    event->accept();
    return;
  }
  QTableView::keyPressEvent(event);
}

void RegisterView::setTextColumns(std::vector<std::pair<int, int>> weights) {
  textColumns_ = std::move(weights);
  fitColumns();
}

void RegisterView::fitColumns() {
  if (userSet_ || model() == nullptr) return;
  QHeaderView* header = horizontalHeader();
  const int count = model()->columnCount();
  std::vector<int> widths(static_cast<std::size_t>(count), 0);
  int used = 0;
  int weights = 0;
  for (int column = 0; column < count; ++column) {
    const int title = header->sectionSizeHint(column);
    const auto text = std::find_if(textColumns_.begin(), textColumns_.end(),
                                   [column](const auto& entry) { return entry.first == column; });
    int width = title;
    if (text != textColumns_.end()) {
      weights += text->second;
    } else {
      width = figureWidth(column);
    }
    widths[static_cast<std::size_t>(column)] = width;
    used += width;
  }
  // What is left goes to the text columns by weight; the last takes the
  // pixels the division leaves over.
  const int spare = viewport()->width() - used;
  if (spare > 0 && weights > 0) {
    const int total = spare;
    int given = 0;
    for (std::size_t i = 0; i < textColumns_.size(); ++i) {
      const auto [column, weight] = textColumns_[i];
      if (column < 0 || column >= count) continue;
      const int share = i + 1 == textColumns_.size() ? total - given : total * weight / weights;
      widths[static_cast<std::size_t>(column)] += share;
      given += share;
    }
  }
  fitting_ = true;
  for (int column = 0; column < count; ++column) header->resizeSection(column, widths[static_cast<std::size_t>(column)]);
  fitting_ = false;
}

int RegisterView::figureWidth(int column) const {
  return std::max(horizontalHeader()->sectionSizeHint(column), sizeHintForColumn(column));
}

std::vector<int> RegisterView::userWidths() const {
  std::vector<int> widths;
  if (!userSet_ || model() == nullptr) return widths;
  for (int column = 0; column < model()->columnCount(); ++column) widths.push_back(columnWidth(column));
  return widths;
}

void RegisterView::setUserWidths(const std::vector<int>& widths) {
  if (model() == nullptr || widths.size() != static_cast<std::size_t>(model()->columnCount())) return;
  const int least = horizontalHeader()->minimumSectionSize();
  fitting_ = true;
  for (std::size_t column = 0; column < widths.size(); ++column) {
    setColumnWidth(static_cast<int>(column), std::max(widths[column], least));
  }
  fitting_ = false;
  userSet_ = true;
}

void RegisterView::resizeEvent(QResizeEvent* event) {
  QTableView::resizeEvent(event);
  fitColumns();
}

void RegisterView::setEmptyText(const QString& text) {
  emptyText_ = text;
  viewport()->update();
}

void RegisterView::paintEvent(QPaintEvent* event) {
  QTableView::paintEvent(event);
  if (model() == nullptr || model()->rowCount() > 0 || emptyText_.isEmpty()) return;
  QPainter painter(viewport());
  painter.setPen(palette().color(QPalette::Disabled, QPalette::Text));
  const QRect area = viewport()->rect().adjusted(24, 24, -24, -24);
  painter.drawText(area, Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap, emptyText_);
}

QWidget* CategoryDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem&, const QModelIndex& index) const {
  auto* box = new QComboBox(parent);
  box->addItems(choices_(index));
  box->setMaxVisibleItems(20);
  return box;
}

void CategoryDelegate::setEditorData(QWidget* editor, const QModelIndex& index) const {
  auto* box = static_cast<QComboBox*>(editor);
  const int at = box->findText(index.data(Qt::EditRole).toString());
  box->setCurrentIndex(at >= 0 ? at : 0);
  box->showPopup();
}

void CategoryDelegate::setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const {
  const QString chosen = static_cast<QComboBox*>(editor)->currentText();
  // The line between the two kinds is not a category.
  if (chosen == QLatin1String(kCategorySeparator)) return;
  model->setData(index, chosen, Qt::EditRole);
}

}  // namespace tallyvane::gui
