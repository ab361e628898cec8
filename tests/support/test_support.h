// Shared test helpers: temporary folders, a fresh data file made from the
// template, a fixed clock, a scripted prompter and a time zone switch.
#pragma once

#include <ctime>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "store/data_context.h"
#include "store/ports.h"
#include "store/settings.h"

namespace tallyvane::testing {

// A folder under the system temp folder, removed with everything in it.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  [[nodiscard]] const std::filesystem::path& path() const { return path_; }
  [[nodiscard]] std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

 private:
  std::filesystem::path path_;
};

// Sets TZ for the life of the object and restores it after.
class ScopedTimeZone {
 public:
  explicit ScopedTimeZone(const char* zone);
  ~ScopedTimeZone();

 private:
  std::string previous_;
  bool hadPrevious_ = false;
};

class FixedClock final : public store::Clock {
 public:
  explicit FixedClock(std::time_t now) : now_(now) {}
  [[nodiscard]] std::time_t now() const override { return now_; }
  void set(std::time_t now) { now_ = now; }

 private:
  std::time_t now_;
};

// Answers questions by caption in order (the last button when the script has
// run out) and records everything it was shown.
class RecordingPrompter final : public store::Prompter {
 public:
  struct Shown {
    std::string kind;  // "ask", "message" or "balloon"
    std::string title;
    std::string text;
    std::vector<std::string> buttons;
    std::string field;
  };
  void answer(std::string caption) { answers_.push_back(std::move(caption)); }

  [[nodiscard]] std::size_t ask(std::string_view title, std::string_view message,
                                const std::vector<std::string>& buttons, store::Icon icon) override;
  void message(std::string_view title, std::string_view text, store::Icon icon) override;
  void balloon(std::string_view field, std::string_view title, std::string_view text) override;

  std::vector<Shown> shown;

 private:
  std::vector<std::string> answers_;
  std::size_t next_ = 0;
};

std::filesystem::path TemplatePath();

// Paths that keep everything inside `root`.
store::Paths PathsIn(const std::filesystem::path& root);

// A data file copied from the template into a temp folder and opened.
class TestData {
 public:
  TestData();
  [[nodiscard]] store::DataContext& context() { return *context_; }
  [[nodiscard]] store::Db& db() { return context_->db(); }
  [[nodiscard]] const store::Paths& paths() const { return paths_; }
  [[nodiscard]] store::MemorySettings& settings() { return settings_; }

 private:
  TempDir dir_;
  store::Paths paths_;
  store::MemorySettings settings_;
  std::unique_ptr<store::DataContext> context_;
};

// A system locale with the plain US values.
store::SystemLocale UsLocale();

}  // namespace tallyvane::testing
