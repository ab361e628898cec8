// The benchmark book: one generated data file that every benchmark (and the
// window program's) times against, so figures from different programs
// describe the same file.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

namespace tallyvane::bench {

// Writes DIR/tallyvane.vdb from the template: `count` transactions over ten
// years (2017-01-01 on) in six accounts (40, 20, 15, 8, 7 and 10 per cent of
// the rows, so the first of a million-row book holds about 400 000; the last
// ones in the sixth), 500 payees, every tenth row a deposit, every 997th
// reconciled, every hundredth split in two lines, one budget; then the balance
// cache and current balances as the program keeps them. With
// `reconciledBefore` ("YYYY-MM-DD") every row dated before it is cleared and
// reconciled, as a person who reconciles monthly leaves a book. False when the
// file could not be made.
bool WriteBook(const std::filesystem::path& dir, const std::filesystem::path& templateFile, int64_t count,
               const std::string& reconciledBefore = {});

// The book in the temp folder under `name`, written once and reused.
const std::filesystem::path& SharedBook(const char* name, const std::filesystem::path& templateFile,
                                        int64_t count = 1000000);

}  // namespace tallyvane::bench
