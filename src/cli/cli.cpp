#include "cli/cli.h"

#include <algorithm>
#include <iostream>
#include <istream>
#include <ostream>

#include <chrono>
#include <thread>

#include "app/password.h"
#include "store/paths.h"
#include "store/secure.h"

namespace tallyvane::cli {

namespace {

constexpr std::string_view kUsage =
    "usage: tallyvane-cli [--data-dir DIR] [--config-dir DIR] [--password PW | --password-stdin]\n"
    "                     [--answer CAPTION]... [--yes] [--json] COMMAND [ARGS]\n";

bool Matches(const std::string& word, std::string_view name, std::string* inlineValue) {
  if (word == name) return true;
  if (inlineValue != nullptr && word.size() > name.size() && word.compare(0, name.size(), name) == 0 &&
      word[name.size()] == '=') {
    *inlineValue = word.substr(name.size() + 1);
    return true;
  }
  return false;
}

}  // namespace

// ---- Args ----

std::optional<std::string> Args::value(std::string_view name) {
  ensure();
  std::optional<std::string> found;
  for (std::size_t i = 0; i < words_.size(); ++i) {
    if (used_[i]) continue;
    std::string inlineValue;
    if (!Matches(words_[i], name, &inlineValue)) continue;
    used_[i] = true;
    if (words_[i].size() > name.size()) {
      found = inlineValue;
    } else if (i + 1 < words_.size()) {
      used_[i + 1] = true;
      found = words_[++i];
    } else {
      found = std::string{};
    }
  }
  return found;
}

std::vector<std::string> Args::values(std::string_view name) {
  ensure();
  std::vector<std::string> found;
  for (std::size_t i = 0; i < words_.size(); ++i) {
    if (used_[i]) continue;
    std::string inlineValue;
    if (!Matches(words_[i], name, &inlineValue)) continue;
    used_[i] = true;
    if (words_[i].size() > name.size()) {
      found.push_back(inlineValue);
    } else if (i + 1 < words_.size()) {
      used_[i + 1] = true;
      found.push_back(words_[++i]);
    }
  }
  return found;
}

bool Args::flag(std::string_view name) {
  ensure();
  bool found = false;
  for (std::size_t i = 0; i < words_.size(); ++i) {
    if (!used_[i] && words_[i] == name) {
      used_[i] = true;
      found = true;
    }
  }
  return found;
}

std::optional<std::string> Args::firstPositional() {
  ensure();
  if (words_.empty() || used_[0] || (words_[0].size() > 2 && words_[0].compare(0, 2, "--") == 0)) return std::nullopt;
  used_[0] = true;
  return words_[0];
}

std::optional<UsageError> Args::finish(std::vector<std::string>& positionals) {
  ensure();
  for (std::size_t i = 0; i < words_.size(); ++i) {
    if (used_[i]) continue;
    if (words_[i].size() > 2 && words_[i].compare(0, 2, "--") == 0) {
      return UsageError{"unknown option " + words_[i]};
    }
    positionals.push_back(words_[i]);
  }
  return std::nullopt;
}

// ---- Session ----

int Session::refuse(const store::Status& status) {
  if (status.declined) return kExitRefused;
  if (status.message.empty()) return status.fileError ? kExitFile : kExitRefused;
  if (!status.title.empty()) err << status.title << ": ";
  err << status.message << '\n';
  return status.fileError ? kExitFile : kExitRefused;
}

int Session::refuseQuietly(const store::Status& status) const {
  return status.fileError ? kExitFile : kExitRefused;
}

int Session::usage(std::string_view message) {
  err << "tallyvane-cli: " << message << '\n';
  if (commands != nullptr && !group.empty()) {
    err << '\n';
    PrintGroupHelp(err, *commands, group);
  }
  return kExitUsage;
}

std::optional<std::string> Session::readLine() {
  if (in == nullptr) return std::nullopt;
  std::string line;
  if (!std::getline(*in, line)) {
    // A last line without its line break still counts.
    if (line.empty()) return std::nullopt;
  }
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return line;
}

std::optional<std::string> Session::secretValue(Args& args, std::string_view option, std::string_view stdinOption,
                                                std::optional<int>& failed) {
  std::optional<std::string> value = args.value(option);
  if (!args.flag(stdinOption)) return value;
  if (value) {
    failed = usage(std::string("give ") + std::string(option) + " or " + std::string(stdinOption) + ", not both");
    return std::nullopt;
  }
  value = readLine();
  if (!value) failed = usage(std::string(stdinOption) + ": standard input holds no line to read");
  return value;
}

std::vector<Command> AllCommands() {
  std::vector<Command> commands;
  AddDataCommands(commands);
  AddOfxCommands(commands);
  AddAccountCommands(commands);
  AddLedgerCommands(commands);
  AddPlanningCommands(commands);
  AddReportCommands(commands);
  AddImportCommands(commands);
  AddOnlineCommands(commands);
  AddBackupCommands(commands);
  return commands;
}

// ---- Entry ----

int RunCli(int argc, char** argv, std::ostream& out, std::ostream& err) { return RunCli(argc, argv, std::cin, out, err); }

int RunCli(int argc, char** argv, std::istream& in, std::ostream& out, std::ostream& err) {
  std::vector<std::string> words(argv + 1, argv + argc);
  store::PathOverrides overrides;
  std::optional<std::string> password;
  bool passwordStdin = false;
  std::vector<std::string> answers;
  bool yes = false;
  bool json = false;

  std::size_t i = 0;
  auto needValue = [&](const std::string& option) -> std::optional<std::string> {
    if (i + 1 >= words.size()) {
      err << "tallyvane-cli: " << option << " needs a value\n" << kUsage;
      return std::nullopt;
    }
    return words[++i];
  };
  for (; i < words.size(); ++i) {
    const std::string& word = words[i];
    if (word == "-h") {
      PrintOverview(out, AllCommands());
      return kExitDone;
    }
    if (word.size() < 2 || word.compare(0, 2, "--") != 0) break;
    if (word == "--data-dir" || word == "--config-dir" || word == "--password" || word == "--answer") {
      const auto v = needValue(word);
      if (!v) return kExitUsage;
      if (word == "--data-dir") overrides.dataDir = *v;
      if (word == "--config-dir") overrides.configDir = *v;
      if (word == "--password") password = *v;
      if (word == "--answer") answers.push_back(*v);
    } else if (word == "--password-stdin") {
      passwordStdin = true;
    } else if (word == "--yes") {
      yes = true;
    } else if (word == "--json") {
      json = true;
    } else if (word == "--help") {
      PrintOverview(out, AllCommands());
      return kExitDone;
    } else {
      err << "tallyvane-cli: unknown option " << word << '\n' << kUsage;
      return kExitUsage;
    }
  }
  const std::vector<Command> commands = AllCommands();
  if (i >= words.size()) {
    PrintOverview(err, commands);
    return kExitUsage;
  }
  auto isHelp = [](const std::string& word) { return word == "--help" || word == "-h"; };
  auto inGroup = [&](const std::string& name) {
    return std::any_of(commands.begin(), commands.end(),
                       [&](const Command& c) { return !c.words.empty() && c.words[0] == name; });
  };
  // "help", "help GROUP", "help GROUP VERB".
  if (words[i] == "help") {
    const std::vector<std::string> asked(words.begin() + static_cast<std::ptrdiff_t>(i + 1), words.end());
    if (asked.empty()) {
      PrintOverview(out, commands);
      return kExitDone;
    }
    for (const Command& command : commands) {
      if (asked.size() > 1 && command.words.size() == asked.size() &&
          std::equal(command.words.begin(), command.words.end(), asked.begin())) {
        PrintCommandHelp(out, command);
        return kExitDone;
      }
    }
    if (asked.size() == 1 && PrintGroupHelp(out, commands, asked[0])) return kExitDone;
    std::string joined;
    for (const std::string& w : asked) joined += (joined.empty() ? "" : " ") + w;
    err << "tallyvane-cli: unknown command " << joined << "\n\n";
    PrintOverview(err, commands);
    return kExitUsage;
  }
  // "GROUP --help" lists the group; "GROUP" alone does too when no command
  // is the bare group name.
  if (inGroup(words[i]) && (i + 1 == words.size() || isHelp(words[i + 1]))) {
    const bool bare = std::any_of(commands.begin(), commands.end(), [&](const Command& c) {
      return c.words.size() == 1 && c.words[0] == words[i];
    });
    if (i + 1 < words.size() || !bare) {
      PrintGroupHelp(out, commands, words[i]);
      return kExitDone;
    }
  }
  if (passwordStdin) {
    if (password) {
      err << "tallyvane-cli: give --password or --password-stdin, not both\n" << kUsage;
      return kExitUsage;
    }
    // The first line of the input; an option of the command that reads
    // there takes the next one.
    std::string line;
    if (!std::getline(in, line) && line.empty()) {
      err << "tallyvane-cli: --password-stdin: standard input holds no line to read\n";
      return kExitUsage;
    }
    if (!line.empty() && line.back() == '\r') line.pop_back();
    password = line;
  }
  if (!password) {
    if (const char* env = std::getenv("TALLYVANE_PASSWORD"); env != nullptr) password = env;
  }

  const Command* chosen = nullptr;
  std::size_t chosenLength = 0;
  for (const Command& command : commands) {
    if (command.words.size() > words.size() - i || command.words.size() <= chosenLength) continue;
    bool match = true;
    for (std::size_t k = 0; k < command.words.size(); ++k) {
      if (words[i + k] != command.words[k]) {
        match = false;
        break;
      }
    }
    if (match) {
      chosen = &command;
      chosenLength = command.words.size();
    }
  }
  if (chosen == nullptr) {
    if (inGroup(words[i])) {
      err << "tallyvane-cli: unknown command " << words[i] << ' ' << words[i + 1] << "\n\n";
      PrintGroupHelp(err, commands, words[i]);
    } else {
      err << "tallyvane-cli: unknown command " << words[i] << "\n\n";
      PrintOverview(err, commands);
    }
    return kExitUsage;
  }
  // "GROUP VERB --help" shows the one command without running it.
  if (std::any_of(words.begin() + static_cast<std::ptrdiff_t>(i + chosenLength), words.end(), isHelp)) {
    PrintCommandHelp(out, *chosen);
    return kExitDone;
  }

  const store::Paths paths = store::ResolvePaths(overrides, store::CurrentExecutable());
  store::IniSettings settings(paths.settingsFile, paths.machineSettingsFile);
  store::DataContext data(paths, store::ReadSystemLocale());
  ScriptedPrompter prompter(err, answers, yes);
  Session session{data, settings, prompter, out, err, json, password, &commands, chosen->words.front(), &in};

  if (chosen->needsData) {
    const store::ProvisionResult provision = store::ProvisionDataFileAtStartup(paths, settings);
    if (!provision.status) {
      err << provision.status.message << '\n';
      return kExitFile;
    }
    if (provision.outcome == store::ProvisionOutcome::TemplateMissing) {
      err << "The template data file was not found at " << provision.templatePath.string()
          << "; an empty data file is used.\n";
    } else if (provision.outcome == store::ProvisionOutcome::CopyFailed) {
      err << "The template data file " << provision.templatePath.string()
          << " could not be copied; an empty data file is used.\n";
    }
    if (const store::Status opened = data.OpenDataContext(); !opened) {
      err << opened.message << '\n';
      return kExitFile;
    }
    // A protected file opens only with its password; "password check" does
    // its own asking.
    const bool checksItself = chosen->words.size() == 2 && chosen->words[0] == "password" && chosen->words[1] == "check";
    if (!checksItself && store::isPasswordSet(data.db())) {
      if (!password) {
        err << app::kPasswordPrompt << '\n';
        return kExitPassword;
      }
      app::StartupPasswordPrompt prompt(data.db(), settings);
      const auto answer = prompt.submit(*password);
      if (answer.outcome != app::StartupPasswordPrompt::Outcome::Accepted) {
        err << answer.message << '\n';
        if (answer.outcome == app::StartupPasswordPrompt::Outcome::LockedOut) {
          // The lock-out holds for scripts as it does for the window.
          std::this_thread::sleep_for(std::chrono::seconds(app::kLockoutSeconds));
        }
        return kExitPassword;
      }
    }
  }

  Args args(std::vector<std::string>(words.begin() + static_cast<std::ptrdiff_t>(i + chosenLength), words.end()));
  return chosen->run(session, args);
}

}  // namespace tallyvane::cli
