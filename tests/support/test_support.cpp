#include "support/test_support.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdlib>

namespace tallyvane::testing {

TempDir::TempDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "tallyvane-test-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) {
    ADD_FAILURE() << "cannot create a temp folder";
  }
  path_ = pattern;
}

TempDir::~TempDir() {
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}

ScopedTimeZone::ScopedTimeZone(const char* zone) {
  if (const char* old = std::getenv("TZ")) {
    previous_ = old;
    hadPrevious_ = true;
  }
  setenv("TZ", zone, 1);
  tzset();
}

ScopedTimeZone::~ScopedTimeZone() {
  if (hadPrevious_) {
    setenv("TZ", previous_.c_str(), 1);
  } else {
    unsetenv("TZ");
  }
  tzset();
}

std::size_t RecordingPrompter::ask(std::string_view title, std::string_view message,
                                   const std::vector<std::string>& buttons, store::Icon) {
  shown.push_back({"ask", std::string(title), std::string(message), buttons, {}});
  std::size_t choice = buttons.empty() ? 0 : buttons.size() - 1;
  if (next_ < answers_.size()) {
    const std::string& wanted = answers_[next_++];
    for (std::size_t i = 0; i < buttons.size(); ++i) {
      if (buttons[i] == wanted) choice = i;
    }
  }
  return choice;
}

void RecordingPrompter::message(std::string_view title, std::string_view text, store::Icon) {
  shown.push_back({"message", std::string(title), std::string(text), {}, {}});
}

void RecordingPrompter::balloon(std::string_view field, std::string_view title, std::string_view text) {
  shown.push_back({"balloon", std::string(title), std::string(text), {}, std::string(field)});
}

std::filesystem::path TemplatePath() { return TALLYVANE_TEST_TEMPLATE; }

store::Paths PathsIn(const std::filesystem::path& root) {
  store::Paths paths;
  paths.dataDir = root / "data";
  paths.commonDataDir = root / "data";
  paths.settingsFile = root / "config" / "Tallyvane.conf";
  paths.templateFile = TemplatePath();
  return paths;
}

store::SystemLocale UsLocale() {
  store::SystemLocale locale;
  locale.decimalSymbol = ".";
  locale.thousandsSymbol = ",";
  locale.currencySymbol = "$";
  locale.currencyDigits = 2;
  locale.country = "US";
  locale.timeZoneBiasMinutes = 300;
  locale.shortDateOrder = store::DateOrder::MonthDayYear;
  return locale;
}

TestData::TestData() : paths_(PathsIn(dir_.path())) {
  const store::ProvisionResult provision = store::ProvisionDataFileAtStartup(paths_, settings_);
  EXPECT_EQ(provision.outcome, store::ProvisionOutcome::Copied);
  context_ = std::make_unique<store::DataContext>(paths_, UsLocale());
  const store::Status opened = context_->OpenDataContext();
  EXPECT_TRUE(opened.ok) << opened.message;
}

}  // namespace tallyvane::testing
