// The help pages of tallyvane-cli. Everything listed comes from the command
// table the dispatcher runs, so the help cannot name a command that does not
// exist or miss one that does; only the group lines live here.
#include <algorithm>
#include <array>
#include <ostream>

#include "cli/cli.h"

namespace tallyvane::cli {

namespace {

struct Group {
  std::string_view name;
  std::string_view summary;
};

// One line per command group, in the order the overview lists them. A group
// missing here is still listed (after these), without its line.
constexpr std::array<Group, 26> kGroups = {{
    {"init", "provision and open the data file; prints its path"},
    {"install-update", "the installation's data update"},
    {"options", "regional and print settings"},
    {"password", "set, remove or check the program password"},
    {"account", "accounts: list, show, add, edit, delete, find"},
    {"category", "categories: list, add, edit, delete"},
    {"payee", "payees: list, add, edit, delete"},
    {"txn", "transactions: the transaction form and the register's commands"},
    {"register", "an account's register rows, and find"},
    {"balances", "the accounts panel: each balance, assets and liabilities"},
    {"reconcile", "reconcile an account against a statement"},
    {"schedule", "scheduled transactions: list, add, edit, post, skip, delete"},
    {"budget", "budgets: list, show, add, edit, rename, delete"},
    {"security", "securities: list, add, edit, delete"},
    {"invest", "investment actions and the investment register"},
    {"invest-schedule", "scheduled investment actions"},
    {"ofx", "read the transactions of an OFX/QFX statement"},
    {"import", "import an OFX/QFX statement or a CSV file into an account"},
    {"report", "reports as text, CSV, PDF or JSON, or e-mailed"},
    {"journal", "category and payee journals"},
    {"mail", "the mail transport's settings and a test message"},
    {"online", "online retrieval settings"},
    {"fi", "the financial institution directory"},
    {"retrieve", "retrieve an account's statement online and import it"},
    {"backup", "back the data folder up, or test whether one is due"},
    {"restore", "restore the data folder from a backup"},
}};

constexpr std::string_view kGlobalOptions =
    "  --data-dir DIR      data folder; default $TALLYVANE_DATA_DIR, else the per-user data folder\n"
    "  --config-dir DIR    settings folder; default $TALLYVANE_CONFIG_DIR, else the per-user config folder\n"
    "  --password PW       the program password when one is set; default $TALLYVANE_PASSWORD.\n"
    "                      PW is visible to other local users in the process list: prefer\n"
    "                      --password-stdin or $TALLYVANE_PASSWORD\n"
    "  --password-stdin    read the program password from the first line of standard input\n"
    "  --answer CAPTION    answer for the next question, by button caption (repeatable, used in order)\n"
    "  --yes               answer every question with its first button\n"
    "  --json              print data as JSON (one document on stdout)\n"
    "  -h, --help          this help\n";

constexpr std::string_view kExitCodes =
    "Exit status: 0 done; 1 refused (a check failed or a question was declined); 2 usage error;\n"
    "3 password missing or wrong; 4 a file or the data file could not be read or written.\n";

std::vector<std::string_view> GroupsInOrder(const std::vector<Command>& commands) {
  std::vector<std::string_view> names;
  for (const Group& g : kGroups) {
    const bool used = std::any_of(commands.begin(), commands.end(),
                                  [&](const Command& c) { return !c.words.empty() && c.words[0] == g.name; });
    if (used) names.push_back(g.name);
  }
  for (const Command& c : commands) {
    if (c.words.empty()) continue;
    if (std::find(names.begin(), names.end(), c.words[0]) == names.end()) names.push_back(c.words[0]);
  }
  return names;
}

std::string_view GroupSummary(std::string_view name) {
  for (const Group& g : kGroups) {
    if (g.name == name) return g.summary;
  }
  return {};
}

void PrintPadded(std::ostream& out, std::string_view indent, std::string_view left, std::size_t width,
                 std::string_view right) {
  out << indent << left;
  if (!right.empty()) {
    out << std::string(left.size() < width ? width - left.size() : 1, ' ') << right;
  }
  out << '\n';
}

}  // namespace

void PrintOverview(std::ostream& out, const std::vector<Command>& commands) {
  out << "usage: tallyvane-cli [--data-dir DIR] [--config-dir DIR] [--password PW | --password-stdin]\n"
         "                     [--answer CAPTION]... [--yes] [--json] COMMAND [ARGS]\n\n"
         "Commands:\n";
  for (std::string_view group : GroupsInOrder(commands)) PrintPadded(out, "  ", group, 18, GroupSummary(group));
  out << "\nGlobal options:\n" << kGlobalOptions << '\n' << kExitCodes;
  out << "\nRun \"tallyvane-cli GROUP --help\" for a group's commands, \"tallyvane-cli help COMMAND\" for one.\n";
}

bool PrintGroupHelp(std::ostream& out, const std::vector<Command>& commands, std::string_view group) {
  bool any = false;
  bool detailed = false;  // the entry before had lines of its own
  for (const Command& c : commands) {
    if (c.words.empty() || c.words[0] != group) continue;
    if (!any) {
      out << "tallyvane-cli " << group;
      if (const std::string_view summary = GroupSummary(group); !summary.empty()) out << ": " << summary;
      out << "\n\nCommands:\n";
      any = true;
    }
    const bool details = !c.summary.empty() || !c.options.empty();
    if (detailed || details) out << '\n';
    PrintCommandHelp(out, c);
    detailed = details;
  }
  return any;
}

void PrintCommandHelp(std::ostream& out, const Command& command) {
  out << "  " << command.synopsis << '\n';
  if (!command.summary.empty()) out << "      " << command.summary << '\n';
  for (std::string_view option : command.options) out << "      " << option << '\n';
}

}  // namespace tallyvane::cli
