// report, journal and mail commands.
#include <algorithm>
#include <fstream>
#include <ostream>

#include "cli/common.h"
#include "ledger/categories.h"
#include "ledger/payees.h"
#include "ledger/transactions.h"
#include "reports/activity_report.h"
#include "reports/budget_report.h"
#include "reports/category_report.h"
#include "reports/journal.h"
#include "reports/payee_report.h"
#include "reports/report_csv.h"
#include "reports/report_output.h"
#include "reports/smtp_mail.h"
#include "store/text.h"

namespace tallyvane::cli {

namespace {

using reports::Report;
using reports::ReportPeriod;
using store::Status;

#define TV_FINISH(args, rest)                                                  \
  std::vector<std::string> rest;                                               \
  if (auto error = (args).finish(rest)) return session.usage(error->message);

// Shows a refusal the way the form would: a balloon at its field.
int Balloon(Session& session, const Status& status) {
  session.prompter.balloon(status.field, status.title, status.message);
  return kExitRefused;
}

// The period options: --period NAME or --from D --to D ("Select"); "This
// Month" when neither is given.
std::optional<int> ReadPeriod(Session& session, Args& args, ReportPeriod& period) {
  const auto name = args.value("--period");
  const auto from = args.value("--from");
  const auto to = args.value("--to");
  const std::time_t now = session.data.now();
  if (name && (from || to)) return session.usage("give --period or --from and --to, not both");
  if (name) {
    const auto choice = reports::PeriodChoiceFromText(*name);
    if (!choice || *choice == reports::PeriodChoice::Select) return session.usage("unknown period " + *name);
    period = reports::PeriodOf(*choice, now);
    return std::nullopt;
  }
  if (!from && !to) {
    period = reports::PeriodOf(reports::PeriodChoice::ThisMonth, now);
    return std::nullopt;
  }
  if (!from || !to) return session.usage("give both --from and --to");
  if (!IsDateArgument(*from) || !IsDateArgument(*to)) return session.usage("dates are YYYY-MM-DD");
  reports::PeriodMemory memory;
  reports::PeriodDialog dialog(memory, now);
  dialog.setStartDate(*from);
  dialog.setEndDate(*to);
  const reports::PeriodDialog::Answer answer = dialog.accept();
  if (!answer.status) return Balloon(session, answer.status);
  period = answer.period;
  return std::nullopt;
}

std::string_view AlignmentName(reports::ColumnAlignment alignment) {
  switch (alignment) {
    case reports::ColumnAlignment::Right:
      return "right";
    case reports::ColumnAlignment::Center:
      return "center";
    case reports::ColumnAlignment::Left:
      break;
  }
  return "left";
}

// Lines of a table as the report window lists them: visible columns padded
// to their width (or their longest text) and aligned.
std::string TextTable(reports::ColumnSet columns, const std::vector<std::vector<std::string>>& lines) {
  std::vector<std::size_t> widths;
  for (std::size_t c = 0; c < columns.size(); ++c) {
    std::size_t width = std::max<std::size_t>(static_cast<std::size_t>(std::max(columns[c].width, 0)),
                                              store::CountChars(columns[c].title));
    for (const auto& line : lines) width = std::max(width, store::CountChars(line[c]));
    widths.push_back(width);
  }
  auto render = [&](const std::vector<std::string>& texts) {
    std::string out;
    bool first = true;
    for (std::size_t c = 0; c < columns.size(); ++c) {
      if (columns[c].width == 0) continue;
      if (!first) out += "  ";
      first = false;
      const std::size_t pad = widths[c] - std::min(widths[c], store::CountChars(texts[c]));
      std::size_t before = 0;
      if (columns[c].alignment == reports::ColumnAlignment::Right) before = pad;
      if (columns[c].alignment == reports::ColumnAlignment::Center) before = pad / 2;
      out += std::string(before, ' ') + texts[c] + std::string(pad - before, ' ');
    }
    while (!out.empty() && out.back() == ' ') out.pop_back();
    return out + "\n";
  };
  std::vector<std::string> titles;
  for (const reports::ReportColumn& column : columns) titles.emplace_back(column.title);
  std::string out = render(titles);
  for (const auto& line : lines) out += render(line);
  return out;
}

std::string ReportText(const Report& report) {
  std::vector<std::vector<std::string>> lines;
  for (const reports::ReportRow& row : report.rows()) {
    lines.push_back(reports::DisplayedCells(row, report.columns().size()));
  }
  return report.title() + "\n" + report.periodText() + "\n\n" + TextTable(report.columns(), lines);
}

Json ReportJson(const Report& report) {
  Json columns = Json::array();
  for (const reports::ReportColumn& column : report.columns()) {
    columns.push(Json::object()
                     .set("title", column.title)
                     .set("width", column.width)
                     .set("align", AlignmentName(column.alignment))
                     .set("stretch", column.stretch));
  }
  Json rows = Json::array();
  for (const reports::ReportRow& row : report.rows()) {
    Json cells = Json::array();
    for (const reports::ReportCell& cell : row.cells) {
      cells.push(Json::object().set("text", cell.text).set("style", static_cast<int>(cell.style)));
    }
    rows.push(Json::object()
                  .set("kind", static_cast<int>(row.kind))
                  .set("indent", row.indent)
                  .set("cells", std::move(cells)));
  }
  return Json::object()
      .set("title", report.title())
      .set("period", report.periodText())
      .set("columns", std::move(columns))
      .set("rows", std::move(rows))
      .set("row_count", report.rowCount());
}

struct OutputArgs {
  std::string format = "text";
  std::optional<std::string> out;
  std::optional<std::string> email;
  std::string message;
};

std::optional<int> ReadOutput(Session& session, Args& args, OutputArgs& output) {
  if (session.json) output.format = "json";
  if (auto v = args.value("--format")) output.format = *v;
  output.out = args.value("--out");
  output.email = args.value("--email");
  output.message = args.value("--message").value_or("");
  static constexpr std::array<std::string_view, 4> kFormats = {"text", "csv", "pdf", "json"};
  if (std::find(kFormats.begin(), kFormats.end(), output.format) == kFormats.end()) {
    return session.usage("unknown format " + output.format);
  }
  if (output.format == "pdf" && !output.out && !output.email) return session.usage("--format pdf needs --out FILE");
  if (!output.email && !output.message.empty()) return session.usage("--message goes with --email");
  return std::nullopt;
}

int WriteText(Session& session, const OutputArgs& output, const std::string& text) {
  if (!output.out) {
    session.out << text;
    return kExitDone;
  }
  std::ofstream file(*output.out, std::ios::binary | std::ios::trunc);
  file << text;
  file.flush();
  if (!file) {
    session.err << "The file " << *output.out << " cannot be written.\n";
    return kExitFile;
  }
  return kExitDone;
}

int MailOutcomeCode(Session& session, store::MailOutcome outcome, const reports::SmtpMailTransport& transport) {
  if (outcome == store::MailOutcome::Sent) return kExitDone;
  session.err << "Email: " << (transport.lastError().empty() ? "The message was not sent." : transport.lastError())
              << '\n';
  return kExitRefused;
}

// Builds the report as the window opens it and writes it as asked.
int Output(Session& session, Report& report, const OutputArgs& output) {
  if (!reports::BuildForShowing(report, session.prompter)) return kExitRefused;
  if (output.email) {
    reports::EmailForm form;
    form.recipients = *output.email;
    form.message = output.message;
    store::NullProgress progress;
    reports::SmtpMailTransport transport(reports::ReadMailSettings(session.settings), &progress);
    const reports::MailResult result = reports::EmailReport(report, session.settings, form, transport, progress);
    if (!result.status) return Balloon(session, result.status);
    return MailOutcomeCode(session, result.outcome, transport);
  }
  if (output.format == "pdf") {
    const Status saved = reports::SaveReportAsPdf(report, *output.out, session.prompter);
    if (saved) return kExitDone;
    if (saved.fileError) return session.refuse(saved);
    return session.refuseQuietly(saved);
  }
  if (output.format == "csv") {
    if (!output.out) {
      session.out << reports::ReportCsvText(report, session.data.regional().csvBom);
      return kExitDone;
    }
    if (reports::WriteReportCsv(report, *output.out)) return kExitDone;
    session.err << "The file " << *output.out << " cannot be written.\n";
    return kExitFile;
  }
  if (output.format == "json") return WriteText(session, output, ReportJson(report).dump() + "\n");
  return WriteText(session, output, ReportText(report));
}

int ReportCategory(Session& session, Args& args) {
  ReportPeriod period;
  if (const auto code = ReadPeriod(session, args, period)) return *code;
  const bool transfers = args.flag("--include-transfers");
  OutputArgs output;
  if (const auto code = ReadOutput(session, args, output)) return *code;
  TV_FINISH(args, rest);
  if (!rest.empty()) return session.usage("unexpected " + rest[0]);
  reports::CategoryReport report(session.data, period, transfers);
  return Output(session, report, output);
}

int ReportPayee(Session& session, Args& args) {
  ReportPeriod period;
  if (const auto code = ReadPeriod(session, args, period)) return *code;
  const bool expand = args.flag("--expand-by-accounts");
  OutputArgs output;
  if (const auto code = ReadOutput(session, args, output)) return *code;
  TV_FINISH(args, rest);
  if (!rest.empty()) return session.usage("unexpected " + rest[0]);
  reports::PayeeReport report(session.data, period, expand);
  return Output(session, report, output);
}

int ReportActivity(Session& session, Args& args) {
  const auto name = args.firstPositional();
  if (!name) return session.usage("report activity needs an account");
  const auto account = ResolveAccount(session, *name);
  if (!account) return kExitUsage;
  ReportPeriod period;
  if (const auto code = ReadPeriod(session, args, period)) return *code;
  OutputArgs output;
  if (const auto code = ReadOutput(session, args, output)) return *code;
  TV_FINISH(args, rest);
  if (!rest.empty()) return session.usage("unexpected " + rest[0]);
  reports::AccountActivityReport report(session.data, period, *account);
  return Output(session, report, output);
}

std::optional<int> WholeNumber(const std::string& text) {
  if (text.empty() || text.size() > 6 || text.find_first_not_of("0123456789") != std::string::npos) return std::nullopt;
  return store::ParseInt32Prefix(text);
}

int ReportBudget(Session& session, Args& args) {
  const auto name = args.firstPositional();
  if (!name) return session.usage("report budget needs a budget");
  const auto monthly = args.value("--monthly");
  const bool yearly = args.flag("--yearly");
  const auto year = args.value("--year");
  const std::string section = args.value("--section").value_or("all");
  const bool transfers = args.flag("--include-transfers");
  OutputArgs output;
  if (const auto code = ReadOutput(session, args, output)) return *code;
  TV_FINISH(args, rest);
  if (!rest.empty()) return session.usage("unexpected " + rest[0]);

  if (!reports::AnyBudgetExists(session.data)) {
    if (reports::AskToCreateBudget(session.prompter)) session.err << "tallyvane-cli: create one with budget add\n";
    return kExitRefused;
  }
  const auto budget = reports::FindBudget(session.data, *name);
  if (!budget) return session.usage("no budget named " + *name);
  if (monthly && yearly) return session.usage("give --monthly or --yearly, not both");
  if (!monthly && !yearly) return session.usage("give --monthly MONTH or --yearly");

  reports::BudgetReportForm form = reports::OpenBudgetReportForm(session.data, *budget);
  form.kind = yearly ? reports::BudgetPeriodKind::Yearly : reports::BudgetPeriodKind::Monthly;
  form.year = 0;
  if (year && !year->empty()) {
    const auto value = WholeNumber(*year);
    const std::vector<int> offered = reports::BudgetYearChoices(session.data, *budget);
    if (!value || std::find(offered.begin(), offered.end(), *value) == offered.end()) {
      return session.usage("the year " + *year + " is not offered for this budget");
    }
    form.year = *value;
  }
  if (monthly) {
    form.month = 0;
    if (!monthly->empty()) {
      const auto value = WholeNumber(*monthly);
      if (!value || *value < 1 || *value > 12) return session.usage("MONTH is 1 to 12");
      form.month = *value;
    }
  }
  if (section == "all") {
    form.section = reports::BudgetSection::All;
  } else if (section == "expenses") {
    form.section = reports::BudgetSection::Expenses;
  } else if (section == "income") {
    form.section = reports::BudgetSection::Income;
  } else {
    return session.usage("--section is all, expenses or income");
  }
  form.includeTransfers = transfers;
  const reports::BudgetPeriodAnswer answer = reports::CheckBudgetReportForm(form);
  if (!answer.status) return Balloon(session, answer.status);
  reports::BudgetReport report(session.data, answer.period, form.budget, form.section, form.kind,
                               form.includeTransfers);
  return Output(session, report, output);
}

// ---- journals ----

int ShowJournal(Session& session, reports::Journal& journal, const std::vector<std::string>& deletes) {
  journal.fill();
  if (!deletes.empty()) {
    std::vector<reports::TransactionKey> selected;
    for (const std::string& word : deletes) {
      const auto key = ParseKey(word);
      const auto& lines = journal.lines();
      if (!key || std::none_of(lines.begin(), lines.end(), [&](const reports::JournalLine& l) { return l.id == *key; })) {
        return session.usage("no line " + word + " in this journal");
      }
      selected.push_back(*key);
    }
    if (!journal.canDelete(selected)) {
      session.err << "tallyvane-cli: the journal does not delete this selection\n";
      return kExitRefused;
    }
    const Status status = journal.deleteSelected(selected, session.prompter);
    return status ? kExitDone : session.refuseQuietly(status);
  }
  const store::RegionalSettings& regional = session.data.regional();
  if (session.json) {
    Json list = Json::array();
    for (const reports::JournalLine& line : journal.lines()) {
      Json object = Json::object();
      object.set("id", line.id)
          .set("date", line.cells[1])
          .set("number", line.cells[2])
          .set("payee_or_note", line.cells[3])
          .set("note_or_category", line.cells[4]);
      SetOptionalMoney(object, "payment", line.payment, regional);
      SetOptionalMoney(object, "deposit", line.deposit, regional);
      list.push(std::move(object));
    }
    session.out << list.dump() << '\n';
    return kExitDone;
  }
  std::vector<std::vector<std::string>> lines;
  for (const reports::JournalLine& line : journal.lines()) lines.emplace_back(line.cells.begin(), line.cells.end());
  // The window hides the key column; a script needs it for --delete.
  std::vector<reports::ReportColumn> columns(journal.columns().begin(), journal.columns().end());
  columns.front().width = 1;
  session.out << journal.header() << '\n' << journal.periodText() << "\n\n" << TextTable(columns, lines);
  return kExitDone;
}

int JournalCategory(Session& session, Args& args) {
  const auto name = args.firstPositional();
  if (!name) return session.usage("journal category needs a category");
  ledger::CategoryKey category = 0;
  if (*name != ledger::kNotCategorized && *name != "#0") {
    const auto key = ResolveCategory(session, *name);
    if (!key) return kExitUsage;
    category = *key;
  }
  ReportPeriod period;
  if (const auto code = ReadPeriod(session, args, period)) return *code;
  const bool payments = args.flag("--payments");
  const bool deposits = args.flag("--deposits");
  const auto deletes = args.values("--delete");
  TV_FINISH(args, rest);
  if (!rest.empty()) return session.usage("unexpected " + rest[0]);
  if (payments && deposits) return session.usage("give --payments or --deposits, not both");
  reports::CategoryJournal journal(session.data, category, period,
                                   deposits ? reports::JournalMode::Deposits : reports::JournalMode::Payments);
  return ShowJournal(session, journal, deletes);
}

int JournalPayee(Session& session, Args& args) {
  const auto name = args.firstPositional();
  if (!name) return session.usage("journal payee needs a payee");
  ledger::PayeeKey payee = -1;
  if (!name->empty() && name->front() == '#') {
    if (const auto key = ParseKey(*name); key && (*key == 0 || ledger::PayeeName(session.data, *key))) payee = *key;
  } else {
    payee = ledger::FindPayeeId(session.data, *name, true);
  }
  if (payee < 0) return session.usage("no payee named " + *name);
  ReportPeriod period;
  if (const auto code = ReadPeriod(session, args, period)) return *code;
  const auto deletes = args.values("--delete");
  TV_FINISH(args, rest);
  if (!rest.empty()) return session.usage("unexpected " + rest[0]);
  reports::PayeeJournal journal(session.data, payee, period);
  return ShowJournal(session, journal, deletes);
}

// ---- mail ----

int MailShow(Session& session, Args& args) {
  TV_FINISH(args, rest);
  if (!rest.empty()) return session.usage("unexpected " + rest[0]);
  const reports::MailSettings mail = reports::ReadMailSettings(session.settings);
  const std::string_view security = reports::MailSecurityText(mail.security);
  if (session.json) {
    session.out << Json::object()
                       .set("server", mail.server)
                       .set("port", mail.effectivePort())
                       .set("security", security)
                       .set("user", mail.user)
                       .set("password_set", !mail.password.empty())
                       .set("from", mail.from)
                       .dump()
                << '\n';
    return kExitDone;
  }
  session.out << "server: " << mail.server << "\nport: " << mail.effectivePort() << "\nsecurity: " << security
              << "\nuser: " << mail.user << "\npassword: " << (mail.password.empty() ? "not set" : "set")
              << "\nfrom: " << mail.from << '\n';
  return kExitDone;
}

int MailSet(Session& session, Args& args) {
  reports::MailSettings mail = reports::ReadMailSettings(session.settings);
  if (auto v = args.value("--server")) mail.server = *v;
  if (auto v = args.value("--port")) {
    const auto port = WholeNumber(*v);
    if (!port || *port < 1 || *port > 65535) return session.usage("--port is 1 to 65535");
    mail.port = *port;
  }
  if (auto v = args.value("--security")) {
    const auto security = reports::MailSecurityFromText(*v);
    if (!security) return session.usage("--security is none, starttls or tls");
    mail.security = *security;
  }
  if (auto v = args.value("--user")) mail.user = *v;
  std::optional<int> failed;
  if (auto v = session.secretValue(args, "--password", "--password-stdin", failed)) mail.password = *v;
  if (failed) return *failed;
  if (auto v = args.value("--from")) {
    if (!v->empty() && !reports::IsValidEmailAddress(*v)) return session.usage("not an e-mail address: " + *v);
    mail.from = *v;
  }
  TV_FINISH(args, rest);
  if (!rest.empty()) return session.usage("unexpected " + rest[0]);
  if (!reports::WriteMailSettings(session.settings, mail)) {
    session.err << "The settings file cannot be written.\n";
    return kExitFile;
  }
  return kExitDone;
}

int MailTest(Session& session, Args& args) {
  TV_FINISH(args, rest);
  if (rest.size() != 1) return session.usage("mail test needs one address");
  if (!reports::IsValidEmailAddress(rest[0])) return session.usage("not an e-mail address: " + rest[0]);
  store::NullProgress progress;
  reports::SmtpMailTransport transport(reports::ReadMailSettings(session.settings), &progress);
  return MailOutcomeCode(session, transport.send(reports::TestMailMessage(rest[0])), transport);
}

}  // namespace

void AddReportCommands(std::vector<Command>& commands) {
  commands.push_back({{"report", "category"}, "report category [period] [--include-transfers] [output]", ReportCategory,
                      true, "income and expenses by category",
                      {"--include-transfers  count transfers between the book's own accounts as income and expense "
                       "(left out by default)"}});
  commands.push_back({{"report", "payee"}, "report payee [period] [--expand-by-accounts] [output]", ReportPayee});
  commands.push_back({{"report", "activity"}, "report activity ACCOUNT [period] [output]", ReportActivity});
  commands.push_back({{"report", "budget"},
                      "report budget BUDGET (--monthly MONTH --year YEAR | --yearly --year YEAR) "
                      "[--section all|expenses|income] [--include-transfers] [output]",
                      ReportBudget, true, "budget against actual",
                      {"--include-transfers  count transfers between the book's own accounts in the actual sums "
                       "(left out by default; split lines count under their own categories, void rows never)"}});
  commands.push_back({{"journal", "category"}, "journal category CATEGORY [period] [--payments|--deposits] "
                                               "[--delete ID]...",
                      JournalCategory});
  commands.push_back({{"journal", "payee"}, "journal payee PAYEE [period] [--delete ID]...", JournalPayee});
  commands.push_back({{"mail", "show"}, "mail show", MailShow, false});
  commands.push_back({{"mail", "set"},
                      "mail set [--server H] [--port N] [--security none|starttls|tls] [--user U] "
                      "[--password P | --password-stdin] [--from ADDRESS]",
                      MailSet, false, "",
                      {"--password P        the mail server's password; P is visible to other local users in the "
                       "process list",
                       "--password-stdin    the same, read from a line of standard input"}});
  commands.push_back({{"mail", "test"}, "mail test ADDRESS", MailTest, false});
}

}  // namespace tallyvane::cli
