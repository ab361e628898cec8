// reconcile, schedule, budget, security, invest and invest-schedule commands.
#include <ostream>

#include "cli/common.h"
#include "ledger/accounts.h"
#include "ledger/categories.h"
#include "ledger/transactions.h"
#include "planning/budgets.h"
#include "planning/investment_schedules.h"
#include "planning/investments.h"
#include "planning/reconciliation.h"
#include "planning/schedules.h"
#include "planning/securities.h"
#include "store/dates.h"
#include "store/text.h"

namespace tallyvane::cli {

namespace {

using ledger::AccountKey;
using ledger::TransactionKey;
using store::Money;
using store::Status;

#define TV_FINISH(args, rest)                                                  \
  std::vector<std::string> rest;                                               \
  if (auto error = (args).finish(rest)) return session.usage(error->message);

// A value that must be a date when given.
std::optional<int> TakeDate(Session& session, Args& args, std::string_view option, std::string& out) {
  if (auto v = args.value(option)) {
    if (!IsDateArgument(*v)) return session.usage("dates are YYYY-MM-DD: " + *v);
    out = *v;
  }
  return std::nullopt;
}

std::optional<int> ParseCount(Session& session, const std::string& text, int& out) {
  if (text.empty() || text.size() > 6 || text.find_first_not_of("0123456789") != std::string::npos) {
    return session.usage("expected a number: " + text);
  }
  out = store::ParseInt32Prefix(text);
  return std::nullopt;
}

std::optional<AccountKey> BankAccount(Session& session, std::string_view text) {
  const auto key = ResolveAccount(session, text);
  if (!key) return std::nullopt;
  if (ledger::IsInvestmentAccount(session.data, *key)) {
    session.usage("an investment account has no bank register");
    return std::nullopt;
  }
  return key;
}

std::optional<AccountKey> InvestmentAccount(Session& session, std::string_view text) {
  const auto key = ResolveAccount(session, text);
  if (!key) return std::nullopt;
  if (!ledger::IsInvestmentAccount(session.data, *key)) {
    session.usage(std::string(text) + " is not an investment account");
    return std::nullopt;
  }
  return key;
}

// Keys given as "12" or "#12" that `exists` accepts.
template <typename Exists>
std::optional<std::vector<int32_t>> Keys(Session& session, const std::vector<std::string>& words, const char* what,
                                         Exists exists) {
  std::vector<int32_t> keys;
  for (const std::string& word : words) {
    const auto key = ParseKey(word);
    if (!key || !exists(*key)) {
      session.usage(std::string("no ") + what + " " + word);
      return std::nullopt;
    }
    keys.push_back(*key);
  }
  if (keys.empty()) {
    session.usage(std::string("expected ") + what + " keys");
    return std::nullopt;
  }
  return keys;
}

// The recurrence options shared by both schedule forms.
std::optional<int> ReadRecurrence(Session& session, Args& args, planning::RecurrenceFields& r) {
  if (const auto code = TakeDate(session, args, "--next", r.nextDate)) return code;
  const auto end = args.value("--end");
  const bool noEnd = args.flag("--no-end");
  if (end && noEnd) return session.usage("give --end or --no-end, not both");
  if (end) {
    if (!IsDateArgument(*end)) return session.usage("dates are YYYY-MM-DD: " + *end);
    r.endDate = *end;
    r.noEndDate = false;
  }
  if (noEnd) r.noEndDate = true;
  const auto every = args.value("--every");
  const auto unit = args.value("--unit");
  const auto day = args.value("--day");
  if (day && (every || unit)) return session.usage("give --every and --unit, or --day");
  if (every || unit) {
    r.mode = planning::RecurrenceMode::Every;
    if (every) {
      if (const auto code = ParseCount(session, *every, r.every)) return code;
    }
    if (unit) {
      const auto kind = planning::PeriodUnitFromLabel(*unit);
      if (!kind) return session.usage("the unit is Days, Weeks or Months: " + *unit);
      r.unit = *kind;
    }
  }
  if (day) {
    r.mode = planning::RecurrenceMode::DayOfMonth;
    if (const auto code = ParseCount(session, *day, r.day)) return code;
  }
  const bool remind = args.flag("--remind");
  const bool noRemind = args.flag("--no-remind");
  if (remind) r.reminders = true;
  if (noRemind) r.reminders = false;
  return std::nullopt;
}

void SetRecurrenceJson(Json& object, const std::string& next, const std::string& end) {
  object.set("next", next).set("end", end);
}

// ---- reconcile ----

struct ReconcileArgs {
  AccountKey account = 0;
  std::string statementDate;
  std::string openingDate;
  std::string closing = "0";
  bool all = false;
  std::vector<TransactionKey> ticks;
  std::vector<std::pair<TransactionKey, std::string>> amounts;
};

std::optional<int> ReadReconcileArgs(Session& session, Args& args, ReconcileArgs& out, bool finishing) {
  if (const auto code = TakeDate(session, args, "--statement-date", out.statementDate)) return code;
  if (const auto code = TakeDate(session, args, "--opening-date", out.openingDate)) return code;
  out.all = args.flag("--all");
  if (finishing) {
    const auto closing = args.value("--closing");
    if (!closing) return session.usage("reconcile finish needs --closing");
    out.closing = *closing;
    for (const std::string& word : args.values("--tick")) {
      const auto key = ParseKey(word);
      if (!key) return session.usage("--tick takes a transaction key: " + word);
      out.ticks.push_back(*key);
    }
    for (const std::string& pair : args.values("--amount")) {
      const auto eq = pair.find('=');
      const auto key = eq == std::string::npos ? std::nullopt : ParseKey(pair.substr(0, eq));
      if (!key) return session.usage("--amount is ID=TEXT: " + pair);
      out.amounts.emplace_back(*key, pair.substr(eq + 1));
    }
  }
  TV_FINISH(args, rest);
  if (rest.size() != 1) return session.usage("reconcile needs one account");
  if (out.statementDate.empty()) return session.usage("reconcile needs --statement-date");
  const auto account = BankAccount(session, rest[0]);
  if (!account) return kExitUsage;
  out.account = *account;
  return std::nullopt;
}

std::optional<planning::StatementForm> Statement(Session& session, const ReconcileArgs& r) {
  auto form = planning::ProposeStatement(session.data, r.account);
  if (!form) return std::nullopt;
  form->statementDate = r.statementDate;
  if (!r.openingDate.empty()) form->openingDate = r.openingDate;
  form->closingText = r.closing;
  return form;
}

// Ticks and corrects amounts as the window would; the failure, if any.
std::optional<int> Apply(Session& session, planning::Reconciliation& rec, const ReconcileArgs& r) {
  rec.setShowAll(r.all);
  for (TransactionKey key : r.ticks) {
    if (!rec.tick(key)) return session.usage("transaction " + std::to_string(key) + " is not in the list");
  }
  for (const auto& [key, text] : r.amounts) {
    std::optional<std::size_t> index;
    for (std::size_t i = 0; i < rec.candidates().size(); ++i) {
      if (rec.candidates()[i].key == key) index = i;
    }
    if (!index) return session.usage("transaction " + std::to_string(key) + " is not in the list");
    const auto column =
        rec.candidates()[*index].payment ? planning::CandidateColumn::Payment : planning::CandidateColumn::Deposit;
    const Status status = rec.EditCandidateAmount(*index, column, text);
    if (!status) return session.refuse(status);
  }
  return std::nullopt;
}

void SetSummary(Session& session, Json& object, const planning::ReconcileSummary& s) {
  const store::RegionalSettings& regional = session.data.regional();
  object.set("opening_date", s.openingDate);
  SetMoney(object, "opening_balance", s.openingBalance, regional);
  object.set("reconciled_date", s.reconciledDate);
  SetMoney(object, "reconciled_balance", s.reconciledBalance, regional);
  SetMoney(object, "closing_balance", s.closingBalance, regional);
  SetMoney(object, "difference", s.difference, regional);
}

int ReconcileShow(Session& session, Args& args) {
  ReconcileArgs r;
  if (const auto code = ReadReconcileArgs(session, args, r, false)) return *code;
  const auto form = Statement(session, r);
  if (!form) return session.usage("no bank account");
  planning::StartResult preview = planning::PreviewReconciliation(session.data, *form);
  if (!preview.status) return session.refuse(preview.status);
  planning::Reconciliation& rec = *preview.reconciliation;
  rec.setShowAll(r.all);
  const store::RegionalSettings& regional = session.data.regional();
  const planning::ReconcileSummary s = rec.summary();
  Json doc = Json::object();
  doc.set("opening_date", s.openingDate);
  SetMoney(doc, "opening_balance", s.openingBalance, regional);
  doc.set("reconciled_date", s.reconciledDate).set("payment_title", std::string(rec.paymentTitle()));
  if (!session.json) {
    session.out << "Opening Date: " << s.openingDate << '\n'
                << "Opening Balance: " << store::FormatMoney(regional, s.openingBalance) << '\n'
                << "Reconciled Date: " << s.reconciledDate << '\n';
  }
  Json list = Json::array();
  if (!session.json) session.out << "ID\tSplit\tCleared\tDate\tPayee\tNote\tPayment\tDeposit\n";
  for (const planning::ReconcileCandidate& c : rec.candidates()) {
    Json item = Json::object();
    item.set("id", c.key).set("split", c.split).set("cleared", c.cleared).set("date", c.date);
    item.set("payee", c.payee).set("note", c.note);
    SetOptionalMoney(item, "payment", c.payment, regional);
    SetOptionalMoney(item, "deposit", c.deposit, regional);
    list.push(std::move(item));
    if (!session.json) {
      session.out << c.key << '\t' << c.splitMark() << '\t' << c.clearedMark() << '\t' << c.date << '\t' << c.payee
                  << '\t' << c.note << '\t' << (c.payment ? store::FormatMoney(regional, *c.payment) : "") << '\t'
                  << (c.deposit ? store::FormatMoney(regional, *c.deposit) : "") << '\n';
    }
  }
  doc.set("candidates", std::move(list));
  if (session.json) session.out << doc.dump() << '\n';
  return kExitDone;
}

int ReconcileFinish(Session& session, Args& args) {
  ReconcileArgs r;
  if (const auto code = ReadReconcileArgs(session, args, r, true)) return *code;
  const auto form = Statement(session, r);
  if (!form) return session.usage("no bank account");
  // Everything the command line names is checked on a preview first, so a
  // mistyped key does not leave a started reconciliation behind.
  {
    planning::StartResult preview = planning::PreviewReconciliation(session.data, *form);
    if (!preview.status) return session.refuse(preview.status);
    if (const auto code = Apply(session, *preview.reconciliation, r)) return *code;
  }
  planning::StartResult started = planning::StartReconciliation(session.data, *form);
  if (!started.status) return session.refuse(started.status);
  planning::Reconciliation& rec = *started.reconciliation;
  if (const auto code = Apply(session, rec, r)) return *code;
  const planning::FinishResult finished = rec.FinishReconciliation(session.prompter);
  Json doc = Json::object();
  SetSummary(session, doc, finished.summary);
  const char* outcome = finished.outcome == planning::FinishOutcome::Reconciled      ? "reconciled"
                        : finished.outcome == planning::FinishOutcome::FinishedLater ? "finished later"
                                                                                    : "cancelled";
  doc.set("outcome", outcome);
  doc.set("balancing_entry", finished.balancingEntry ? Json(*finished.balancingEntry) : Json());
  if (session.json) {
    session.out << doc.dump() << '\n';
  } else {
    const store::RegionalSettings& regional = session.data.regional();
    const planning::ReconcileSummary& s = finished.summary;
    session.out << "Opening Balance: " << store::FormatMoney(regional, s.openingBalance) << '\n'
                << "Reconciled Balance: " << store::FormatMoney(regional, s.reconciledBalance) << '\n'
                << "Closing Balance: " << store::FormatMoney(regional, s.closingBalance) << '\n'
                << "Difference: " << store::FormatMoney(regional, s.difference) << '\n'
                << outcome << '\n';
  }
  return finished.status ? kExitDone : session.refuse(finished.status);
}

// ---- schedule ----

std::optional<int> FillScheduleForm(Session& session, Args& args, planning::ScheduleForm& form) {
  if (auto v = args.value("--account")) {
    const auto key = BankAccount(session, *v);
    if (!key) return kExitUsage;
    form.account = *key;
  }
  if (auto v = args.value("--amount")) form.amountText = *v;
  if (auto v = args.value("--type")) {
    const auto type = ledger::TransactionTypeFromLabel(*v);
    if (!type) return session.usage("unknown transaction type " + *v);
    form.type = *type;
  }
  const auto payee = args.value("--payee");
  const auto to = args.value("--to");
  if (payee && to) return session.usage("give --payee or --to, not both");
  if (payee) {
    form.payee = *payee;
    form.transferAccount = 0;
  }
  if (to) {
    const auto key = ResolveAccount(session, *to);
    if (!key) return kExitUsage;
    form.transferAccount = *key;
    form.payee.clear();
  }
  const auto category = args.value("--category");
  const auto subcategory = args.value("--subcategory");
  if (category) {
    const auto key = ResolveCategory(session, *category);
    if (!key) return kExitUsage;
    form.category = *key;
    form.subcategory = 0;
  }
  if (subcategory) {
    const auto parent = ledger::CategoryFullName(session.data, form.category);
    if (form.category == 0 || !parent) return session.usage("--subcategory needs --category");
    const auto key = ResolveCategory(session, *parent + std::string(ledger::kCategorySeparator) + *subcategory);
    if (!key) return kExitUsage;
    form.subcategory = *key;
  }
  if (payee) {
    if (const auto existing = FindExistingPayee(session, *payee)) {
      planning::ChooseSchedulePayee(session.data, form, *existing);
    }
  }
  return ReadRecurrence(session, args, form.recurrence);
}

bool ScheduleExists(Session& session, int32_t key) {
  const auto row = planning::LoadSchedule(session.data, key);
  return row && !row->deleted;
}

int ScheduleList(Session& session, Args& args) {
  const bool old = args.flag("--old");
  const bool overdue = args.flag("--overdue");
  TV_FINISH(args, rest);
  if (!rest.empty()) return session.usage("unexpected " + rest[0]);
  const store::RegionalSettings& regional = session.data.regional();
  Json list = Json::array();
  if (!session.json) session.out << "ID\tAccount\tPayee\tCategory\tPayment\tDeposit\tNext\tEnd\n";
  for (const planning::ScheduleListLine& line : planning::ScheduleListLines(
           session.data, old ? planning::ScheduleView::Old : planning::ScheduleView::Active, overdue)) {
    Json item = Json::object();
    item.set("id", line.row.key).set("account", line.accountName).set("payee", line.payee);
    item.set("category", line.category);
    SetOptionalMoney(item, "payment", line.payment, regional);
    SetOptionalMoney(item, "deposit", line.deposit, regional);
    SetRecurrenceJson(item, line.row.next, line.row.end);
    item.set("type", std::string(ledger::TransactionTypeLabel(static_cast<ledger::TransactionType>(line.row.type))));
    item.set("reminders", line.row.reminders);
    list.push(std::move(item));
    if (!session.json) {
      session.out << line.row.key << '\t' << line.accountName << '\t' << line.payee << '\t' << line.category << '\t'
                  << (line.payment ? store::FormatMoney(regional, *line.payment) : "") << '\t'
                  << (line.deposit ? store::FormatMoney(regional, *line.deposit) : "") << '\t' << line.row.next << '\t'
                  << line.row.end << '\n';
    }
  }
  if (session.json) session.out << list.dump() << '\n';
  return kExitDone;
}

int ScheduleSave(Session& session, planning::ScheduleForm& form) {
  planning::ScheduleKey saved = 0;
  const Status status = planning::SaveSchedule(session.data, form, &saved);
  if (!status) return session.refuse(status);
  return form.key ? kExitDone : PrintCreated(session, saved);
}

int ScheduleAdd(Session& session, Args& args) {
  planning::ScheduleForm form = planning::NewScheduleForm(session.data);
  if (auto v = args.value("--from-txn")) {
    const auto key = ParseKey(*v);
    const auto from = key ? planning::ScheduleFormFromTransaction(session.data, *key) : std::nullopt;
    if (!from) return session.usage("no transaction " + *v);
    form = *from;
  } else {
    form.account = 0;
  }
  if (const auto code = FillScheduleForm(session, args, form)) return *code;
  TV_FINISH(args, rest);
  if (!rest.empty()) return session.usage("unexpected " + rest[0]);
  if (form.account == 0) return session.usage("schedule add needs --account");
  return ScheduleSave(session, form);
}

int ScheduleEdit(Session& session, Args& args) {
  const auto word = args.firstPositional();
  const auto key = word ? ParseKey(*word) : std::nullopt;
  auto form = key ? planning::OpenScheduleForm(session.data, *key) : std::nullopt;
  if (!form) return session.usage("no schedule " + word.value_or(""));
  if (const auto code = FillScheduleForm(session, args, *form)) return *code;
  TV_FINISH(args, rest);
  if (!rest.empty()) return session.usage("unexpected " + rest[0]);
  return ScheduleSave(session, *form);
}

int SchedulePost(Session& session, Args& args) {
  TV_FINISH(args, rest);
  const auto keys = Keys(session, rest, "schedule", [&](int32_t k) { return ScheduleExists(session, k); });
  if (!keys) return kExitUsage;
  if (!planning::CanPostOrSkip(session.data, *keys)) {
    session.err << "Post Transaction is not available for completed schedules.\n";
    return kExitRefused;
  }
  const planning::PostResult result = planning::PostScheduledTransactions(session.data, *keys);
  if (!result.status) return session.refuse(result.status);
  for (TransactionKey entered : result.entered) PrintCreated(session, entered);
  for (planning::ScheduleKey refused : result.refused) {
    session.err << "Schedule " << refused << " could not be posted.\n";
  }
  return result.refused.empty() ? kExitDone : kExitRefused;
}

int ScheduleSkip(Session& session, Args& args) {
  TV_FINISH(args, rest);
  const auto keys = Keys(session, rest, "schedule", [&](int32_t k) { return ScheduleExists(session, k); });
  if (!keys) return kExitUsage;
  if (!planning::CanPostOrSkip(session.data, *keys)) {
    session.err << "Skip Transaction is not available for completed schedules.\n";
    return kExitRefused;
  }
  const Status status = planning::SkipScheduledTransactions(session.data, *keys);
  return status ? kExitDone : session.refuse(status);
}

int ScheduleDelete(Session& session, Args& args) {
  TV_FINISH(args, rest);
  const auto keys = Keys(session, rest, "schedule", [&](int32_t k) { return ScheduleExists(session, k); });
  if (!keys) return kExitUsage;
  const Status status = planning::DeleteSchedulesFromList(session.data, *keys, session.prompter);
  return status ? kExitDone : session.refuse(status);
}

int ScheduleDue(Session& session, Args& args) {
  TV_FINISH(args, rest);
  if (!rest.empty()) return session.usage("schedule due takes no arguments");
  const bool due = planning::AnyScheduleNeedsAttention(session.data);
  const std::string text = due ? std::string(planning::kScheduleReminder) : std::string{};
  if (session.json) {
    session.out << Json::object().set("due", due).set("text", text).dump() << '\n';
  } else if (due) {
    session.out << text << '\n';
  }
  return kExitDone;
}

// ---- budget ----

std::optional<planning::BudgetKey> ResolveBudget(Session& session, std::string_view text) {
  if (!text.empty() && text.front() == '#') {
    if (const auto key = ParseKey(text)) {
      for (const planning::BudgetListLine& line : planning::BudgetListLines(session.data)) {
        if (line.key == *key) return key;
      }
    }
  } else if (const auto key = planning::FindBudgetByName(session.data, text)) {
    return key;
  }
  session.usage("no budget named " + std::string(text));
  return std::nullopt;
}

// "CATEGORY=TEXT"; the category may itself hold " | ".
std::optional<std::pair<ledger::CategoryKey, std::string>> CategoryAmount(Session& session, const std::string& pair) {
  const auto eq = pair.rfind('=');
  if (eq == std::string::npos) {
    session.usage("--amount is CATEGORY=TEXT: " + pair);
    return std::nullopt;
  }
  const auto key = ResolveCategory(session, pair.substr(0, eq));
  if (!key) return std::nullopt;
  return std::make_pair(*key, pair.substr(eq + 1));
}

// Sets an amount on whichever page lists the category.
std::optional<int> SetPlanAmount(Session& session, planning::BudgetPlanPage& income,
                                 planning::BudgetPlanPage& expenses, ledger::CategoryKey category,
                                 const std::string* text) {
  for (planning::BudgetPlanPage* page : {&income, &expenses}) {
    for (const planning::PlanEntry& entry : page->entries()) {
      if (entry.category != category) continue;
      page->show();
      if (text == nullptr) {
        page->clear({category});
        return std::nullopt;
      }
      const Status status = page->setAmountText(session.data.regional(), category, *text);
      if (!status) return session.refuse(status);
      return std::nullopt;
    }
  }
  return session.usage("the category is not on a budget page");
}

int BudgetList(Session& session, Args& args) {
  TV_FINISH(args, rest);
  if (!rest.empty()) return session.usage("budget list takes no arguments");
  Json list = Json::array();
  if (!session.json) session.out << "ID\tBudget\tWarn\n";
  for (const planning::BudgetListLine& line : planning::BudgetListLines(session.data)) {
    list.push(Json::object().set("id", line.key).set("name", line.name).set("warn", line.warn));
    if (!session.json) session.out << line.key << '\t' << line.name << '\t' << (line.warn ? "warn" : "") << '\n';
  }
  if (session.json) session.out << list.dump() << '\n';
  return kExitDone;
}

int BudgetShow(Session& session, Args& args) {
  TV_FINISH(args, rest);
  if (rest.size() != 1) return session.usage("budget show takes one budget");
  const auto budget = ResolveBudget(session, rest[0]);
  if (!budget) return kExitUsage;
  const store::RegionalSettings& regional = session.data.regional();
  std::string name;
  for (const planning::BudgetListLine& line : planning::BudgetListLines(session.data)) {
    if (line.key == *budget) name = line.name;
  }
  Json doc = Json::object();
  doc.set("id", *budget).set("name", name).set("warn", planning::BudgetWarns(session.data, *budget));
  Json accounts = Json::array();
  for (AccountKey account : planning::BudgetAccounts(session.data, *budget)) accounts.push(account);
  doc.set("accounts", std::move(accounts));
  Json categories = Json::array();
  for (bool expense : {false, true}) {
    const planning::BudgetPlanPage page = planning::BudgetPlanPage::Open(session.data, *budget, expense);
    for (const planning::PlanEntry& entry : page.entries()) {
      if (!planning::BudgetHasCategory(session.data, *budget, entry.category)) continue;
      Json item = Json::object();
      item.set("id", entry.category).set("full_name", entry.name).set("expense", expense);
      SetMoney(item, "amount", entry.amount, regional);
      categories.push(std::move(item));
    }
  }
  doc.set("categories", std::move(categories));
  SetMoney(doc, "income_total", planning::StoredBudgetTotal(session.data, *budget, false), regional);
  SetMoney(doc, "expense_total", planning::StoredBudgetTotal(session.data, *budget, true), regional);
  session.out << doc.dump() << '\n';
  return kExitDone;
}

int BudgetAdd(Session& session, Args& args) {
  planning::NewBudgetWizard wizard = planning::NewBudgetWizard::Open(session.data);
  wizard.name = args.value("--name").value_or("");
  const auto accounts = args.values("--account");
  const auto amounts = args.values("--amount");
  const bool warn = args.flag("--warn");
  TV_FINISH(args, rest);
  if (!rest.empty()) return session.usage("unexpected " + rest[0]);
  if (Status status = wizard.checkName(session.data); !status) return session.refuse(status);
  if (!accounts.empty()) {
    for (const planning::BudgetAccountEntry& entry : wizard.accounts.entries()) {
      wizard.accounts.setChecked(entry.account, false);
    }
    for (const std::string& text : accounts) {
      const auto key = ResolveAccount(session, text);
      if (!key) return kExitUsage;
      wizard.accounts.setChecked(*key, true);
    }
  }
  if (Status status = wizard.accounts.leave(); !status) return session.refuse(status);
  for (const std::string& pair : amounts) {
    const auto amount = CategoryAmount(session, pair);
    if (!amount) return kExitUsage;
    if (const auto code = SetPlanAmount(session, wizard.income, wizard.expenses, amount->first, &amount->second)) {
      return *code;
    }
  }
  wizard.expenses.setWarn(warn);
  planning::BudgetKey created = 0;
  const Status status = wizard.finish(session.data, session.prompter, &created);
  // A budget that could not be created was already reported.
  if (!status) return status.fileError ? session.refuse(status) : session.refuseQuietly(status);
  return PrintCreated(session, created);
}

int BudgetEdit(Session& session, Args& args) {
  const auto word = args.firstPositional();
  if (!word) return session.usage("budget edit needs a budget");
  const auto budget = ResolveBudget(session, *word);
  if (!budget) return kExitUsage;
  auto sheet = planning::BudgetPropertySheet::Open(session.data, *budget);
  if (!sheet) return session.usage("no budget " + *word);
  const auto add = args.values("--account");
  const auto remove = args.values("--no-account");
  const auto amounts = args.values("--amount");
  const auto clears = args.values("--clear");
  const bool warn = args.flag("--warn");
  const bool noWarn = args.flag("--no-warn");
  TV_FINISH(args, rest);
  if (!rest.empty()) return session.usage("unexpected " + rest[0]);
  if (warn && noWarn) return session.usage("give --warn or --no-warn, not both");
  if (!add.empty() || !remove.empty()) {
    sheet->accounts.show();
    for (const auto& [texts, checked] : {std::make_pair(&add, true), std::make_pair(&remove, false)}) {
      for (const std::string& text : *texts) {
        const auto key = ResolveAccount(session, text);
        if (!key) return kExitUsage;
        sheet->accounts.setChecked(*key, checked);
      }
    }
  }
  for (const std::string& pair : amounts) {
    const auto amount = CategoryAmount(session, pair);
    if (!amount) return kExitUsage;
    if (const auto code = SetPlanAmount(session, sheet->incomes, sheet->expenses, amount->first, &amount->second)) {
      return *code;
    }
  }
  for (const std::string& text : clears) {
    const auto key = ResolveCategory(session, text);
    if (!key) return kExitUsage;
    if (const auto code = SetPlanAmount(session, sheet->incomes, sheet->expenses, *key, nullptr)) return *code;
  }
  if (warn || noWarn) {
    sheet->expenses.show();
    sheet->expenses.setWarn(warn);
  }
  const Status status = sheet->ok(session.data, session.prompter);
  return status ? kExitDone : session.refuse(status);
}

int BudgetRename(Session& session, Args& args) {
  TV_FINISH(args, rest);
  if (rest.size() != 2) return session.usage("budget rename takes a budget and its new name");
  const auto budget = ResolveBudget(session, rest[0]);
  if (!budget) return kExitUsage;
  const Status status = planning::RenameBudget(session.data, *budget, rest[1]);
  return status ? kExitDone : session.refuse(status);
}

int BudgetDelete(Session& session, Args& args) {
  TV_FINISH(args, rest);
  if (rest.empty()) return session.usage("budget delete needs budgets");
  std::vector<planning::BudgetKey> budgets;
  for (const std::string& text : rest) {
    const auto budget = ResolveBudget(session, text);
    if (!budget) return kExitUsage;
    budgets.push_back(*budget);
  }
  const Status status = planning::DeleteBudgetsFromList(session.data, budgets, session.prompter);
  return status ? kExitDone : session.refuse(status);
}

// ---- security ----

std::optional<planning::SecurityKey> ResolveSecurity(Session& session, std::string_view text) {
  if (!text.empty() && text.front() == '#') {
    if (const auto key = ParseKey(text); key && planning::OpenSecurityForm(session.data, *key)) return key;
  } else if (const planning::SecurityKey key = planning::FindSecurityByName(session.data, text); key != 0) {
    return key;
  }
  session.usage("no security named " + std::string(text));
  return std::nullopt;
}

void FillSecurityForm(Args& args, planning::SecurityForm& form) {
  if (auto v = args.value("--name")) form.name = *v;
  if (auto v = args.value("--symbol")) form.symbol = *v;
  if (auto v = args.value("--price")) form.priceText = *v;
}

int SecurityList(Session& session, Args& args) {
  TV_FINISH(args, rest);
  if (!rest.empty()) return session.usage("security list takes no arguments");
  const store::RegionalSettings& regional = session.data.regional();
  Json list = Json::array();
  if (!session.json) session.out << "ID\tSecurity\tSymbol\tPrice\n";
  for (const planning::SecurityLine& line : planning::SecurityListLines(session.data)) {
    Json item = Json::object();
    item.set("id", line.key).set("name", line.name).set("symbol", line.symbol);
    SetMoney(item, "price", line.price, regional);
    list.push(std::move(item));
    if (!session.json) {
      session.out << line.key << '\t' << line.name << '\t' << line.symbol << '\t'
                  << store::FormatMoney(regional, line.price) << '\n';
    }
  }
  if (session.json) session.out << list.dump() << '\n';
  return kExitDone;
}

int SecurityAdd(Session& session, Args& args) {
  planning::SecurityForm form;
  FillSecurityForm(args, form);
  TV_FINISH(args, rest);
  if (!rest.empty()) return session.usage("unexpected " + rest[0]);
  planning::SecurityKey saved = 0;
  const Status status = planning::SaveSecurity(session.data, form, &saved);
  return status ? PrintCreated(session, saved) : session.refuse(status);
}

int SecurityEdit(Session& session, Args& args) {
  const auto word = args.firstPositional();
  if (!word) return session.usage("security edit needs a security");
  const auto key = ResolveSecurity(session, *word);
  if (!key) return kExitUsage;
  auto form = planning::OpenSecurityForm(session.data, *key);
  if (!form) return session.usage("no security " + *word);
  FillSecurityForm(args, *form);
  TV_FINISH(args, rest);
  if (!rest.empty()) return session.usage("unexpected " + rest[0]);
  const Status status = planning::SaveSecurity(session.data, *form);
  return status ? kExitDone : session.refuse(status);
}

int SecurityDelete(Session& session, Args& args) {
  TV_FINISH(args, rest);
  if (rest.empty()) return session.usage("security delete needs securities");
  std::vector<planning::SecurityKey> keys;
  for (const std::string& text : rest) {
    const auto key = ResolveSecurity(session, text);
    if (!key) return kExitUsage;
    keys.push_back(*key);
  }
  const Status status = planning::DeleteSecuritiesFromList(session.data, keys, session.prompter);
  return status ? kExitDone : session.refuse(status);
}

// ---- invest ----

std::optional<int> ReadAction(Session& session, Args& args, planning::InvestmentAction& action) {
  if (auto v = args.value("--action")) {
    const auto parsed = planning::InvestmentActionFromLabel(*v);
    if (!parsed) return session.usage("unknown action " + *v);
    action = *parsed;
  }
  return std::nullopt;
}

std::optional<int> FillInvestmentForm(Session& session, Args& args, planning::InvestmentForm& form) {
  if (auto v = args.value("--account")) {
    const auto key = InvestmentAccount(session, *v);
    if (!key) return kExitUsage;
    form.account = *key;
  }
  if (const auto code = ReadAction(session, args, form.action)) return code;
  if (const auto code = TakeDate(session, args, "--date", form.date)) return code;
  if (auto v = args.value("--security")) form.security = *v;
  if (auto v = args.value("--note")) form.note = *v;
  if (auto v = args.value("--shares")) form.sharesText = *v;
  if (auto v = args.value("--price")) form.priceText = *v;
  if (auto v = args.value("--commission")) form.commissionText = *v;
  if (auto v = args.value("--total")) form.totalText = *v;
  return std::nullopt;
}

int EnterInvestmentForm(Session& session, const planning::InvestmentForm& form) {
  const planning::InvestmentEntryResult result = planning::EnterInvestment(session.data, form, session.prompter);
  if (!result.status) return session.refuse(result.status);
  return form.key ? kExitDone : PrintCreated(session, *result.key);
}

int InvestAdd(Session& session, Args& args) {
  planning::InvestmentForm form = planning::NewInvestmentForm(session.data, 0);
  if (const auto code = FillInvestmentForm(session, args, form)) return *code;
  TV_FINISH(args, rest);
  if (!rest.empty()) return session.usage("unexpected " + rest[0]);
  if (form.account == 0) return session.usage("invest add needs --account");
  return EnterInvestmentForm(session, form);
}

bool InvestmentExists(Session& session, int32_t key) {
  const auto row = planning::LoadInvestment(session.data, key);
  return row && !row->deleted;
}

int InvestEdit(Session& session, Args& args) {
  const auto word = args.firstPositional();
  const auto key = word ? ParseKey(*word) : std::nullopt;
  auto form = key ? planning::OpenInvestmentForm(session.data, *key) : std::nullopt;
  if (!form) return session.usage("no investment " + word.value_or(""));
  if (const auto code = FillInvestmentForm(session, args, *form)) return *code;
  TV_FINISH(args, rest);
  if (!rest.empty()) return session.usage("unexpected " + rest[0]);
  return EnterInvestmentForm(session, *form);
}

int InvestDelete(Session& session, Args& args) {
  TV_FINISH(args, rest);
  const auto keys = Keys(session, rest, "investment", [&](int32_t k) { return InvestmentExists(session, k); });
  if (!keys) return kExitUsage;
  const Status status = planning::DeleteInvestmentsFromRegister(session.data, *keys, session.prompter);
  return status ? kExitDone : session.refuse(status);
}

int InvestRegister(Session& session, Args& args) {
  std::string from;
  std::string to;
  if (const auto code = TakeDate(session, args, "--from", from)) return *code;
  if (const auto code = TakeDate(session, args, "--to", to)) return *code;
  TV_FINISH(args, rest);
  if (rest.size() != 1) return session.usage("invest register takes one account");
  const auto account = InvestmentAccount(session, rest[0]);
  if (!account) return kExitUsage;
  // Without dates: everything up to today or the last row, whichever is later.
  const std::string today = store::DateText(session.data.now());
  if (from.empty()) from = planning::FirstInvestmentDate(session.data, *account);
  if (from.empty()) from = today;
  if (to.empty()) {
    to = planning::LastInvestmentDate(session.data, *account);
    if (to.empty() || to < today) to = today;
  }
  const store::RegionalSettings& regional = session.data.regional();
  Json list = Json::array();
  if (!session.json) session.out << "ID\tDate\tAction\tSecurity\tNote\tShares\tValue\tTotal\tRunning total\n";
  for (const planning::InvestmentRegisterRow& row :
       planning::InvestmentRegisterRows(session.data, *account, from, to)) {
    Json item = Json::object();
    item.set("id", row.row.key).set("date", row.row.date).set("action", row.action).set("security", row.security);
    item.set("note", row.note).set("cleared", row.row.cleared);
    item.set("shares", static_cast<long long>(row.row.shares));
    item.set("shares_running", row.sharesRunning ? Json(static_cast<long long>(*row.sharesRunning)) : Json());
    SetMoney(item, "price", row.row.price, regional);
    SetMoney(item, "commission", row.row.commission, regional);
    SetOptionalMoney(item, "value", row.value, regional);
    SetMoney(item, "total", row.row.total, regional);
    SetMoney(item, "total_running", row.totalRunning, regional);
    list.push(std::move(item));
    if (!session.json) {
      session.out << row.row.key << '\t' << row.row.date << '\t' << row.action << '\t' << row.security << '\t'
                  << row.note << '\t' << (row.sharesRunning ? std::to_string(*row.sharesRunning) : "") << '\t'
                  << (row.value ? store::FormatMoney(regional, *row.value) : "") << '\t'
                  << store::FormatMoney(regional, row.row.total) << '\t'
                  << store::FormatMoney(regional, row.totalRunning) << '\n';
    }
  }
  if (session.json) session.out << list.dump() << '\n';
  return kExitDone;
}

// ---- invest-schedule ----

bool InvestmentScheduleExists(Session& session, int32_t key) {
  const auto row = planning::LoadInvestmentSchedule(session.data, key);
  return row && !row->deleted;
}

std::optional<int> FillInvestmentScheduleForm(Session& session, Args& args, planning::InvestmentScheduleForm& form) {
  if (auto v = args.value("--account")) {
    const auto key = InvestmentAccount(session, *v);
    if (!key) return kExitUsage;
    form.account = *key;
  }
  if (const auto code = ReadAction(session, args, form.action)) return code;
  if (auto v = args.value("--security")) {
    const auto key = ResolveSecurity(session, *v);
    if (!key) return kExitUsage;
    form.security = *key;
  }
  if (auto v = args.value("--shares")) form.sharesText = *v;
  if (auto v = args.value("--price")) form.priceText = *v;
  if (auto v = args.value("--commission")) form.commissionText = *v;
  if (auto v = args.value("--total")) form.totalText = *v;
  return ReadRecurrence(session, args, form.recurrence);
}

int InvestScheduleList(Session& session, Args& args) {
  const bool old = args.flag("--old");
  const bool overdue = args.flag("--overdue");
  TV_FINISH(args, rest);
  if (!rest.empty()) return session.usage("unexpected " + rest[0]);
  if (Status status = planning::CheckInvestmentScheduleList(session.data); !status) return session.refuse(status);
  const store::RegionalSettings& regional = session.data.regional();
  Json list = Json::array();
  if (!session.json) session.out << "ID\tAccount\tAction\tSecurity\tShares\tPrice\tCommission\tCost\tNext\tEnd\n";
  for (const planning::InvestmentScheduleLine& line : planning::InvestmentScheduleLines(
           session.data, old ? planning::ScheduleView::Old : planning::ScheduleView::Active, overdue)) {
    Json item = Json::object();
    item.set("id", line.row.key).set("account", line.accountName).set("action", line.action);
    item.set("security", line.security).set("shares", static_cast<long long>(line.shares));
    SetMoney(item, "price", line.price, regional);
    SetMoney(item, "commission", line.commission, regional);
    SetMoney(item, "cost", line.cost, regional);
    SetRecurrenceJson(item, line.row.next, line.row.end);
    item.set("reminders", line.row.reminders);
    list.push(std::move(item));
    if (!session.json) {
      session.out << line.row.key << '\t' << line.accountName << '\t' << line.action << '\t' << line.security << '\t'
                  << line.shares << '\t' << store::FormatMoney(regional, line.price) << '\t'
                  << store::FormatMoney(regional, line.commission) << '\t' << store::FormatMoney(regional, line.cost)
                  << '\t' << line.row.next << '\t' << line.row.end << '\n';
    }
  }
  if (session.json) session.out << list.dump() << '\n';
  return kExitDone;
}

int InvestScheduleSave(Session& session, const planning::InvestmentScheduleForm& form) {
  planning::InvestmentScheduleKey saved = 0;
  const Status status = planning::SaveInvestmentSchedule(session.data, form, &saved);
  if (!status) return session.refuse(status);
  return form.key ? kExitDone : PrintCreated(session, saved);
}

int InvestScheduleAdd(Session& session, Args& args) {
  if (Status status = planning::CheckInvestmentScheduleList(session.data); !status) return session.refuse(status);
  planning::InvestmentScheduleForm form = planning::NewInvestmentScheduleForm(session.data);
  form.account = 0;
  if (const auto code = FillInvestmentScheduleForm(session, args, form)) return *code;
  TV_FINISH(args, rest);
  if (!rest.empty()) return session.usage("unexpected " + rest[0]);
  if (form.account == 0) return session.usage("invest-schedule add needs --account");
  return InvestScheduleSave(session, form);
}

int InvestScheduleEdit(Session& session, Args& args) {
  const auto word = args.firstPositional();
  const auto key = word ? ParseKey(*word) : std::nullopt;
  auto form = key ? planning::OpenInvestmentScheduleForm(session.data, *key) : std::nullopt;
  if (!form) return session.usage("no investment schedule " + word.value_or(""));
  if (const auto code = FillInvestmentScheduleForm(session, args, *form)) return *code;
  TV_FINISH(args, rest);
  if (!rest.empty()) return session.usage("unexpected " + rest[0]);
  return InvestScheduleSave(session, *form);
}

int InvestSchedulePost(Session& session, Args& args) {
  TV_FINISH(args, rest);
  const auto keys =
      Keys(session, rest, "investment schedule", [&](int32_t k) { return InvestmentScheduleExists(session, k); });
  if (!keys) return kExitUsage;
  if (!planning::CanPostOrSkipInvestments(session.data, *keys)) {
    session.err << "Post Transaction is not available for completed schedules.\n";
    return kExitRefused;
  }
  const planning::InvestmentPostResult result = planning::PostScheduledInvestments(session.data, *keys);
  if (!result.status) return session.refuse(result.status);
  for (planning::InvestmentKey entered : result.entered) PrintCreated(session, entered);
  for (planning::InvestmentScheduleKey refused : result.refused) {
    session.err << "Investment schedule " << refused << " could not be posted.\n";
  }
  return result.refused.empty() ? kExitDone : kExitRefused;
}

int InvestScheduleSkip(Session& session, Args& args) {
  TV_FINISH(args, rest);
  const auto keys =
      Keys(session, rest, "investment schedule", [&](int32_t k) { return InvestmentScheduleExists(session, k); });
  if (!keys) return kExitUsage;
  if (!planning::CanPostOrSkipInvestments(session.data, *keys)) {
    session.err << "Skip Transaction is not available for completed schedules.\n";
    return kExitRefused;
  }
  const Status status = planning::SkipScheduledInvestments(session.data, *keys);
  return status ? kExitDone : session.refuse(status);
}

int InvestScheduleDelete(Session& session, Args& args) {
  TV_FINISH(args, rest);
  const auto keys =
      Keys(session, rest, "investment schedule", [&](int32_t k) { return InvestmentScheduleExists(session, k); });
  if (!keys) return kExitUsage;
  const Status status = planning::DeleteInvestmentSchedulesFromList(session.data, *keys, session.prompter);
  return status ? kExitDone : session.refuse(status);
}

#undef TV_FINISH

}  // namespace

void AddPlanningCommands(std::vector<Command>& commands) {
  commands.push_back({{"reconcile", "show"}, "reconcile show ACCOUNT --statement-date D [--opening-date D] [--all]",
                      ReconcileShow});
  commands.push_back({{"reconcile", "finish"},
                      "reconcile finish ACCOUNT --statement-date D --closing AMOUNT [--opening-date D] [--all] "
                      "[--tick ID]... [--amount ID=TEXT]...",
                      ReconcileFinish});
  commands.push_back({{"schedule", "list"}, "schedule list [--old] [--overdue]", ScheduleList});
  commands.push_back({{"schedule", "add"}, "schedule add --account A --amount TEXT [--type TYPE] [--payee NAME | --to ACCOUNT] [--category NAME] "
                      "[--subcategory NAME] [--next D] [--end D | --no-end] [--every N --unit Days|Weeks|Months | --day D] "
                      "[--remind] [--from-txn ID]",
                      ScheduleAdd, true, "The schedule form; prints the new key. An existing payee brings its remembered category."});
  commands.push_back({{"schedule", "edit"}, "schedule edit ID [same options as schedule add]", ScheduleEdit});
  commands.push_back({{"schedule", "post"}, "schedule post ID...", SchedulePost});
  commands.push_back({{"schedule", "skip"}, "schedule skip ID...", ScheduleSkip});
  commands.push_back({{"schedule", "delete"}, "schedule delete ID...", ScheduleDelete});
  commands.push_back({{"schedule", "due"}, "schedule due", ScheduleDue});
  commands.push_back({{"budget", "list"}, "budget list", BudgetList});
  commands.push_back({{"budget", "show"}, "budget show BUDGET", BudgetShow});
  commands.push_back({{"budget", "add"}, "budget add --name N [--account A]... [--amount CATEGORY=TEXT]... [--warn]",
                      BudgetAdd});
  commands.push_back({{"budget", "edit"},
                      "budget edit BUDGET [--account A]... [--no-account A]... [--amount CATEGORY=TEXT]... "
                      "[--clear CATEGORY]... [--warn | --no-warn]",
                      BudgetEdit});
  commands.push_back({{"budget", "rename"}, "budget rename BUDGET NEW", BudgetRename});
  commands.push_back({{"budget", "delete"}, "budget delete BUDGET...", BudgetDelete});
  commands.push_back({{"security", "list"}, "security list", SecurityList});
  commands.push_back({{"security", "add"}, "security add --name N [--symbol S] [--price TEXT]", SecurityAdd});
  commands.push_back({{"security", "edit"}, "security edit SECURITY [--name N] [--symbol S] [--price TEXT]",
                      SecurityEdit});
  commands.push_back({{"security", "delete"}, "security delete SECURITY...", SecurityDelete});
  commands.push_back({{"invest", "add"}, "invest add --account A --action ACTION [--date D] [--security NAME] [--note T] [--shares N] "
                      "[--price TEXT] [--commission TEXT] [--total TEXT]",
                      InvestAdd, true, "The investment form; ACTION is Buy, Sell, Dividend, Income, Misc Expense, Deposit or Withdraw."});
  commands.push_back({{"invest", "edit"}, "invest edit ID [same options as invest add]", InvestEdit});
  commands.push_back({{"invest", "delete"}, "invest delete ID...", InvestDelete});
  commands.push_back({{"invest", "register"}, "invest register ACCOUNT [--from D] [--to D]", InvestRegister});
  commands.push_back({{"invest-schedule", "list"}, "invest-schedule list [--old] [--overdue]", InvestScheduleList});
  commands.push_back({{"invest-schedule", "add"}, "invest-schedule add --account A --action ACTION ...",
                      InvestScheduleAdd});
  commands.push_back({{"invest-schedule", "edit"}, "invest-schedule edit ID [same options as invest-schedule add]", InvestScheduleEdit});
  commands.push_back({{"invest-schedule", "post"}, "invest-schedule post ID...", InvestSchedulePost});
  commands.push_back({{"invest-schedule", "skip"}, "invest-schedule skip ID...", InvestScheduleSkip});
  commands.push_back({{"invest-schedule", "delete"}, "invest-schedule delete ID...", InvestScheduleDelete});
}

}  // namespace tallyvane::cli
