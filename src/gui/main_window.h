// The main window: account selector, period filter, the register of the
// chosen account, the accounts and task panel with its totals, the menus,
// toolbar and tray icon, and the timed steps of the start.
#pragma once

#include <QMainWindow>
#include <optional>
#include <string>
#include <vector>

#include "gui/gui_context.h"
#include "ledger/keys.h"
#include "reports/period.h"
#include "store/status.h"
#include "gui/date_field.h"

class QAction;
class QComboBox;
class QLabel;
class QMenu;
class QStackedWidget;
class QStandardItem;
class QStandardItemModel;
class QSystemTrayIcon;
class QToolBar;
class QTreeView;

namespace tallyvane::gui {

class InvestmentRegister;
class RegisterModel;
class RegisterView;

// Provides and opens the data file before the window is built; a file that
// cannot be provided is reported and the window opens on what there is.
void OpenBook(GuiContext& context);

class MainWindow final : public QMainWindow {
  Q_OBJECT

 public:
  // Timer events of the start.
  enum StartEvent { FirstRunEvent = 0, AddHintEvent = 2, RetrieveHintEvent = 3, DueSchedulesEvent = 4,
                    PasswordEvent = 5, SecurityEvent = 6 };

  explicit MainWindow(GuiContext& context, QWidget* parent = nullptr);
  ~MainWindow() override;

  // Placement, then the password prompt or the fill and the start hints.
  void start();
  void runStartEvent(int event);

  // Everything the window shows, read again after a command changed data.
  void refill();
  void selectAccount(ledger::AccountKey key);
  void choosePeriod(int index);

  [[nodiscard]] ledger::AccountKey currentAccount() const { return account_; }
  [[nodiscard]] std::vector<ledger::TransactionKey> selectedTransactions() const;
  [[nodiscard]] std::optional<ledger::TransactionKey> currentTransaction() const;
  void selectTransaction(ledger::TransactionKey key);
  [[nodiscard]] RegisterView* registerView() const { return register_; }
  [[nodiscard]] RegisterModel* registerModel() const { return model_; }
  [[nodiscard]] QStandardItemModel* panelModel() const { return panelModel_; }
  [[nodiscard]] QTreeView* panelView() const { return panel_; }
  [[nodiscard]] bool investmentMode() const { return investment_; }
  [[nodiscard]] InvestmentRegister* investmentRegister() const { return investmentRegister_; }

 public slots:
  void showAndActivate();
  // A close asked for by another start ("-installer"): work under way (its
  // progress window exists) finishes first, open dialogs and menus are
  // cancelled as Cancel or Escape would, then the window closes.
  void requestClose();

 signals:
  // The window closed for good; the program ends its event loops.
  void closed();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void closeWhenIdle();
  void buildActions();
  void buildMenus();
  void buildToolBar();
  void buildCentre();
  void buildTray();
  void fillAccounts();
  void fillPanel();
  void fillRegister();
  void fillReconciledLabel();
  void updateActions();
  void applyDateFormat();
  void setDates(const std::string& from, const std::string& to);
  void datesEdited();
  void runStartHints();
  void scheduleEvent(int event, int delayMs);
  void panelActivated(const QModelIndex& index);
  void showStatus(const store::Status& status);
  void changed(bool didChange);
  QStringList categoryChoices(const QModelIndex& index);

  // Commands.
  void addTransaction();
  void editTransaction();
  void deleteTransactions();
  void voidTransactions();
  void unreconcileTransaction();
  void splitTransaction();
  void toggleSplits();
  void findTransaction();
  void findNext();
  void accountInformation();
  void addAccount(int presetType);
  void viewAccounts();
  void transferFunds();
  void setCleared(ledger::TransactionKey key, bool cleared);
  void setCategory(ledger::TransactionKey key, const QString& text);

  QAction* makeAction(const char* name, const QString& text, const QString& tip, void (MainWindow::*slot)());

  GuiContext& context_;
  ledger::AccountKey account_ = 0;
  bool investment_ = false;
  bool showSplits_ = false;
  bool filling_ = false;
  bool closeRequested_ = false;
  bool dueReminder_ = false;  // the start-up reminder of due schedules was shown
  std::string findText_;
  reports::PeriodMemory periodMemory_;

  QComboBox* accountBox_ = nullptr;
  QComboBox* periodBox_ = nullptr;
  DateField* fromEdit_ = nullptr;
  DateField* toEdit_ = nullptr;
  QLabel* reconciledLabel_ = nullptr;
  QStackedWidget* registerStack_ = nullptr;
  RegisterView* register_ = nullptr;
  RegisterModel* model_ = nullptr;
  InvestmentRegister* investmentRegister_ = nullptr;
  QLabel* emptyRegister_ = nullptr;
  QTreeView* panel_ = nullptr;
  QStandardItemModel* panelModel_ = nullptr;
  QToolBar* toolBar_ = nullptr;
  QSystemTrayIcon* tray_ = nullptr;
  QMenu* trayMenu_ = nullptr;
  QMenu* contextMenu_ = nullptr;

  QAction* addTransaction_ = nullptr;
  QAction* editTransaction_ = nullptr;
  QAction* deleteTransaction_ = nullptr;
  QAction* voidTransaction_ = nullptr;
  QAction* showSplitsAction_ = nullptr;
  QAction* findTransaction_ = nullptr;
  QAction* findNext_ = nullptr;
  QAction* unreconcile_ = nullptr;
  QAction* split_ = nullptr;
  QAction* accountInformation_ = nullptr;
  QAction* addAccount_ = nullptr;
  QAction* viewAccounts_ = nullptr;
  QAction* transferFunds_ = nullptr;
  QAction* categories_ = nullptr;
  QAction* payees_ = nullptr;
  QAction* changePassword_ = nullptr;
  QAction* removePassword_ = nullptr;
  QAction* exit_ = nullptr;
  QAction* about_ = nullptr;
  QAction* retrieve_ = nullptr;
  QAction* importOfx_ = nullptr;
  QAction* importCsv_ = nullptr;
  QAction* reconcile_ = nullptr;
  QAction* schedules_ = nullptr;
  QAction* investmentSchedules_ = nullptr;
  QAction* securities_ = nullptr;
  QAction* budgets_ = nullptr;
  QAction* reportCategories_ = nullptr;
  QAction* reportPayees_ = nullptr;
  QAction* reportActivity_ = nullptr;
  QAction* reportBudget_ = nullptr;
  QAction* options_ = nullptr;
  QAction* backUp_ = nullptr;
  QAction* restore_ = nullptr;
  QAction* schedule_ = nullptr;
};

}  // namespace tallyvane::gui
