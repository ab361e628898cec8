// txn, register and balances commands.
#include <algorithm>
#include <ostream>

#include "cli/common.h"
#include "ledger/accounts.h"
#include "ledger/balances.h"
#include "ledger/categories.h"
#include "ledger/entry.h"
#include "ledger/payees.h"
#include "ledger/register.h"
#include "ledger/transactions.h"
#include "planning/investments.h"
#include "store/text.h"

namespace tallyvane::cli {

namespace {

using ledger::TransactionKey;
using store::Money;
using store::Status;

#define TV_FINISH(args, rest)                                                  \
  std::vector<std::string> rest;                                               \
  if (auto error = (args).finish(rest)) return session.usage(error->message);

std::optional<int> FillEntryForm(Session& session, Args& args, ledger::EntryForm& form) {
  if (auto v = args.value("--account")) {
    const auto key = ResolveAccount(session, *v);
    if (!key) return kExitUsage;
    if (ledger::IsInvestmentAccount(session.data, *key)) return session.usage("an investment account has no bank register");
    form.account = *key;
  }
  if (auto v = args.value("--amount")) form.amountText = *v;
  if (auto v = args.value("--type")) {
    const auto type = ledger::TransactionTypeFromLabel(*v);
    if (!type) return session.usage("unknown transaction type " + *v);
    if (*type != form.type && *type == ledger::TransactionType::Check && !form.key) {
      // Choosing Check proposes the next number.
      form.number = ledger::ProposedCheckNumber(session.data, form.account);
    }
    form.type = *type;
  }
  if (auto v = args.value("--date")) {
    if (!IsDateArgument(*v)) return session.usage("dates are YYYY-MM-DD: " + *v);
    form.date = *v;
  }
  if (auto v = args.value("--number")) form.number = *v;
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
  if (auto v = args.value("--category")) {
    form.category = *v;
    form.subcategory.clear();
  }
  if (auto v = args.value("--subcategory")) form.subcategory = *v;
  if (auto v = args.value("--note")) form.note = *v;
  if (auto v = args.value("--tax")) form.taxChoice = *v;
  // Choosing a payee comes after the category so that a given one wins.
  if (payee) {
    if (const auto existing = FindExistingPayee(session, *payee)) ledger::ChoosePayee(session.data, form, *existing);
  }
  return std::nullopt;
}

int Enter(Session& session, ledger::EntryForm& form) {
  // The save and the current balances the register refreshes after it are
  // one transaction on the data file.
  store::WriteGuard guard(session.data.db());
  const ledger::EntryResult result = ledger::EnterTransaction(session.data, form, session.prompter);
  if (!result.status) return session.refuseQuietly(result.status);
  ledger::UpdateAllCurrentBalances(session.data);
  if (const Status committed = guard.commit(); !committed) return session.refuse(committed);
  return form.key ? kExitDone : PrintCreated(session, *result.key);
}

int TxnAdd(Session& session, Args& args) {
  ledger::EntryForm form = ledger::NewEntryForm(session.data, 0);
  form.account = 0;
  if (const auto code = FillEntryForm(session, args, form)) return *code;
  TV_FINISH(args, rest);
  if (!rest.empty()) return session.usage("unexpected " + rest[0]);
  if (form.account == 0) return session.usage("txn add needs --account");
  return Enter(session, form);
}

std::optional<TransactionKey> TakeRow(Session& session, Args& args) {
  const auto word = args.firstPositional();
  const auto key = word ? ParseKey(*word) : std::nullopt;
  if (!key) {
    session.usage("expected a transaction key");
    return std::nullopt;
  }
  const auto row = ledger::LoadTransaction(session.data.db(), *key);
  if (!row || row->deleted) {
    session.usage("no transaction " + *word);
    return std::nullopt;
  }
  return key;
}

int TxnEdit(Session& session, Args& args) {
  const auto key = TakeRow(session, args);
  if (!key) return kExitUsage;
  const auto target = ledger::RegisterEditTarget(session.data, *key);
  if (!target) return kExitRefused;  // the register does not open it, without a word
  auto form = ledger::OpenEntryForm(session.data, *target);
  if (!form) return kExitRefused;
  if (const auto code = FillEntryForm(session, args, *form)) return *code;
  TV_FINISH(args, rest);
  if (!rest.empty()) return session.usage("unexpected " + rest[0]);
  return Enter(session, *form);
}

std::optional<std::vector<TransactionKey>> Rows(Session& session, const std::vector<std::string>& words) {
  std::vector<TransactionKey> keys;
  for (const std::string& word : words) {
    const auto key = ParseKey(word);
    const auto row = key ? ledger::LoadTransaction(session.data.db(), *key) : std::nullopt;
    if (!row || row->deleted) {
      session.usage("no transaction " + word);
      return std::nullopt;
    }
    keys.push_back(*key);
  }
  if (keys.empty()) {
    session.usage("expected transaction keys");
    return std::nullopt;
  }
  return keys;
}

int TxnDelete(Session& session, Args& args) {
  TV_FINISH(args, rest);
  const auto keys = Rows(session, rest);
  if (!keys) return kExitUsage;
  const Status status = ledger::RegisterDelete(session.data, *keys, session.prompter);
  return status ? kExitDone : session.refuseQuietly(status);
}

int TxnVoid(Session& session, Args& args) {
  TV_FINISH(args, rest);
  const auto keys = Rows(session, rest);
  if (!keys) return kExitUsage;
  const Status status = ledger::RegisterVoid(session.data, *keys, session.prompter);
  return status ? kExitDone : session.refuseQuietly(status);
}

int TxnClear(Session& session, Args& args) {
  const bool off = args.flag("--off");
  TV_FINISH(args, rest);
  const auto keys = Rows(session, rest);
  if (!keys) return kExitUsage;
  store::WriteGuard guard(session.data.db());
  for (TransactionKey key : *keys) ledger::SetTransactionCleared(session.data, key, !off);
  const Status status = guard.commit();
  return status ? kExitDone : session.refuse(status);
}

int TxnUnreconcile(Session& session, Args& args) {
  TV_FINISH(args, rest);
  const auto keys = Rows(session, rest);
  if (!keys || keys->size() != 1) return keys ? session.usage("txn unreconcile takes one transaction") : kExitUsage;
  const Status status = ledger::RegisterUnreconcile(session.data, keys->front(), session.prompter);
  return status ? kExitDone : session.refuse(status);
}

int TxnSplit(Session& session, Args& args) {
  const auto key = TakeRow(session, args);
  if (!key) return kExitUsage;
  const auto lines = args.values("--line");
  const auto removes = args.values("--remove");
  TV_FINISH(args, rest);
  if (!rest.empty()) return session.usage("unexpected " + rest[0]);
  std::vector<ledger::SplitLineInput> inputs;
  for (const std::string& line : lines) {
    const auto first = line.find(';');
    const auto second = first == std::string::npos ? std::string::npos : line.find(';', first + 1);
    if (second == std::string::npos) return session.usage("a line is \"CATEGORY;NOTE;VALUE\": " + line);
    ledger::SplitLineInput input;
    input.category = line.substr(0, first);
    input.note = line.substr(first + 1, second - first - 1);
    std::string value = ledger::TrimSpaces(line.substr(second + 1));
    if (!value.empty() && value.front() == '-') {
      input.payment = value.substr(1);
    } else {
      input.deposit = value;
    }
    inputs.push_back(std::move(input));
  }
  std::vector<ledger::SplitLineKey> removed;
  for (const std::string& word : removes) {
    const auto line = ParseKey(word);
    if (!line) return session.usage("--remove takes a line key");
    removed.push_back(*line);
  }
  // The listed lines replace the shown ones: every live line not listed goes.
  for (const ledger::SplitLine& live : ledger::LiveSplitLines(session.data, *key)) {
    if (std::find(removed.begin(), removed.end(), live.key) == removed.end()) removed.push_back(live.key);
  }
  const Status status = ledger::SaveSplitLines(session.data, *key, inputs, removed);
  return status ? kExitDone : session.refuse(status);
}

Json TransactionJson(Session& session, const ledger::TransactionRow& row) {
  const store::RegionalSettings& regional = session.data.regional();
  Json object = Json::object();
  object.set("id", row.key).set("account", row.account);
  SetMoney(object, "amount", row.amount, regional);
  object.set("payee", row.payee)
      .set("transfer_account", row.referencedAccount)
      .set("referenced_id", row.referencedId)
      .set("description", row.description)
      .set("note", row.note)
      .set("category", row.category)
      .set("date", row.date)
      .set("number", row.number)
      .set("tax_deductible", row.taxDeductible)
      .set("cleared", row.cleared)
      .set("reconciled", row.reconciled)
      .set("void", row.isVoid)
      .set("deleted", row.deleted)
      .set("type", row.type)
      .set("split", row.split)
      .set("payee_text", ledger::TransactionPayeeText(session.data, row))
      .set("category_text", ledger::TransactionCategoryText(session.data, row));
  SetMoney(object, "running_balance", ledger::TransactionRunningBalance(session.data, row.key), regional);
  Json lines = Json::array();
  for (const ledger::SplitLine& line : ledger::LiveSplitLines(session.data, row.key)) {
    Json item = Json::object();
    item.set("id", line.key).set("category", line.category).set("note", line.note);
    SetMoney(item, "amount", line.amount, regional);
    lines.push(std::move(item));
  }
  object.set("lines", std::move(lines));
  return object;
}

int TxnShow(Session& session, Args& args) {
  TV_FINISH(args, rest);
  if (rest.size() != 1) return session.usage("txn show takes one transaction");
  const auto key = ParseKey(rest[0]);
  const auto row = key ? ledger::LoadTransaction(session.data.db(), *key) : std::nullopt;
  if (!row) return session.usage("no transaction " + rest[0]);
  session.out << TransactionJson(session, *row).dump() << '\n';
  return kExitDone;
}

struct RegisterArgs {
  ledger::AccountKey account = 0;
  std::string from;
  std::string to;
  bool showSplits = false;
};

std::optional<int> ReadRegisterArgs(Session& session, Args& args, RegisterArgs& out, std::vector<std::string>& rest) {
  const auto from = args.value("--from");
  const auto to = args.value("--to");
  const auto period = args.value("--period");
  out.showSplits = args.flag("--show-splits");
  if (auto error = args.finish(rest)) return session.usage(error->message);
  if (rest.empty()) return session.usage("register needs an account");
  const auto account = ResolveAccount(session, rest[0]);
  if (!account) return kExitUsage;
  if (ledger::IsInvestmentAccount(session.data, *account)) return session.usage("an investment account has no bank register");
  out.account = *account;
  rest.erase(rest.begin());
  // The window opens on the custom period: a month back to today.
  const std::string today = ledger::TodayText(session.data);
  out.from = store::DateText(store::AddMonths(session.data.now(), -1));
  out.to = today;
  if (period && *period != "Custom Period") {
    const auto span = ledger::RegisterPeriod(session.data, *period, out.account);
    if (!span) return session.usage("unknown period " + *period);
    out.from = span->from;
    out.to = span->to;
  }
  if (from) {
    if (!IsDateArgument(*from)) return session.usage("dates are YYYY-MM-DD: " + *from);
    out.from = *from;
  }
  if (to) {
    if (!IsDateArgument(*to)) return session.usage("dates are YYYY-MM-DD: " + *to);
    out.to = *to;
  }
  return std::nullopt;
}

int Register(Session& session, Args& args) {
  RegisterArgs r;
  std::vector<std::string> rest;
  if (const auto code = ReadRegisterArgs(session, args, r, rest)) return *code;
  if (!rest.empty()) return session.usage("unexpected " + rest[0]);
  const store::RegionalSettings& regional = session.data.regional();
  if (!session.json) session.out << "ID\tDate\tNumber\tPayee\tCategory\tPayment\tDeposit\tBalance\tReconciled\n";
  // Rows are read a page at a time and printed as they come, so a register of
  // any length holds one page in memory.
  ledger::RegisterPages pages(session.data, r.account, r.from, r.to, r.showSplits);
  constexpr std::int64_t kPage = 1000;
  bool first = true;
  if (session.json) session.out << '[';
  for (std::int64_t at = 0; at < pages.lineCount(); at += kPage) {
    const std::vector<ledger::RegisterRow> lines = pages.lines(at, kPage);
    if (lines.empty()) break;
    for (const ledger::RegisterRow& row : lines) {
      if (!session.json) {
        session.out << row.row.key << '\t' << row.row.date << '\t' << row.row.number << '\t' << row.payeeText << '\t'
                    << row.categoryText << '\t' << (row.payment ? store::FormatMoney(regional, *row.payment) : "")
                    << '\t' << (row.deposit ? store::FormatMoney(regional, *row.deposit) : "") << '\t'
                    << store::FormatMoney(regional, row.balance) << '\t' << (row.row.reconciled ? "R" : "") << '\n';
        continue;
      }
      Json object = Json::object();
      object.set("id", row.row.key)
          .set("date", row.row.date)
          .set("number", row.row.number)
          .set("payee", row.payeeText)
          .set("category", row.categoryText)
          .set("note", row.note);
      SetOptionalMoney(object, "payment", row.payment, regional);
      SetOptionalMoney(object, "deposit", row.deposit, regional);
      SetMoney(object, "balance", row.balance, regional);
      object.set("cleared", row.row.cleared).set("reconciled", row.row.reconciled).set("void", row.row.isVoid);
      object.set("split", row.row.split);
      if (row.splitLine) object.set("split_line", *row.splitLine);
      if (!first) session.out << ',';
      first = false;
      session.out << object.dump();
    }
  }
  if (session.json) session.out << "]\n";
  return kExitDone;
}

int RegisterFindCommand(Session& session, Args& args) {
  const auto after = args.value("--after");
  RegisterArgs r;
  std::vector<std::string> rest;
  if (const auto code = ReadRegisterArgs(session, args, r, rest)) return *code;
  if (rest.size() != 1) return session.usage("register find needs the text");
  std::optional<TransactionKey> afterKey;
  if (after) {
    afterKey = ParseKey(*after);
    if (!afterKey) return session.usage("--after takes a transaction key");
  }
  const auto found = ledger::RegisterFind(session.data, r.account, r.from, r.to, rest[0], afterKey);
  if (!found.key) return session.refuse(found.status);
  return PrintCreated(session, *found.key);
}

int Balances(Session& session, Args& args) {
  TV_FINISH(args, rest);
  if (!rest.empty()) return session.usage("balances takes no arguments");
  const store::RegionalSettings& regional = session.data.regional();
  const ledger::AccountsPanel panel = ledger::AccountTotals(session.data, planning::InvestmentAccountValue);
  if (!session.json) {
    for (const std::string& item : panel.items) session.out << item << '\n';
    return kExitDone;
  }
  Json accounts = Json::array();
  for (const ledger::PanelAccount& account : panel.accounts) {
    Json object = Json::object();
    object.set("id", account.key).set("name", account.name);
    SetMoney(object, "balance", account.balance, regional);
    object.set("asset", account.asset).set("investment", account.investment).set("item", account.item);
    accounts.push(std::move(object));
  }
  Json doc = Json::object();
  doc.set("accounts", std::move(accounts));
  SetMoney(doc, "assets", panel.assets, regional);
  SetMoney(doc, "liabilities", panel.liabilities, regional);
  Json items = Json::array();
  for (const std::string& item : panel.items) items.push(item);
  doc.set("items", std::move(items));
  session.out << doc.dump() << '\n';
  return kExitDone;
}

#undef TV_FINISH

}  // namespace

void AddLedgerCommands(std::vector<Command>& commands) {
  const std::vector<std::string_view> entryOptions = {
      "--account A          the account, by #key or name",
      "--amount TEXT        as typed in the form, in the data file's regional format",
      "--type TYPE          Deposit, ATM, EFT, Check, Purchase (default) or Transfer",
      "--date D             YYYY-MM-DD; default today",
      "--number N           the check number (a Check proposes the next one)",
      "--payee NAME         an existing payee brings its remembered category; a new name is added",
      "--to ACCOUNT         the other account of a Transfer",
      "--category NAME      by full name (\"Food | Groceries\"); a new name is created",
      "--subcategory NAME   under --category",
      "--note T",
      "--tax CHOICE         Tax Deductible, Not Deductible or Use Expense Category",
  };
  commands.push_back({{"txn", "add"},
                      "txn add --account A --amount TEXT [--type TYPE] [--date D] [--number N] [--payee NAME | --to "
                      "ACCOUNT] [--category NAME] [--subcategory NAME] [--note T] [--tax CHOICE]",
                      TxnAdd, true, "The add-transaction form; prints the new key.", entryOptions});
  commands.push_back({{"txn", "edit"}, "txn edit ID [same options as txn add]", TxnEdit, true,
                      "The edit form as the register opens it; options not given keep the row's values."});
  commands.push_back({{"txn", "delete"}, "txn delete ID...", TxnDelete, true, "The register's delete, with its question."});
  commands.push_back({{"txn", "void"}, "txn void ID...", TxnVoid, true, "The register's void (both rows of a transfer)."});
  commands.push_back({{"txn", "clear"}, "txn clear ID... [--off]", TxnClear, true, "Sets the cleared tick, or clears it with --off."});
  commands.push_back({{"txn", "unreconcile"}, "txn unreconcile ID", TxnUnreconcile, true, "Unreconciles one row, with its question."});
  commands.push_back({{"txn", "split"}, "txn split ID [--line \"CATEGORY;NOTE;VALUE\"]... [--remove LINE_ID]...", TxnSplit,
                      true, "The split editor's save: the listed lines replace the shown ones.",
                      {"--line \"CATEGORY;NOTE;VALUE\"   VALUE signed: deposit positive, payment negative",
                       "--remove LINE_ID                a line to retire"}});
  commands.push_back({{"txn", "show"}, "txn show ID", TxnShow, true, "One transaction with its split lines, as JSON."});
  commands.push_back({{"register"}, "register ACCOUNT [--from D] [--to D] [--period NAME] [--show-splits]", Register, true,
                      "The register's rows in order with the running balance.",
                      {"--from D, --to D     the span; default a month back to today",
                       "--period NAME        a register period: All, This Month, ...",
                       "--show-splits        one line per split line"}});
  commands.push_back({{"register", "find"}, "register find ACCOUNT TEXT [--after ID]", RegisterFindCommand, true,
                      "The register's find: prints the first matching key (after ID with --after)."});
  commands.push_back({{"balances"}, "balances", Balances, true,
                      "The accounts panel: each account's balance, the assets and the liabilities."});
}

}  // namespace tallyvane::cli
