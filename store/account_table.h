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

struct AccountRecord {
  Text pid;
  Text name;
  Text user;
  Text password;
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
  std::function<void()> restart;                 // RestartProgram with its default delay;
                                                 // never returns in the program. Called
                                                 // where the result is kCannotCreate (and by
                                                 // NewAccountPid on kCannotOpen); may be empty
                                                 // when the caller acts on the result instead
  RandomDraw draw;                               // for NewAccountPid
};

// What an operation found at store.table_path, so that the program can restart at most once
// for a table that cannot be created or opened and show a message after that.
enum class TableOutcome {
  kOpened,        // the table was there and opened
  kCreated,       // it was missing: a new empty table is in place ("Data Create")
  kRecovered,     // it was missing: the complete table that an interrupted replace left in a
                  // temp file is in place ("Data Recovered")
  kPresent,       // CreateAccountTable only: something is, or may be, at the path; untouched
  kCannotOpen,    // a file is there, or the path cannot be checked, but it does not open (for
                  // NewAccountPid also a missing table); it is never written or replaced
  kCannotCreate,  // it was missing and no table could be put in place
};

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
// (creating) or "Data Create Encryption Error " (protecting), calls store.restart and returns
// kCannotCreate; it deletes only a file that it created itself.
[[nodiscard]] TableOutcome CreateAccountTable(const AccountStore& store);

// Visits every record in stored order with its ordinal from 1. A missing table is created
// (kCreated, nothing visited) or recovered (kRecovered, its records visited); a file that does
// not open, or a path that cannot be checked, is silently skipped (kCannotOpen); kOpened after
// a visit of the whole table.
TableOutcome ForEachAccount(const AccountStore& store,
                            const std::function<void(int ordinal, const AccountRecord&)>& visitor);

// The first record whose "PID" equals pid byte for byte.
[[nodiscard]] std::optional<AccountRecord> FindAccountByPid(const AccountStore& store, std::string_view pid);

// Removes every record whose "PID" equals pid in one write, then logs "Del Data " + pid once
// for each removed record. Returns the number removed (0 when nothing matched, the file does
// not open or the write failed; the file is then unchanged and nothing is logged).
int DeleteAccountByPid(const AccountStore& store, std::string_view pid);

// A PID of five digits that no stored record has (as read by PidNumber). When the table does
// not open it calls store.restart and returns the empty text with kCannotOpen; the empty text
// with kOpened means every value 10000..99999 is taken.
[[nodiscard]] Text NewAccountPid(const AccountStore& store, TableOutcome& outcome);
Text NewAccountPid(const AccountStore& store);

// Appends one record, fields in the order "PID", "NAME", "USER", "PASSWORD", unchecked.
// True when the record is in the file.
[[nodiscard]] bool AddAccount(const AccountStore& store, const Text& pid, const Text& name, const Text& user,
                const Text& password);

// A stored PID as a number: full-width GBK digits (A3 B0..A3 B9) count as ordinary digits,
// then the usual decimal rule (leading digits; none gives 0).
int32_t PidNumber(std::string_view pid);

// --- many accounts in one write (the import) -----------------------------------------------

enum class AddAccountsResult {
  kAdded,            // every record is in the file
  kTableDidNotOpen,  // store.restart was called; nothing written
  kNoFreePid,        // 10000..99999 ran out before every record had one; nothing written
  kWriteFailed,      // the file holds the table as it was before (also for a table that
                     // would outgrow kMaxTableFileBytes, or memory running out)
};

// Gives each record a PID (NewAccountPid's rule and range, one reseeded draw after another,
// unique against the stored records and the records before it; stored in record.pid) and
// appends them all, fields unchecked, in one write: afterwards the table holds all of them or
// none. The table is opened once. An empty list touches nothing and gives kAdded.
[[nodiscard]] AddAccountsResult AddAccountsWithNewPids(const AccountStore& store,
                                                       std::vector<AccountRecord>& records);

}  // namespace quorrel
