#include "gui/dialogs/list_window.h"

#include <algorithm>

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QMenu>
#include <QVBoxLayout>

#include "gui/dialogs/form_support.h"
#include "gui/gui_context.h"

namespace tallyvane::gui {

ListWindow::ListWindow(GuiContext& context, QWidget* parent, const QString& title, const QStringList& headers)
    : QDialog(parent), context_(context), model_(new LineModel(headers, this)), view_(new QTableView(this)) {
  setWindowTitle(title);
  view_->setObjectName(QStringLiteral("list"));
  view_->setModel(model_);
  view_->setSelectionBehavior(QAbstractItemView::SelectRows);
  view_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  view_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  view_->setContextMenuPolicy(Qt::CustomContextMenu);
  view_->setAlternatingRowColors(true);
  view_->setWordWrap(false);
  view_->verticalHeader()->hide();
  view_->verticalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
  view_->horizontalHeader()->setStretchLastSection(true);
  view_->horizontalHeader()->setHighlightSections(false);

  auto makeAction = [this](const QString& text, const QKeySequence& key, const QString& tip, void (ListWindow::*run)()) {
    auto* action = new QAction(text, this);
    action->setShortcut(key);
    action->setShortcutContext(Qt::WindowShortcut);
    action->setStatusTip(tip);
    action->setToolTip(tip);
    connect(action, &QAction::triggered, this, run);
    addAction(action);
    return action;
  };
  addAction_ = makeAction(tr("&Add..."), QKeySequence::New, tr("Add a new line to the list"), &ListWindow::addItem);
  editAction_ = makeAction(tr("&Edit..."), QKeySequence(Qt::Key_Return), tr("Edit the selected line"), &ListWindow::editItem);
  deleteAction_ = makeAction(tr("&Delete"), QKeySequence::Delete, tr("Delete the selected lines"), &ListWindow::deleteItems);
  findAction_ = makeAction(tr("&Find..."), QKeySequence::Find, tr("Find a line by its text"), &ListWindow::focusFind);
  findNextAction_ = makeAction(tr("Find &Next"), QKeySequence::FindNext, tr("Find the next line with the same text"),
                               &ListWindow::findNext);
  // Return and Delete act on the list only; in the find field they edit text.
  editAction_->setShortcutContext(Qt::WidgetShortcut);
  deleteAction_->setShortcutContext(Qt::WidgetShortcut);
  view_->addAction(editAction_);
  view_->addAction(deleteAction_);
  connect(view_, &QTableView::doubleClicked, this, &ListWindow::editItem);

  findField_ = new QLineEdit(this);
  findField_->setObjectName(QStringLiteral("findText"));
  findField_->setPlaceholderText(tr("Text to find"));
  findField_->setClearButtonEnabled(true);
  connect(findField_, &QLineEdit::returnPressed, this, &ListWindow::find);

  auto button = [this](QAction* action, const QString& name) {
    auto* b = new QPushButton(action->text(), this);
    b->setObjectName(name);
    b->setToolTip(action->statusTip());
    b->setAutoDefault(false);
    connect(b, &QPushButton::clicked, action, &QAction::trigger);
    connect(action, &QAction::changed, b, [b, action] { b->setEnabled(action->isEnabled()); });
    return b;
  };
  auto* buttons = new QVBoxLayout;
  buttons->addWidget(button(addAction_, QStringLiteral("add")));
  buttons->addWidget(button(editAction_, QStringLiteral("edit")));
  buttons->addWidget(button(deleteAction_, QStringLiteral("delete")));
  buttons->addStretch(1);
  auto* close = new QPushButton(tr("&Close"), this);
  close->setObjectName(QStringLiteral("close"));
  close->setAutoDefault(false);
  connect(close, &QPushButton::clicked, this, &QDialog::accept);
  buttons->addWidget(close);

  auto* findRow = new QHBoxLayout;
  auto* findLabel = new QLabel(tr("F&ind:"), this);
  findLabel->setBuddy(findField_);
  findRow->addWidget(findLabel);
  findRow->addWidget(findField_, 1);
  auto* findButton = new QPushButton(tr("Find"), this);
  findButton->setObjectName(QStringLiteral("find"));
  findButton->setToolTip(tr("Find the first line holding the text"));
  findButton->setAutoDefault(false);
  connect(findButton, &QPushButton::clicked, this, &ListWindow::find);
  findRow->addWidget(findButton);
  findRow->addWidget(button(findNextAction_, QStringLiteral("findNext")));

  auto* left = new QVBoxLayout;
  left->addWidget(view_, 1);
  left->addLayout(findRow);
  auto* layout = new QHBoxLayout(this);
  layout->addLayout(left, 1);
  layout->addLayout(buttons);
  resize(560, 420);

  connect(view_, &QWidget::customContextMenuRequested, this, &ListWindow::showMenu);
  connect(findField_, &QLineEdit::textChanged, this, &ListWindow::updateActions);
}

void ListWindow::start() {
  refillKeeping(std::nullopt);
  connect(view_->selectionModel(), &QItemSelectionModel::selectionChanged, this, &ListWindow::updateActions);
  if (model_->rowCount() > 0) selectKey(model_->keyAt(0));
  view_->setFocus();
  updateActions();
}

std::vector<int32_t> ListWindow::selectedKeys() const {
  std::vector<int32_t> keys;
  QModelIndexList rows = view_->selectionModel()->selectedRows();
  std::sort(rows.begin(), rows.end(), [](const QModelIndex& a, const QModelIndex& b) { return a.row() < b.row(); });
  for (const QModelIndex& index : rows) keys.push_back(model_->keyAt(index.row()));
  return keys;
}

void ListWindow::selectKey(int32_t key) {
  // Explicit flags: the view's own choice would follow the keys still held
  // (Ctrl of Ctrl+N toggles the row instead of selecting it).
  if (const auto row = model_->rowOfKey(key)) {
    const QModelIndex index = model_->index(*row, 0);
    view_->selectionModel()->select(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    view_->selectionModel()->setCurrentIndex(index, QItemSelectionModel::NoUpdate);
    view_->scrollTo(index);
  }
}

void ListWindow::refillKeeping(std::optional<int32_t> select) {
  std::vector<int32_t> keep = selectedKeys();
  refill();
  if (select) keep = {*select};
  view_->clearSelection();
  for (int32_t key : keep) {
    if (const auto row = model_->rowOfKey(key)) {
      const QModelIndex index = model_->index(*row, 0);
      view_->selectionModel()->select(index, QItemSelectionModel::Select | QItemSelectionModel::Rows);
      view_->selectionModel()->setCurrentIndex(index, QItemSelectionModel::NoUpdate);
    }
  }
  view_->resizeColumnsToContents();
  view_->horizontalHeader()->setStretchLastSection(true);
  updateActions();
}

void ListWindow::updateActions() {
  const std::size_t selected = view_->selectionModel() ? selectedKeys().size() : 0;
  editAction_->setEnabled(selected == 1);
  deleteAction_->setEnabled(selected > 0);
  findNextAction_->setEnabled(searched_ || !findField_->text().isEmpty());
}

void ListWindow::addItem() {
  int32_t key = 0;
  if (runAdd(key)) {
    changed_ = true;
    refillKeeping(key);
  }
}

void ListWindow::editItem() {
  const std::vector<int32_t> keys = selectedKeys();
  if (keys.size() != 1) return;
  int32_t key = keys.front();
  if (runEdit(key)) {
    changed_ = true;
    refillKeeping(key);
  }
}

void ListWindow::deleteItems() {
  const std::vector<int32_t> keys = selectedKeys();
  if (keys.empty()) return;
  if (runDelete(keys)) {
    changed_ = true;
    refillKeeping(std::nullopt);
  }
}

void ListWindow::showSearch(const Search& result) {
  if (result.key) {
    selectKey(*result.key);
    view_->setFocus();
  } else {
    ShowSearchStatus(context_.prompter, result.status);
  }
  updateActions();
}

void ListWindow::focusFind() {
  if (findField_->hasFocus() && !findField_->text().isEmpty()) {
    find();
    return;
  }
  findField_->setFocus(Qt::ShortcutFocusReason);
  findField_->selectAll();
}

void ListWindow::find() {
  searched_ = true;
  showSearch(runFind(S(findField_->text())));
}

void ListWindow::findNext() {
  if (!searched_) {
    find();
    return;
  }
  showSearch(runFindNext());
}

void ListWindow::showMenu(const QPoint& at) {
  QMenu menu(this);
  menu.addAction(addAction_);
  menu.addAction(deleteAction_);
  menu.addAction(editAction_);
  menu.addAction(findAction_);
  if (searched_) menu.addAction(findNextAction_);
  menu.exec(view_->viewport()->mapToGlobal(at));
}

}  // namespace tallyvane::gui
