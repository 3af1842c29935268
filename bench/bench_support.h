// What the benchmarks share: milliseconds, medians, tables of many accounts built in one
// piece, and a scratch folder for the host benchmarks.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#ifndef _WIN32
#include <filesystem>
#endif

#include "store/account_table.h"
#include "store/table_container.h"

namespace quorrel::bench {

using Clock = std::chrono::steady_clock;

inline double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

inline double MedianOf(std::vector<double> v) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

// The median time of `repeats` runs of step.
template <typename F>
double MedianTime(int repeats, F&& step) {
  std::vector<double> times;
  for (int i = 0; i < repeats; ++i) {
    const auto start = Clock::now();
    step();
    times.push_back(Ms(Clock::now() - start));
  }
  return MedianOf(times);
}

// One text of a record in the table's payload: its length (u32, little-endian), its bytes.
inline void PutTableText(std::string& payload, std::string_view v) {
  for (int i = 0; i < 4; ++i) payload.push_back(static_cast<char>(v.size() >> (8 * i)));
  payload += v;
}

// Field sizes to pad an account to; 0 keeps the typical generated text.
struct AccountShape {
  size_t name = 0, user = 0, password = 0;
};

// The payload of a table of `count` accounts (as many as fit below maxBytes) of typical
// size: PID 10000 + i * pidStep (wrapping in the five-digit range), a GBK display name, an
// e-mail user name and a password.
inline std::string AccountPayload(int count, int pidStep = 1, AccountShape shape = {}, size_t maxBytes = SIZE_MAX) {
  std::string payload = *EmptyTablePayload(AccountTableFields());
  for (int i = 0; i < count && payload.size() + 200 < maxBytes; ++i) {
    payload.push_back('\0');
    PutTableText(payload, std::to_string(10000 + (i * pidStep) % 90000));
    std::string name = "\xD3\xCA\xCF\xE4 account " + std::to_string(i);  // 邮箱 account i
    std::string user = "user" + std::to_string(i) + "@example.com";
    std::string password = "Pw!" + std::to_string(i * 7919) + "xYz";
    if (shape.name) name.resize(shape.name, 'n');
    if (shape.user) user.resize(shape.user, 'u');
    if (shape.password) password.resize(shape.password, 'p');
    PutTableText(payload, name);
    PutTableText(payload, user);
    PutTableText(payload, password);
  }
  return payload;
}

// The payload sealed as a table file under the access password.
inline std::string SealedTable(const std::string& payload) {
  return *SealTableFile(payload, kAccountTableAccessPassword, NewTableKeyParams());
}

#ifndef _WIN32
// The folder given on the command line, or a new one under $TMPDIR or /tmp that goes away
// with this object.
class BenchFolder {
 public:
  BenchFolder(int argc, char** argv, const char* name) {
    if (argc > 1) {
      path_ = argv[1];
      return;
    }
    const char* tmp = std::getenv("TMPDIR");
    std::string templ = std::string(tmp && *tmp ? tmp : "/tmp") + "/" + name + "-XXXXXX";
    if (mkdtemp(templ.data())) {
      path_ = templ;
      owned_ = true;
    }
  }
  BenchFolder(const BenchFolder&) = delete;
  BenchFolder& operator=(const BenchFolder&) = delete;
  ~BenchFolder() {
    std::error_code ignored;
    if (owned_) std::filesystem::remove_all(path_, ignored);
  }
  bool ok() const { return !path_.empty(); }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
  bool owned_ = false;
};
#endif

}  // namespace quorrel::bench
