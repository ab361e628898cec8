// password, account, category and payee commands.

#include <ostream>

#include "app/password.h"
#include "cli/common.h"
#include "ledger/accounts.h"
#include "ledger/balances.h"
#include "ledger/categories.h"
#include "ledger/payees.h"
#include "planning/investments.h"
#include "store/secure.h"
#include "store/text.h"

namespace tallyvane::cli {

namespace {

using ledger::AccountKey;
using store::Money;
using store::Status;

#define TV_FINISH(args, rest)                                                  \
  std::vector<std::string> rest;                                               \
  if (auto error = (args).finish(rest)) return session.usage(error->message);

// ---- password ----

int PasswordSet(Session& session, Args& args) {
  app::ChangePasswordForm form;
  form.confirm = args.value("--confirm").value_or("");
  form.current = args.value("--current").value_or("");
  form.hint = args.value("--hint").value_or("");
  form.email = args.value("--email").value_or("");
  TV_FINISH(args, rest);
  if (rest.size() != 1) return session.usage("password set needs the new password");
  form.password = rest[0];
  const Status status = app::ChangePassword(session.data.db(), form, session.prompter);
  return status ? kExitDone : session.refuseQuietly(status);
}

int PasswordRemove(Session& session, Args& args) {
  const std::string current = args.value("--current").value_or("");
  TV_FINISH(args, rest);
  if (!rest.empty()) return session.usage("password remove takes only --current");
  const Status status = app::RemovePassword(session.data.db(), current, session.prompter);
  return status ? kExitDone : session.refuseQuietly(status);
}

int PasswordCheck(Session& session, Args& args) {
  TV_FINISH(args, rest);
  if (rest.size() != 1) return session.usage("password check needs the password");
  if (!store::isPasswordSet(session.data.db())) return kExitDone;
  app::StartupPasswordPrompt prompt(session.data.db(), session.settings);
  const auto answer = prompt.submit(rest[0]);
  if (answer.outcome == app::StartupPasswordPrompt::Outcome::Accepted) return kExitDone;
  session.err << answer.message << '\n';
  return kExitPassword;
}

// ---- accounts ----

std::optional<int32_t> ResolveType(Session& session, std::string_view text) {
  for (const auto& type : ledger::AccountTypeChoices(session.data)) {
    if (type.name == text || (ParseKey(text) && *ParseKey(text) == type.key)) return type.key;
  }
  session.usage("no account type " + std::string(text));
  return std::nullopt;
}

Json AccountJson(Session& session, AccountKey key, bool details) {
  store::Db& db = session.data.db();
  const store::RegionalSettings& regional = session.data.regional();
  Json object = Json::object();
  const auto stored = ledger::LoadStoredAccount(session.data, key);
  if (!stored) return object;
  const ledger::AccountValues& values = stored->values;
  const int32_t type = values.type;
  std::string typeName;
  for (const auto& choice : ledger::AccountTypeChoices(session.data)) {
    if (choice.key == type) typeName = choice.name;
  }
  const bool investment = type == ledger::kInvestmentAccountType;
  const store::SecretsRead secrets = store::readAccountSecrets(db, ledger::KeyText(key));
  // The accounts panel's valuation.
  const Money balance = investment ? planning::InvestmentAccountValue(session.data, key)
                                   : ledger::AccountBalanceNow(session.data, key);
  object.set("id", key).set("name", values.name).set("type", type).set("type_name", typeName);
  object.set("asset", investment || ledger::IsAssetAccount(session.data, key)).set("investment", investment);
  SetMoney(object, "balance", balance, regional);
  SetMoney(object, "starting", values.starting, regional);
  SetMoney(object, "current", values.current, regional);
  object.set("check_number", values.checkNumber);
  object.set("last_reconciled", stored->lastReconciled);
  object.set("last_retrieved", values.lastRetrieved);
  object.set("masked_number", ledger::MaskAccountNumber(secrets.values.accountNumber));
  if (details) {
    object.set("description", values.description);
    object.set("notes", values.notes);
    const int online = values.onlineAccess;
    const bool hasInstitution = !secrets.values.institution.empty() && secrets.values.institution != "0";
    object.set("online", online == 1 || (online == 0 && hasInstitution && !secrets.values.accountNumber.empty()));
    object.set("fi", secrets.values.institution.empty() ? "0" : secrets.values.institution);
    object.set("routing", secrets.values.routingNumber);
    object.set("number", secrets.values.accountNumber);
    object.set("user_id", secrets.values.userId);
    object.set("prompt_password", !secrets.values.userId.empty() && secrets.values.password.empty());
    if (!secrets.ok) {
      object.set("security_warning",
                 "Error reading online access connection data. We recommend scanning your computer for malware and "
                 "disk errors.\nPlease review and save your account online access data.");
    }
  }
  return object;
}

int AccountTypes(Session& session, Args& args) {
  TV_FINISH(args, rest);
  Json list = Json::array();
  if (!session.json) session.out << "ID\tName\tKind\n";
  for (const auto& type : ledger::AccountTypeChoices(session.data)) {
    list.push(Json::object().set("id", type.key).set("name", type.name).set("asset", type.asset));
    if (!session.json) session.out << type.key << '\t' << type.name << '\t' << (type.asset ? "asset" : "liability") << '\n';
  }
  if (session.json) session.out << list.dump() << '\n';
  return kExitDone;
}

int AccountList(Session& session, Args& args) {
  TV_FINISH(args, rest);
  Json list = Json::array();
  if (!session.json) session.out << "ID\tName\tType\tBalance\tNumber\n";
  for (const auto& line : ledger::AccountListLines(session.data)) {
    Json object = AccountJson(session, line.key, false);
    if (!session.json) {
      // The balance as the accounts panel shows it.
      const Money balance = ledger::IsInvestmentAccount(session.data, line.key)
                                ? planning::InvestmentAccountValue(session.data, line.key)
                                : ledger::AccountBalanceNow(session.data, line.key);
      session.out << line.key << '\t' << line.name << '\t' << line.typeName << '\t'
                  << store::FormatMoney(session.data.regional(), balance) << '\t' << line.maskedNumber << '\n';
    }
    list.push(std::move(object));
  }
  if (session.json) {
    session.out << list.dump() << '\n';
  }
  return kExitDone;
}

int AccountShow(Session& session, Args& args) {
  TV_FINISH(args, rest);
  if (rest.size() != 1) return session.usage("account show needs one account");
  const auto key = ResolveAccount(session, rest[0]);
  if (!key) return kExitUsage;
  const Json object = AccountJson(session, *key, true);
  session.out << object.dump() << '\n';
  return kExitDone;
}

// Fills the account form from the options, over the values it opened with.
std::optional<int> FillAccountForm(Session& session, Args& args, ledger::AccountForm& form) {
  if (auto v = args.value("--name")) form.name = *v;
  if (auto v = args.value("--type")) {
    const auto type = ResolveType(session, *v);
    if (!type) return kExitUsage;
    form.type = *type;
  }
  if (auto v = args.value("--description")) form.description = *v;
  if (auto v = args.value("--starting")) form.startingText = *v;
  if (auto v = args.value("--check-number")) form.checkNumber = *v;
  if (auto v = args.value("--notes")) form.notes = *v;
  if (auto v = args.value("--last-import")) {
    if (!v->empty() && !IsDateArgument(*v)) return session.usage("dates are YYYY-MM-DD: " + *v);
    form.lastImport = *v;
  }
  if (args.flag("--online")) form.online = true;
  if (auto v = args.value("--fi")) form.institution = *v;
  if (auto v = args.value("--routing")) form.routingNumber = *v;
  if (auto v = args.value("--number")) form.accountNumber = *v;
  if (auto v = args.value("--user-id")) form.userId = *v;
  std::optional<int> failed;
  if (auto v = session.secretValue(args, "--user-pass", "--user-pass-stdin", failed)) form.password = *v;
  if (failed) return failed;
  if (args.flag("--prompt-password")) form.promptPassword = true;
  return std::nullopt;
}

int SaveAccount(Session& session, const ledger::AccountForm& form) {
  AccountKey saved = 0;
  const Status status = ledger::SaveAccountForm(session.data, session.settings, form, &saved);
  if (!status) return session.refuse(status);
  return form.key ? kExitDone : PrintCreated(session, saved);
}

int AccountAdd(Session& session, Args& args) {
  const auto view = ledger::OpenAccountForm(session.data, std::nullopt, 1);
  ledger::AccountForm form;
  form.lastImport = view->lastImport;
  form.promptPassword = false;
  if (const auto code = FillAccountForm(session, args, form)) return *code;
  TV_FINISH(args, rest);
  if (!rest.empty()) return session.usage("unexpected " + rest[0]);
  return SaveAccount(session, form);
}

int AccountEdit(Session& session, Args& args) {
  std::vector<std::string> words;
  ledger::AccountForm form;
  // The account comes first; options follow.
  const auto target = args.firstPositional();
  if (!target) return session.usage("account edit needs an account");
  const auto key = ResolveAccount(session, *target);
  if (!key) return kExitUsage;
  const auto view = ledger::OpenAccountForm(session.data, *key);
  if (!view) return session.usage("no account " + *target);
  if (view->securityWarning) session.prompter.message(view->securityWarning->title, view->securityWarning->message, store::Icon::Warning);
  form.key = *key;
  form.type = view->type;
  form.name = view->name;
  form.description = view->description;
  form.startingText = view->startingText;
  form.checkNumber = view->checkNumber;
  form.online = view->online;
  form.institution = view->institution;
  form.routingNumber = view->routingNumber;
  form.accountNumber = view->maskedNumber;
  form.userId = view->userId;
  form.password = view->password;
  form.promptPassword = view->promptPassword;
  form.lastImport = view->lastImport;
  form.notes = view->notes;
  if (const auto code = FillAccountForm(session, args, form)) return *code;
  TV_FINISH(args, rest);
  if (!rest.empty()) return session.usage("unexpected " + rest[0]);
  return SaveAccount(session, form);
}

int AccountDelete(Session& session, Args& args) {
  TV_FINISH(args, rest);
  if (rest.empty()) return session.usage("account delete needs accounts");
  std::vector<AccountKey> keys;
  for (const std::string& name : rest) {
    const auto key = ResolveAccount(session, name);
    if (!key) return kExitUsage;
    keys.push_back(*key);
  }
  StderrProgress progress;
  const Status status = ledger::DeleteAccountsFromList(session.data, keys, session.prompter, progress);
  if (!status) return status.declined || status.title == "Tallyvane requires one active account" ? kExitRefused : session.refuse(status);
  return kExitDone;
}

int AccountFind(Session& session, Args& args) {
  const std::string next = args.value("--next").value_or("0");
  TV_FINISH(args, rest);
  if (rest.size() != 1) return session.usage("account find needs the text");
  const auto times = ParseKey(next);
  if (!times) return session.usage("--next takes a count");
  ledger::AccountSearch search;
  auto result = search.find(session.data, rest[0]);
  for (int32_t i = 0; i < *times && result.key; ++i) result = search.findNext(session.data);
  if (!result.key) return session.refuse(result.status);
  return PrintCreated(session, *result.key);
}

// ---- categories ----

int CategoryList(Session& session, Args& args) {
  TV_FINISH(args, rest);
  Json list = Json::array();
  if (!session.json) session.out << "ID\tCategory\tKind\n";
  for (const auto& line : ledger::CategoryWindowLines(session.data)) {
    list.push(Json::object()
                  .set("id", line.key)
                  .set("name", line.name)
                  .set("full_name", line.fullName)
                  .set("kind", line.expense ? "Expense" : "Income")
                  .set("header", line.header)
                  .set("parent", line.parent));
    if (!session.json) session.out << line.key << '\t' << line.fullName << '\t' << (line.expense ? "Expense" : "Income") << '\n';
  }
  if (session.json) session.out << list.dump() << '\n';
  return kExitDone;
}

std::optional<int> FillCategoryForm(Session& session, Args& args, ledger::CategoryForm& form) {
  if (auto v = args.value("--name")) form.name = *v;
  if (args.flag("--income")) form.expense = false;
  if (args.flag("--header")) form.header = true;
  if (args.flag("--tax-deductible")) form.taxDeductible = true;
  if (auto v = args.value("--parent")) {
    const auto parent = ResolveCategory(session, *v);
    if (!parent) return kExitUsage;
    form.parent = *parent;
  }
  return std::nullopt;
}

int CategoryAdd(Session& session, Args& args) {
  ledger::CategoryForm form;
  if (const auto code = FillCategoryForm(session, args, form)) return *code;
  TV_FINISH(args, rest);
  if (!rest.empty()) return session.usage("unexpected " + rest[0]);
  ledger::CategoryKey saved = 0;
  const Status status = ledger::SaveCategoryForm(session.data, form, &saved);
  if (!status) return session.refuse(status);
  return PrintCreated(session, saved);
}

int CategoryEdit(Session& session, Args& args) {
  const auto target = args.firstPositional();
  if (!target) return session.usage("category edit needs a category");
  const auto key = ResolveCategory(session, *target);
  if (!key) return kExitUsage;
  const auto opened = ledger::OpenCategoryForm(session.data, *key);
  if (!opened) return session.usage("no category " + *target);
  ledger::CategoryForm form = *opened;
  if (const auto code = FillCategoryForm(session, args, form)) return *code;
  TV_FINISH(args, rest);
  if (!rest.empty()) return session.usage("unexpected " + rest[0]);
  const Status status = ledger::SaveCategoryForm(session.data, form);
  return status ? kExitDone : session.refuse(status);
}

int CategoryDelete(Session& session, Args& args) {
  TV_FINISH(args, rest);
  if (rest.empty()) return session.usage("category delete needs categories");
  std::vector<ledger::CategoryKey> keys;
  for (const std::string& name : rest) {
    const auto key = ResolveCategory(session, name);
    if (!key) return kExitUsage;
    keys.push_back(*key);
  }
  const Status status = ledger::DeleteCategoriesFromWindow(session.data, keys, session.prompter);
  return status ? kExitDone : session.refuse(status);
}

// ---- payees ----

int PayeeList(Session& session, Args& args) {
  TV_FINISH(args, rest);
  Json list = Json::array();
  if (!session.json) session.out << "ID\tPayee\tNotes\tCategory\n";
  for (const auto& line : ledger::PayeeWindowLines(session.data)) {
    const std::string category = line.category == 0 ? std::string{} : ledger::CategoryFullName(session.data, line.category).value_or("");
    list.push(Json::object().set("id", line.key).set("name", line.name).set("notes", line.notes).set("category", category));
    if (!session.json) session.out << line.key << '\t' << line.name << '\t' << line.notes << '\t' << category << '\n';
  }
  if (session.json) session.out << list.dump() << '\n';
  return kExitDone;
}

int SavePayee(Session& session, ledger::PayeeForm& form, Args& args) {
  if (auto v = args.value("--name")) form.name = *v;
  if (auto v = args.value("--notes")) form.notes = *v;
  TV_FINISH(args, rest);
  if (!rest.empty()) return session.usage("unexpected " + rest[0]);
  ledger::PayeeKey saved = 0;
  const Status status = ledger::SavePayeeForm(session.data, form, session.prompter, &saved);
  if (!status) return session.refuse(status);
  return form.key ? kExitDone : PrintCreated(session, saved);
}

int PayeeAdd(Session& session, Args& args) {
  ledger::PayeeForm form;
  return SavePayee(session, form, args);
}

int PayeeEdit(Session& session, Args& args) {
  const auto target = args.firstPositional();
  if (!target) return session.usage("payee edit needs a payee");
  const auto key = ResolvePayee(session, *target);
  if (!key) return kExitUsage;
  const auto opened = ledger::OpenPayeeForm(session.data, *key);
  if (!opened) return session.usage("no payee " + *target);
  ledger::PayeeForm form = *opened;
  return SavePayee(session, form, args);
}

int PayeeDelete(Session& session, Args& args) {
  TV_FINISH(args, rest);
  if (rest.empty()) return session.usage("payee delete needs payees");
  std::vector<ledger::PayeeKey> keys;
  for (const std::string& name : rest) {
    const auto key = ResolvePayee(session, name);
    if (!key) return kExitUsage;
    keys.push_back(*key);
  }
  const Status status = ledger::DeletePayeesFromWindow(session.data, keys, session.prompter);
  return status ? kExitDone : session.refuse(status);
}

#undef TV_FINISH

}  // namespace

constexpr std::string_view kUserPassVisible =
    "--user-pass P       P is visible to other local users in the process list; prefer --user-pass-stdin";
constexpr std::string_view kUserPassStdin = "--user-pass-stdin   read the online banking password from a line of standard input";

void AddAccountCommands(std::vector<Command>& commands) {
  commands.push_back({{"password", "set"}, "password set NEW --confirm NEW [--current OLD] [--hint H] [--email E]", PasswordSet});
  commands.push_back({{"password", "remove"}, "password remove --current OLD", PasswordRemove});
  commands.push_back({{"password", "check"}, "password check PW", PasswordCheck});
  commands.push_back({{"account", "types"}, "account types", AccountTypes});
  commands.push_back({{"account", "list"}, "account list", AccountList, true, "Live accounts in table order, with the balance the accounts panel shows."});
  commands.push_back({{"account", "show"}, "account show ACCOUNT", AccountShow});
  commands.push_back({{"account", "add"}, "account add --name N [--type T] [--description D] [--starting AMOUNT] [--check-number N] [--notes T] "
                      "[--last-import DATE] [--online] [--fi ID] [--routing R] [--number ACCT] [--user-id U] "
                      "[--user-pass P | --user-pass-stdin] [--prompt-password]",
                      AccountAdd, true, "The account form; prints the new key. --type by key or name (see account types).",
                      {kUserPassVisible, kUserPassStdin}});
  commands.push_back({{"account", "edit"}, "account edit ACCOUNT [same options as account add]", AccountEdit, true, "The account form on an existing account; options not given keep the shown values.",
                      {kUserPassVisible, kUserPassStdin}});
  commands.push_back({{"account", "delete"}, "account delete ACCOUNT...", AccountDelete});
  commands.push_back({{"account", "find"}, "account find TEXT [--next N]", AccountFind});
  commands.push_back({{"category", "list"}, "category list", CategoryList});
  commands.push_back({{"category", "add"}, "category add --name N [--income] [--header] [--parent NAME] [--tax-deductible]", CategoryAdd});
  commands.push_back({{"category", "edit"}, "category edit CATEGORY [--name N] [--header] [--parent NAME] [--tax-deductible]", CategoryEdit});
  commands.push_back({{"category", "delete"}, "category delete CATEGORY...", CategoryDelete});
  commands.push_back({{"payee", "list"}, "payee list", PayeeList});
  commands.push_back({{"payee", "add"}, "payee add --name N [--notes T]", PayeeAdd});
  commands.push_back({{"payee", "edit"}, "payee edit PAYEE [--name N] [--notes T]", PayeeEdit});
  commands.push_back({{"payee", "delete"}, "payee delete PAYEE...", PayeeDelete});
}

}  // namespace tallyvane::cli
