// The account table: the program's only store of accounts, one file "UserData.edb" protected
// by a fixed access password. Every operation opens the file, works and closes it again.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string_view>
#include <vector>

#include "base/random.h"
#include "base/text.h"
#include "store/table_container.h"
#include "store/table_file_system.h"

namespace quorrel {

inline constexpr char kAccountTableFileName[] = "UserData.edb";
inline constexpr char kAccountTableAccessPassword[] = "Qm4Tz8LwRk2V";
inline constexpr int32_t kMinAccountPid = 10000;
inline constexpr int32_t kMaxAccountPid = 99999;
inline constexpr size_t kPidRange = kMaxAccountPid - kMinAccountPid + 1;  // the most accounts a table holds

struct AccountRecord {
  Text pid;
  Text name;
  Text user;
  SecretText password;  // from the table (or an import line) until it is typed
};

// Reseeds, then draws one integer uniformly from lo..hi inclusive.
using RandomDraw = std::function<int32_t(int32_t lo, int32_t hi)>;

// A RandomDraw that reseeds a Mersenne Twister by the tick rule (base/random.h) before every
// draw; the returned object owns its running offset (tests and benchmarks give it a clock).
RandomDraw TickSeededDraw(std::function<uint32_t()> tick_ms);
// The program's draw: the process-wide seeder that account files share.
RandomDraw ProcessDraw();

// What the table operations need from the program; created once at start.
struct AccountStore {
  Text table_path;                               // AccountTablePath
  TableFileSystem* fs = nullptr;                 // not owned
  std::function<void(std::string_view)> log;     // WriteActivityLog
  RandomDraw draw;                               // for NewAccountPid
};

// What an operation found and did. No operation ends the program or asks for a restart:
// the caller decides what the user is told and what happens next.
enum class TableOutcome {
  kOpened,        // the table was there and opened; the operation did its work
  kCreated,       // it was missing: a new empty table is in place ("Data Create")
  kRecovered,     // it was missing: the complete table that an interrupted replace left in a
                  // temp file is in place ("Data Recovered")
  kPresent,       // CreateAccountTable only: something is, or may be, at the path; untouched
  kCannotOpen,    // a file is there, or the path cannot be checked, but it does not open (for
                  // NewAccountPid also a missing table); it is never written or replaced
  kCannotCreate,  // it was missing and no table could be put in place
  kBusy,          // another program held the file longer than the retries waited
  kDiskFull,      // the change found no room on the disk; the file is as it was
  kWriteFailed,   // the change could not be written otherwise; the file is as it was
  kNoFreePid,     // not enough of 10000..99999 is free; nothing was written
  kTooBig,        // the table would outgrow its size limit; nothing was written
};

// The operation did its work (on a table that was there, made or recovered).
[[nodiscard]] constexpr bool Succeeded(TableOutcome outcome) {
  return outcome == TableOutcome::kOpened || outcome == TableOutcome::kCreated ||
         outcome == TableOutcome::kRecovered;
}

// "PID", "NAME", "USER", "PASSWORD": text, at most 512 bytes each.
std::vector<FieldSpec> AccountTableFields();

// Opens store.table_path with the access password into table; false for a missing, foreign,
// damaged, oversized or wrongly protected file. Such a file is never written, repaired or
// re-created.
[[nodiscard]] bool OpenAccountTable(const AccountStore& store, TableContainer& table);

// Puts a table in place when nothing is at store.table_path (kPresent, doing nothing,
// otherwise, also when the path cannot be checked). First the copy that an interrupted
// replace may have left: a temp file (TempPath, or the ".tmp" name of earlier versions) that
// opens with the access password is renamed into place, without replacing anything, and
// "Data Recovered" logged (kRecovered); one that does not open is renamed aside (AsidePath),
// never overwritten or deleted. Otherwise it logs "Data Create" and creates the empty table
// with a rename that never replaces (kCreated). When that fails it logs "Data Create Error "
// (creating) or "Data Create Encryption Error " (protecting) and returns kCannotCreate
// (kDiskFull when the disk had no room); it deletes only a file that it created itself.
[[nodiscard]] TableOutcome CreateAccountTable(const AccountStore& store);

// Visits every record in stored order with its ordinal from 1. A missing table is created
// (kCreated, nothing visited) or recovered (kRecovered, its records visited); a file that does
// not open, or a path that cannot be checked, is skipped (kCannotOpen, or kBusy while another
// program holds it); kOpened after a visit of the whole table. `counted`, when given, hears
// how many records follow before the first is visited.
[[nodiscard]] TableOutcome ForEachAccount(const AccountStore& store,
                                          const std::function<void(int ordinal, const AccountRecord&)>& visitor,
                                          const std::function<void(size_t count)>& counted = nullptr);

struct FoundAccount {
  TableOutcome outcome;                // kOpened when the table was read
  std::optional<AccountRecord> record;
};
// The first record whose "PID" equals pid byte for byte.
[[nodiscard]] FoundAccount FindAccountByPid(const AccountStore& store, std::string_view pid);

struct DeletedAccounts {
  TableOutcome outcome;
  int count = 0;  // records removed
};
// Removes every record whose "PID" equals pid in one write, then logs "Del Data " + pid once
// for each removed record. Nothing matching: kOpened with count 0. A table that does not open
// or a write that fails leaves the file unchanged and logs nothing.
[[nodiscard]] DeletedAccounts DeleteAccountByPid(const AccountStore& store, std::string_view pid);

struct NewPid {
  TableOutcome outcome;  // kNoFreePid when every value 10000..99999 is taken
  Text pid;              // empty unless outcome is kOpened
};
// A PID of five digits that no stored record has (as read by PidNumber).
[[nodiscard]] NewPid NewAccountPid(const AccountStore& store);

struct FreePids {
  TableOutcome outcome;  // kOpened when the table was read
  size_t count = 0;      // values of 10000..99999 that no stored record has
};
[[nodiscard]] FreePids CountFreePids(const AccountStore& store);

// Appends one record, fields in the order "PID", "NAME", "USER", "PASSWORD", unchecked.
// kOpened when the record is in the file.
[[nodiscard]] TableOutcome AddAccount(const AccountStore& store, std::string_view pid, std::string_view name,
                                      std::string_view user, std::string_view password);

// A stored PID as a number: full-width GBK digits (A3 B0..A3 B9) count as ordinary digits,
// then the usual decimal rule (leading digits; none gives 0).
int32_t PidNumber(std::string_view pid);

// --- many accounts in one write (the import) -----------------------------------------------

// Gives each record a PID (NewAccountPid's rule and range, one reseeded draw after another,
// unique against the stored records and the records before it; stored in record.pid) and
// appends them all, fields unchecked, in one write: afterwards the table holds all of them or
// none. The table is opened once. A list that cannot fit (more records than free PIDs:
// kNoFreePid; a file beyond the size limit: kTooBig) is refused before any PID is drawn. An
// empty list touches nothing and gives kOpened.
[[nodiscard]] TableOutcome AddAccountsWithNewPids(const AccountStore& store, std::vector<AccountRecord>& records);

}  // namespace quorrel
