#include "gui/statements/statements.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QLineEdit>
#include <QMimeData>
#include <QUrl>

#include <optional>

#include "gui/dialogs/form_support.h"
#include "gui/gui_context.h"
#include "gui/qt_progress.h"
#include "gui/statements/csv_match_dialog.h"
#include "gui/statements/institution_dialog.h"
#include "gui/statements/review_window.h"
#include "import/csv_import.h"
#include "import/import_review.h"
#include "import/statement_file.h"
#include "ledger/accounts.h"
#include "online/online_settings.h"
#include "online/retrieve.h"

namespace tallyvane::gui {
namespace {

std::filesystem::path ChooseFile(QWidget* parent, const QString& title, const char* filter, const QString& suffix) {
  QFileDialog dialog(parent, title);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setNameFilters({QObject::tr(filter), QObject::tr("All files (*)")});
  dialog.setDefaultSuffix(suffix);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  return std::filesystem::path(dialog.selectedFiles().constFirst().toStdString());
}

// A dropped file and the account it goes to, remembered by the drop filter.
class StatementDropFilter final : public QObject {
 public:
  StatementDropFilter(QWidget* window, GuiContext& context, std::function<ledger::AccountKey()> currentAccount,
                      std::function<void(bool)> done)
      : QObject(window), window_(window), context_(context), account_(std::move(currentAccount)),
        done_(std::move(done)) {}

  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched != window_) return false;
    if (event->type() == QEvent::DragEnter || event->type() == QEvent::DragMove) {
      auto* drag = static_cast<QDropEvent*>(event);
      if (!DroppedFile(drag->mimeData()).isEmpty() && account_() != 0) {
        drag->acceptProposedAction();
      } else {
        drag->ignore();
      }
      return true;
    }
    if (event->type() == QEvent::Drop) {
      auto* drop = static_cast<QDropEvent*>(event);
      const QString file = DroppedFile(drop->mimeData());
      const ledger::AccountKey account = account_();
      if (file.isEmpty() || account == 0) return true;
      drop->acceptProposedAction();
      // The import's windows are modal; opening them after the drop lets
      // the drag end first.
      QMetaObject::invokeMethod(
          this,
          [this, file, account] {
            const std::filesystem::path path(file.toStdString());
            const bool changed = KindOfDroppedFile(file) == DroppedKind::Ofx
                                     ? RunOfxImport(context_, window_, account, path)
                                     : RunCsvImport(context_, window_, account, path);
            if (done_) done_(changed);
          },
          Qt::QueuedConnection);
      return true;
    }
    return false;
  }

 private:
  static QString DroppedFile(const QMimeData* mime) {
    if (mime == nullptr || !mime->hasUrls() || mime->urls().size() != 1) return {};
    const QUrl url = mime->urls().constFirst();
    if (!url.isLocalFile()) return {};
    const QString file = url.toLocalFile();
    return KindOfDroppedFile(file) == DroppedKind::None ? QString() : file;
  }

  QWidget* window_;
  GuiContext& context_;
  std::function<ledger::AccountKey()> account_;
  std::function<void(bool)> done_;
};

}  // namespace

namespace {

bool ShowImportReview(GuiContext& context, QWidget* parent, import::ImportReview& review) {
  ImportReviewWindow window(context, parent, review);
  window.exec();
  return window.imported();
}

}  // namespace

bool RunImportReview(GuiContext& context, QWidget* parent, ledger::AccountKey account, std::string_view statement) {
  import::ImportReview review = import::ImportReview::Open(context.data, account, statement, context.prompter);
  return ShowImportReview(context, parent, review);
}

bool RunOfxImport(GuiContext& context, QWidget* parent, ledger::AccountKey account, std::filesystem::path file) {
  if (!import::TakesStatements(context.data, account)) return false;
  if (file.empty()) {
    file = ChooseFile(parent, QObject::tr("Locate OFX file"), kOfxFilter, QStringLiteral("ofx"));
    if (file.empty()) return false;
  }
  std::optional<import::ImportReview> review;
  {
    const import::StatementText text = import::readStatementFile(file);
    if (!text.ok) {
      context.prompter.message("Error opening file", text.message, store::Icon::Error);
      return false;
    }
    review.emplace(import::ImportReview::Open(context.data, account, text.text, context.prompter));
  }
  // The file's text is gone once its rows are read; the review holds only those.
  return ShowImportReview(context, parent, *review);
}

bool RunCsvImport(GuiContext& context, QWidget* parent, ledger::AccountKey account, std::filesystem::path file) {
  if (account == 0) return false;
  if (file.empty()) {
    file = ChooseFile(parent, QObject::tr("Locate CSV file"), kCsvFilter, QStringLiteral("csv"));
    if (file.empty()) return false;
  }
  store::Status error;
  std::optional<std::vector<std::string>> columns = import::CsvColumns(file, &error);
  if (!columns) {
    context.prompter.message(error.title, error.message, store::Icon::Error);
    return false;
  }
  CsvMatchDialog dialog(context, parent, account, file, std::move(*columns));
  dialog.exec();
  return dialog.imported();
}

DroppedKind KindOfDroppedFile(const QString& fileName) {
  const QString suffix = QFileInfo(fileName).suffix().toLower();
  if (suffix == QLatin1String("ofx") || suffix == QLatin1String("qfx")) return DroppedKind::Ofx;
  if (suffix == QLatin1String("csv")) return DroppedKind::Csv;
  return DroppedKind::None;
}

bool RunRetrieval(GuiContext& context, QWidget* parent, ledger::AccountKey account,
                  const std::function<bool()>& editAccount) {
  if (!import::TakesStatements(context.data, account)) return false;
  bool changed = false;
  QtProgress progress(parent);
  online::RetrievalPorts ports{context.prompter, progress, {}, {}, {}};
  ports.exchange.caFile = online::ReadOnlineSettings(context.settings).caFile;
  ports.askPassword = [parent](std::string_view title, std::string_view label) -> std::optional<std::string> {
    QInputDialog prompt(parent);
    prompt.setObjectName(QStringLiteral("retrievePassword"));
    prompt.setWindowTitle(Q(title));
    prompt.setLabelText(Q(label));
    prompt.setTextEchoMode(QLineEdit::Password);
    prompt.setInputMode(QInputDialog::TextInput);
    if (prompt.exec() != QDialog::Accepted) return std::nullopt;
    return S(prompt.textValue());
  };
  ports.openReview = [&](std::string_view statement) {
    // The exchange is over; its window goes before the review opens.
    progress.finish();
    changed = RunImportReview(context, parent, account, statement) || changed;
  };
  const std::function<bool()> edit = [&] {
    const bool saved = editAccount && editAccount();
    changed = changed || saved;
    return saved;
  };
  (void)online::StartRetrieval(context.data, context.settings, account, ports, edit);
  return changed;
}

bool RunAddInstitution(GuiContext& context, QWidget* parent, std::string* added) {
  AddInstitutionDialog dialog(context, parent);
  if (dialog.exec() != QDialog::Accepted) return false;
  if (added != nullptr) *added = dialog.added();
  return true;
}

void AcceptStatementDrops(QWidget* window, GuiContext& context, std::function<ledger::AccountKey()> currentAccount,
                          std::function<void(bool)> done) {
  window->setAcceptDrops(true);
  window->installEventFilter(new StatementDropFilter(window, context, std::move(currentAccount), std::move(done)));
}

}  // namespace tallyvane::gui
