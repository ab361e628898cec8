// tallyvane-cli: global options, the command table, scripted answers to
// questions and the exit codes of the command-line contract. Commands only
// gather arguments, call core operations and print; rules live in the core.
#pragma once

#include <functional>
#include <iosfwd>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cli/json.h"
#include "store/data_context.h"
#include "store/ports.h"
#include "store/settings.h"

namespace tallyvane::cli {

enum ExitCode : int {
  kExitDone = 0,
  kExitRefused = 1,
  kExitUsage = 2,
  kExitPassword = 3,
  kExitFile = 4,
};

// Answers questions from --answer captions in order, or the first button with
// --yes, otherwise the last (cancelling) button. Everything shown goes to the
// error stream as "TITLE: TEXT".
class ScriptedPrompter final : public store::Prompter {
 public:
  ScriptedPrompter(std::ostream& err, std::vector<std::string> answers, bool yes)
      : err_(err), answers_(std::move(answers)), yes_(yes) {}

  [[nodiscard]] std::size_t ask(std::string_view title, std::string_view message,
                                const std::vector<std::string>& buttons, store::Icon icon) override;
  void message(std::string_view title, std::string_view text, store::Icon icon) override;
  void balloon(std::string_view field, std::string_view title, std::string_view text) override;

  // Whether the last question was answered with its cancelling button.
  [[nodiscard]] bool declined() const { return declined_; }

 private:
  std::ostream& err_;
  std::vector<std::string> answers_;
  std::size_t next_ = 0;
  bool yes_;
  bool declined_ = false;
};

// Thrown nowhere: a command reports a usage error by returning it.
struct UsageError {
  std::string message;
};

// A command's own arguments: positionals and "--name [value]" options.
class Args {
 public:
  explicit Args(std::vector<std::string> words) : words_(std::move(words)) {}
  // The value of an option given once (the last one when repeated).
  std::optional<std::string> value(std::string_view name);
  // Every value of a repeatable option, in order.
  std::vector<std::string> values(std::string_view name);
  bool flag(std::string_view name);
  // The first word when it is not an option (the row a command works on).
  std::optional<std::string> firstPositional();
  // The remaining positional words; fails on any option not consumed.
  [[nodiscard]] std::optional<UsageError> finish(std::vector<std::string>& positionals);

 private:
  std::vector<std::string> words_;
  std::vector<bool> used_;
  void ensure() {
    if (used_.size() != words_.size()) used_.assign(words_.size(), false);
  }
};

struct Command;

struct Session {
  store::DataContext& data;
  store::Settings& settings;
  ScriptedPrompter& prompter;
  std::ostream& out;
  std::ostream& err;
  bool json = false;
  std::optional<std::string> password;
  // The table and the group of the command running, for the help that
  // follows a usage error.
  const std::vector<Command>* commands = nullptr;
  std::string_view group;
  // Standard input, where the *-stdin options read a password: an option's
  // value is visible to every local user in the process list.
  std::istream* in = nullptr;

  // Prints a failure as the core words it and returns the refusal code.
  int refuse(const store::Status& status);
  // The same when the message was already shown (as a balloon).
  int refuseQuietly(const store::Status& status) const;
  int usage(std::string_view message);
  // One line of standard input without its line break; nullopt when the
  // input has ended. Each option that reads there takes the next line.
  std::optional<std::string> readLine();
  // The value of `option` or, with `stdinOption`, the next line of standard
  // input; nullopt when neither is given. Both given, or nothing left to
  // read, is a usage error: its exit code goes to `failed`.
  std::optional<std::string> secretValue(Args& args, std::string_view option, std::string_view stdinOption,
                                         std::optional<int>& failed);
};

// One row of the table the dispatcher reads and the help is printed from.
// Fields after `needsData` are optional: a command without them is shown by
// its synopsis alone.
struct Command {
  std::vector<std::string_view> words;  // e.g. {"options", "set"}
  std::string_view synopsis;
  std::function<int(Session&, Args&)> run;
  bool needsData = true;
  std::string_view summary = {};               // one line: what it does
  std::vector<std::string_view> options = {};  // "--name VALUE  meaning", one per option
};

// Every command; groups add theirs in their own files.
[[nodiscard]] std::vector<Command> AllCommands();
void AddDataCommands(std::vector<Command>& commands);
void AddOfxCommands(std::vector<Command>& commands);
void AddAccountCommands(std::vector<Command>& commands);
void AddLedgerCommands(std::vector<Command>& commands);
void AddPlanningCommands(std::vector<Command>& commands);
void AddReportCommands(std::vector<Command>& commands);
void AddImportCommands(std::vector<Command>& commands);
void AddOnlineCommands(std::vector<Command>& commands);
void AddBackupCommands(std::vector<Command>& commands);

// The help, built from the command table: the groups with the global
// options, one group's commands, one command.
void PrintOverview(std::ostream& out, const std::vector<Command>& commands);
// False when no command belongs to the group.
bool PrintGroupHelp(std::ostream& out, const std::vector<Command>& commands, std::string_view group);
void PrintCommandHelp(std::ostream& out, const Command& command);

// Runs the tool; returns the exit status. Passwords asked for with the
// *-stdin options are read from `in`.
int RunCli(int argc, char** argv, std::istream& in, std::ostream& out, std::ostream& err);
int RunCli(int argc, char** argv, std::ostream& out, std::ostream& err);

}  // namespace tallyvane::cli
