// What the account list, the category window and the payee window have in
// common: a table of lines, Add / Edit / Delete, a find field with Find and
// Find Next, the same context menu, and a changed flag for the caller. Each
// window supplies its lines and calls its own core operations.
#pragma once

#include <QAction>
#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <cstdint>
#include <optional>
#include <vector>

#include "gui/dialogs/line_model.h"
#include "ledger/search.h"

namespace tallyvane::gui {

struct GuiContext;

class ListWindow : public QDialog {
 public:
  ListWindow(GuiContext& context, QWidget* parent, const QString& title, const QStringList& headers);

  [[nodiscard]] bool changed() const { return changed_; }
  [[nodiscard]] QTableView* view() const { return view_; }
  [[nodiscard]] LineModel* model() const { return model_; }
  [[nodiscard]] QLineEdit* findField() const { return findField_; }
  [[nodiscard]] std::vector<int32_t> selectedKeys() const;
  void selectKey(int32_t key);

  // The commands, as the buttons, menu and shortcuts run them.
  void addItem();
  void editItem();
  void deleteItems();
  void focusFind();
  void find();
  void findNext();

 protected:
  using Search = ledger::ListSearch::Result;
  // Fills the model; called on open and after every change.
  virtual void refill() = 0;
  // Each returns true when it changed the data; `key` gets the line to select.
  virtual bool runAdd(int32_t& key) = 0;
  virtual bool runEdit(int32_t& key) = 0;
  virtual bool runDelete(const std::vector<int32_t>& keys) = 0;
  virtual Search runFind(const std::string& text) = 0;
  virtual Search runFindNext() = 0;
  // Call once the subclass can fill.
  void start();

  GuiContext& context_;

 private:
  void refillKeeping(std::optional<int32_t> select);
  void updateActions();
  void showMenu(const QPoint& at);
  void showSearch(const Search& result);

  LineModel* model_;
  QTableView* view_;
  QLineEdit* findField_;
  QAction* addAction_;
  QAction* editAction_;
  QAction* deleteAction_;
  QAction* findAction_;
  QAction* findNextAction_;
  bool searched_ = false;
  bool changed_ = false;
};

}  // namespace tallyvane::gui
