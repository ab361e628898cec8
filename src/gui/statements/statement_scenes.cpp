#include "gui/statements/statement_scenes.h"

#include <QApplication>
#include <QInputDialog>
#include <QPushButton>
#include <QTableView>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "gui/balloon.h"
#include "gui/gui_context.h"
#include "gui/main_window.h"
#include "gui/statements/csv_match_dialog.h"
#include "gui/statements/review_window.h"
#include "gui/statements/statements.h"
#include "import/import_review.h"
#include "import/statement_file.h"
#include "ledger/balances.h"

namespace tallyvane::gui {
namespace {

std::filesystem::path SceneFile(const char* variable) {
  const char* file = std::getenv(variable);
  if (file == nullptr || !std::filesystem::exists(file)) {
    std::fprintf(stderr, "tallyvane: %s names no file\n", variable);
    std::exit(2);
  }
  return file;
}

}  // namespace

bool RunStatementScene(const QString& scene, MainWindow& window, GuiContext& context, const QString& path,
                       const WhenModalOpensFn& whenModalOpens, const std::function<void(const QString&)>& whenMessageShows) {
  if (scene == QLatin1String("review")) {
    const import::StatementText text = import::readStatementFile(SceneFile("TALLYVANE_SCREENSHOT_OFX"));
    const ledger::AccountKey account = window.currentAccount();
    {
      // An earlier import of every third row, so the review marks those.
      import::ImportReview earlier = import::ImportReview::Open(context.data, account, text.text, context.prompter);
      for (std::size_t i = 0; i < earlier.rows().size(); ++i) earlier.rows()[i].ticked = i % 3 == 1;
      store::NullProgress quiet;
      (void)earlier.commit(quiet, context.prompter);
      ledger::UpdateAllCurrentBalances(context.data);
    }
    whenModalOpens(path, [](QWidget* modal) {
      HideBalloon();
      if (auto* review = dynamic_cast<ImportReviewWindow*>(modal)) {
        review->showMaximized();
        review->rowsView()->setCurrentIndex(review->rowsView()->model()->index(1, ReviewRowModel::Category));
      }
    });
    RunImportReview(context, &window, account, text.text);
    return true;
  }
  if (scene == QLatin1String("csv")) {
    const std::filesystem::path file = SceneFile("TALLYVANE_SCREENSHOT_CSV");
    whenModalOpens(path, [](QWidget* modal) {
      HideBalloon();
      if (auto* dialog = dynamic_cast<CsvMatchDialog*>(modal)) {
        dialog->assign(0, 3);  // Amount
        dialog->assign(1, 1);  // Transaction Date
        dialog->assign(2, 2);  // Payee
        dialog->assign(5, 6);  // Transaction Number
        dialog->fieldsView()->setCurrentIndex(dialog->fieldsView()->model()->index(3, 1));
      }
    });
    RunCsvImport(context, &window, window.currentAccount(), file);
    return true;
  }
  if (scene == QLatin1String("retrieve")) {
    // Retrieval from the loopback bank scripts/screenshots sets up: the
    // password prompt answered, the picture taken once the review is up.
    auto* poll = new QTimer(&window);
    QObject::connect(poll, &QTimer::timeout, [poll, path, whenModalOpens] {
      QWidget* modal = QApplication::activeModalWidget();
      if (auto* prompt = qobject_cast<QInputDialog*>(modal)) {
        prompt->setTextValue(QStringLiteral("screenshot"));
        prompt->accept();
        return;
      }
      if (dynamic_cast<ImportReviewWindow*>(modal) == nullptr) return;
      poll->stop();
      whenModalOpens(path, [](QWidget* review) { review->resize(1100, 620); });
    });
    poll->start(100);
    RunRetrieval(context, &window, window.currentAccount(), [] { return false; });
    return true;
  }
  if (scene == QLatin1String("csv-done")) {
    // The same matching, imported: the picture is the closing message.
    const std::filesystem::path file = SceneFile("TALLYVANE_SCREENSHOT_CSV");
    QTimer::singleShot(900, [] {
      auto* dialog = dynamic_cast<CsvMatchDialog*>(QApplication::activeModalWidget());
      if (dialog == nullptr) return;
      dialog->assign(0, 3);
      dialog->assign(1, 1);
      dialog->assign(2, 2);
      dialog->assign(5, 6);
      if (auto* button = dialog->findChild<QPushButton*>(QStringLiteral("import"))) button->click();
    });
    whenMessageShows(path);
    RunCsvImport(context, &window, window.currentAccount(), file);
    return true;
  }
  return false;
}

}  // namespace tallyvane::gui
