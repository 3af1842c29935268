// Import of 10,000 and of 90,000 lines (every PID of an empty table) on the real file system,
// each beside its floor: reading and parsing the same file alone, without the table. Then the
// same 10,000 accounts as a browser's export (UTF-8 with its mark, every field quoted, one
// doubled quote each) beside them as lines: the export's import is to take at most twice as long.
// Usage: import_bench [folder] (default: a new folder under $TMPDIR or /tmp, removed after).
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>

#include "bench/bench_support.h"
#include "exchange/import_lines.h"
#include "store/account_table.h"
#include "store/posix_file_system.h"

using namespace quorrel;
using bench::Clock;
using bench::Ms;

namespace {

constexpr int kRepeats = 5;

template <typename F>
double Median(F&& step) {
  return bench::MedianTime(kRepeats, step);
}

std::string ImportLinesText(int lines) {
  std::string text;
  for (int i = 0; i < lines; ++i)
    text += "\xD0\xC2 site " + std::to_string(i) + "----someone" + std::to_string(i) + "@example.com----S3cret!" +
            std::to_string(i * 31) + "\r\n";
  return text;
}

// The accounts of ImportLinesText as Chrome exports them, in UTF-8.
std::string ImportCsvText(int rows) {
  std::string text = "\xEF\xBB\xBFname,url,username,password,note\r\n";
  for (int i = 0; i < rows; ++i)
    text += "\"\xE6\x96\xB0 site " + std::to_string(i) + "\",\"https://site" + std::to_string(i) +
            ".example.com/login\",\"someone" + std::to_string(i) + "@example.com\",\"S3cret!" +
            std::to_string(i * 31) + "\",\"said \"\"hi\"\", twice\"\r\n";
  return text;
}

// UTF-8 into GBK for the few characters of the texts above (ASCII and 新).
std::optional<Text> ToGbk(std::u16string_view text) {
  Text out;
  for (char16_t c : text) {
    if (c == u'\u65B0') out += "\xD0\xC2";
    else if (c < 0x80) out.push_back(static_cast<char>(c));
    else return std::nullopt;
  }
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  bench::BenchFolder dir(argc, argv, "quorrel-import-bench");
  if (!dir.ok()) return 1;
  const Text path = dir.path() + "/UserData.edb";
  PosixTableFileSystem fs;
  const std::string empty = bench::SealedTable(bench::AccountPayload(0));

  const auto start = Clock::now();
  AccountStore store;
  store.table_path = path;
  store.fs = &fs;
  store.log = [](std::string_view) {};
  store.draw = TickSeededDraw([start] {
    return static_cast<uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count());
  });
  if (!fs.WriteReplace(path, empty)) {
    std::fprintf(stderr, "cannot write %s\n", path.c_str());
    return 1;
  }
  {
    TableContainer warm(fs);  // the key derivation, cached for the process, is not measured
    if (!OpenAccountTable(store, warm)) return 1;
  }

  std::printf("import into an empty table, median of %d, in %s\n", kRepeats, dir.path().c_str());
  for (int lines : {10000, 90000}) {
    const std::string text = ImportLinesText(lines);
    const double floor = Median([&] {
      ImportList list = ParseImportLines(DecodeImportFile(text, {}));
      if (list.accounts.size() != static_cast<size_t>(lines)) std::exit(1);
    });
    const double restore = Median([&] {
      if (!fs.WriteReplace(path, empty)) std::exit(1);
    });
    const double import = Median([&] {
      if (!fs.WriteReplace(path, empty)) std::exit(1);  // back to no account, taken off below
      const ImportResult result = ImportAccountText(store, text);
      if (result.outcome != TableOutcome::kOpened || result.imported != static_cast<size_t>(lines)) std::exit(1);
    });
    std::printf("%6d lines, %9zu bytes: read + parse (floor) %8.1f ms; import %8.1f ms = %5.1f x the floor\n", lines,
                text.size(), floor, import - restore, (import - restore) / floor);
  }

  const int rows = 10000;
  const AnsiCodePage gbk{&ToGbk, nullptr};
  double took[2] = {}, read[2] = {};
  const std::string files[2] = {ImportLinesText(rows), ImportCsvText(rows)};
  for (int k = 0; k < 2; ++k) {
    read[k] = Median([&] {
      if (ReadImportAccounts(files[k], gbk).accounts.size() != static_cast<size_t>(rows)) std::exit(1);
    });
    const double restore = Median([&] {
      if (!fs.WriteReplace(path, empty)) std::exit(1);
    });
    took[k] = Median([&] {
      if (!fs.WriteReplace(path, empty)) std::exit(1);
      const ImportResult result = ImportAccountText(store, files[k], gbk);
      if (result.outcome != TableOutcome::kOpened || result.imported != static_cast<size_t>(rows)) std::exit(1);
    }) - restore;
  }
  std::printf("%6d accounts: as ---- lines %8.1f ms (%zu bytes); as a browser's CSV %8.1f ms (%zu bytes) = %4.2f x "
              "the lines (goal: at most 2)\n",
              rows, took[0], files[0].size(), took[1], files[1].size(), took[1] / took[0]);
  std::printf("%6d accounts read without the table: lines %6.1f ms, CSV %6.1f ms = %4.2f x\n", rows, read[0], read[1],
              read[1] / read[0]);
  fs.Remove(path);
  return 0;
}
