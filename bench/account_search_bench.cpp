// Finding an account by typing, among 10,000 accounts: the fill of the list's rows from the
// table with and without the search keys (names, user names, pinyin initials) made beside
// them, and the cost of one key press, against the fill as the floor it must hide under.
// Rows are held as the list holds them; the table lies in memory.
#include <iconv.h>

#include <cstdio>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "store/account_table.h"
#include "store/memory_file_system.h"
#include "ui/main/account_search.h"

using namespace quorrel;

namespace {

constexpr int kAccounts = 10000;

Text Gbk(const std::string& utf8) {
  iconv_t cd = iconv_open("GBK", "UTF-8");
  std::string out(utf8.size() * 2, '\0');
  char* in = const_cast<char*>(utf8.data());
  char* o = out.data();
  size_t inLeft = utf8.size(), outLeft = out.size();
  iconv(cd, &in, &inLeft, &o, &outLeft);
  iconv_close(cd);
  out.resize(out.size() - outLeft);
  return out;
}

// A row as the account list keeps it (a masked list: no password, its length).
struct Row {
  Text pid, name, user;
  size_t passwordBytes;
};

volatile int sink = 0;

}  // namespace

int main() {
  const char* kNames[] = {"微信", "支付宝", "淘宝", "京东商城", "百度网盘", "QQ邮箱", "新浪微博", "工商银行",
                          "招商银行", "Steam", "Gmail", "哔哩哔哩", "抖音", "网易邮箱", "中国移动", "12306",
                          "携程旅行", "拼多多", "知乎", "Apple ID"};
  MemoryTableFileSystem fs;
  AccountStore store{"UserData.edb", &fs, [](std::string_view) {}, {}};
  if (CreateAccountTable(store) != TableOutcome::kCreated) return 1;
  std::vector<AccountRecord> records;
  for (int i = 0; i < kAccounts; ++i)
    records.push_back({"", Gbk(kNames[i % std::size(kNames)]) + " " + std::to_string(i),
                       "user" + std::to_string(i) + "@example.com", SecretText("Pw!" + std::to_string(i))});
  records.back().name = Gbk("目标账号");  // the only name whose initials start with m
  if (AddAccountsWithNewPids(store, records) != TableOutcome::kOpened) return 1;

  std::vector<Row> rows;
  AccountSearch search;
  auto fill = [&](bool withSearch) {
    rows.clear();
    rows.reserve(kAccounts);
    (void)ForEachAccount(store, [&](int, const AccountRecord& r) {
      rows.push_back({r.pid, r.name, r.user, r.password.size()});
    });
    if (!withSearch) return;
    search.Clear(rows.size());
    for (const Row& row : rows) search.Add(row.name, row.user);
  };
  std::vector<double> without, with;
  for (int round = 0; round < 11; ++round) {  // interleaved, so drift falls on both alike
    without.push_back(bench::MedianTime(3, [&] { fill(false); }));
    with.push_back(bench::MedianTime(3, [&] { fill(true); }));
  }
  const double plain = bench::MedianOf(without), indexed = bench::MedianOf(with);

  // One key press each: a fresh search, so each call compares from the selected row on.
  constexpr int kPresses = 200;
  auto perKey = [&](const char* key) {
    uint32_t now = 0;
    return bench::MedianTime(11, [&] {
      for (int i = 0; i < kPresses; ++i) {
        TypeAhead typing;
        sink = typing.Type(search, key, now += 5000, 1000, 0);
      }
    }) * 1000 / kPresses;
  };
  const double last = perKey("m"), none = perKey("v");

  std::printf("10,000 accounts, median times\n");
  std::printf("  fill of the rows from the table             %8.2f ms\n", plain);
  std::printf("  the same with the search keys made          %8.2f ms   (+%.2f ms, ratio %.2f)\n", indexed,
              indexed - plain, indexed / plain);
  std::printf("  one key press finding the last row          %8.1f us   (%.3f of the fill)\n", last,
              last / 1000 / plain);
  std::printf("  one key press finding nothing (all rows)    %8.1f us   (%.3f of the fill)\n", none,
              none / 1000 / plain);
  return 0;
}
