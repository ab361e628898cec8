#include "gui/register_view.h"

#include <QComboBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QPainter>

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
  horizontalHeader()->setStretchLastSection(false);
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
