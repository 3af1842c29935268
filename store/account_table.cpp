#include "store/account_table.h"

#include <memory>
#include <new>
#include <random>

#include "base/report.h"

namespace quorrel {

namespace {

constexpr char kPid[] = "PID";
constexpr char kName[] = "NAME";
constexpr char kUser[] = "USER";
constexpr char kPassword[] = "PASSWORD";
constexpr uint32_t kFieldMaxLength = 512;

// With a sound generator a free value turns up long before this; a generator stuck on taken
// values must not hang the program.
constexpr int kMaxPidDraws = 1000000;

void Log(const AccountStore& store, std::string_view line) {
  if (store.log) store.log(line);
}

// What a container's failure means for the operation that met it.
TableOutcome OutcomeOf(const TableContainer& table) {
  switch (table.LastFailure()) {
    case ContainerFailure::kUnreadable: return TableOutcome::kCannotOpen;
    case ContainerFailure::kBusy: return TableOutcome::kBusy;
    case ContainerFailure::kDiskFull: return TableOutcome::kDiskFull;
    case ContainerFailure::kTooBig: return TableOutcome::kTooBig;
    case ContainerFailure::kNone:
    case ContainerFailure::kOther: break;
  }
  return TableOutcome::kWriteFailed;
}

// Bytes a record takes in the table's payload: a flags byte, then length and bytes per field.
size_t RecordBytes(const AccountRecord& r) {
  return 1 + 4 * 4 + r.pid.size() + r.name.size() + r.user.size() + r.password.size();
}

// Straight from the deciphered table into the record: no temporary copy is made (a moved-from
// short string keeps its bytes).
void ReadRecordInto(const TableContainer& table, AccountRecord& record) {
  record.pid.assign(table.FieldView(kPid));
  record.name.assign(table.FieldView(kName));
  // The user name's old bytes go before a longer one moves it to a new buffer.
  SecureWipe(record.user);
  record.user.assign(table.FieldView(kUser));
  record.password.assign(table.FieldView(kPassword));
}

// A temp file left where the table is missing: put in place when it is a whole table,
// otherwise kept aside under a new name. Never overwritten, never deleted.
bool RecoverLeftCopy(const AccountStore& store) {
  TableFileSystem& fs = *store.fs;
  const Text& path = store.table_path;
  for (const Text& temp : {fs.TempPath(path), LegacyTempPath(path)}) {
    if (temp.empty() || fs.Probe(temp) == PathState::kAbsent) continue;
    TableContainer copy(fs);
    const bool whole = copy.Open(temp, kAccountTableAccessPassword);
    copy.Close();
    if (whole && fs.MoveNew(temp, path)) {
      Log(store, "Data Recovered");
      return true;
    }
    if (ReportIf(whole)) continue;  // a whole table that would not move: leave it where it is
    bool aside = false;
    for (int n = 1; n <= 99 && !aside; ++n) {
      const Text to = AsidePath(temp, n, fs.PathLeadBytes());
      if (to.empty() || fs.Probe(to) != PathState::kAbsent) continue;  // that name is taken
      aside = fs.MoveNew(temp, to);
      if (!aside) break;  // the file itself will not move (held by another program): no other name helps
    }
    (void)ReportIf(!aside);
  }
  return false;
}


// Which of 10000..99999 the records of an open table take (as read by PidNumber), and how
// many of them are taken; reads from the first record to the end.
std::vector<bool> TakenPids(TableContainer& table, size_t& takenCount) {
  std::vector<bool> taken(kPidRange, false);
  takenCount = 0;
  for (table.GoToFirst(); !table.Eof(); table.Skip(1)) {
    const int32_t n = PidNumber(table.FieldView(kPid));
    if (n >= kMinAccountPid && n <= kMaxAccountPid && !taken[n - kMinAccountPid]) {
      taken[n - kMinAccountPid] = true;
      ++takenCount;
    }
  }
  return taken;
}

}  // namespace

RandomDraw TickSeededDraw(std::function<uint32_t()> tick_ms) {
  auto seeder = std::make_shared<TickSeeder>(std::move(tick_ms));
  return [seeder](int32_t lo, int32_t hi) {
    std::mt19937 gen(seeder->NextSeed());
    return UniformDraw(gen, lo, hi);
  };
}

RandomDraw ProcessDraw() {
  return [](int32_t lo, int32_t hi) {
    std::mt19937 gen = ReseededGenerator();
    return UniformDraw(gen, lo, hi);
  };
}

std::vector<FieldSpec> AccountTableFields() {
  return {{kPid, FieldType::kText, kFieldMaxLength},
          {kName, FieldType::kText, kFieldMaxLength},
          {kUser, FieldType::kText, kFieldMaxLength},
          {kPassword, FieldType::kText, kFieldMaxLength}};
}

bool OpenAccountTable(const AccountStore& store, TableContainer& table) {
  return store.fs && table.Open(store.table_path, kAccountTableAccessPassword);
}

TableOutcome CreateAccountTable(const AccountStore& store) {
  if (!store.fs) return TableOutcome::kCannotCreate;
  TableFileSystem& fs = *store.fs;
  if (fs.Probe(store.table_path) != PathState::kAbsent) return TableOutcome::kPresent;
  if (RecoverLeftCopy(store)) return TableOutcome::kRecovered;
  const std::vector<FieldSpec> fields = AccountTableFields();
  Log(store, "Data Create");
  TableContainer table(fs);
  // Created already protected: a crash before the password step below cannot leave a file
  // without the access password, which no later start would open or replace. A failed
  // create has put nothing at the path, so nothing is deleted.
  if (!table.Create(store.table_path, fields, kAccountTableAccessPassword)) {
    Log(store, "Data Create Error ");
    // A full disk is no folder that cannot be written: room is all it takes.
    return table.LastFailure() == ContainerFailure::kDiskFull ? TableOutcome::kDiskFull : TableOutcome::kCannotCreate;
  }
  const std::optional<std::string> created = fs.ReadFile(store.table_path);
  if (!table.Open(store.table_path, kAccountTableAccessPassword) ||
      !table.SetAccessPassword(kAccountTableAccessPassword)) {
    table.Close();
    Log(store, "Data Create Encryption Error ");
    // Only the file this call wrote, should anything have taken its place meanwhile.
    const bool full = table.LastFailure() == ContainerFailure::kDiskFull;
    if (created && fs.ReadFile(store.table_path) == created) fs.Remove(store.table_path);
    return full ? TableOutcome::kDiskFull : TableOutcome::kCannotCreate;
  }
  table.Close();
  return TableOutcome::kCreated;
}

TableOutcome ForEachAccount(const AccountStore& store,
                            const std::function<void(int ordinal, const AccountRecord&)>& visitor,
                            const std::function<void(size_t count)>& counted) {
  if (!store.fs) return TableOutcome::kCannotOpen;
  TableOutcome outcome = TableOutcome::kOpened;
  if (store.fs->Probe(store.table_path) == PathState::kAbsent) {
    outcome = CreateAccountTable(store);
    if (outcome == TableOutcome::kPresent) outcome = TableOutcome::kOpened;  // appeared meanwhile
    if (outcome != TableOutcome::kRecovered && outcome != TableOutcome::kOpened) return outcome;
  }
  TableContainer table(*store.fs);
  if (!OpenAccountTable(store, table)) return OutcomeOf(table);
  const size_t count = table.RecordCount();
  if (counted) counted(count);
  AccountRecord record;
  for (size_t i = 1; i <= count; ++i) {
    ReadRecordInto(table, record);
    if (visitor) visitor(static_cast<int>(i), record);
    table.Skip(1);
  }
  SecureWipe(record.user);
  table.Close();
  return outcome;
}

FoundAccount FindAccountByPid(const AccountStore& store, std::string_view pid) {
  FoundAccount found{TableOutcome::kCannotOpen, std::nullopt};
  if (!store.fs) return found;
  TableContainer table(*store.fs);
  if (!OpenAccountTable(store, table)) {
    found.outcome = OutcomeOf(table);
    return found;
  }
  found.outcome = TableOutcome::kOpened;
  table.GoToFirst();
  if (table.Find([pid](const TableContainer& t) { return t.FieldView(kPid) == pid; })) {
    ReadRecordInto(table, found.record.emplace());
  }
  table.Close();
  return found;
}

DeletedAccounts DeleteAccountByPid(const AccountStore& store, std::string_view pid) {
  if (!store.fs) return {TableOutcome::kCannotOpen};
  TableContainer table(*store.fs);
  if (!OpenAccountTable(store, table)) return {OutcomeOf(table)};
  // Every match is marked first and all go in one purge: purging inside the scan would shift
  // the next record into the visited slot and skip it.
  int marked = 0;
  for (table.GoToFirst(); !table.Eof(); table.Skip(1)) {
    if (table.FieldView(kPid) == pid) {
      table.MarkDeleted();
      ++marked;
    }
  }
  if (marked == 0) return {TableOutcome::kOpened};
  if (!table.Purge()) return {OutcomeOf(table)};
  table.Close();
  // Logged once the records are really gone from the file, one line per record.
  for (int i = 0; i < marked; ++i) Log(store, Text("Del Data ").append(pid));
  return {TableOutcome::kOpened, marked};
}

int32_t PidNumber(std::string_view pid) {
  bool wide = false;
  for (char c : pid) wide = wide || static_cast<unsigned char>(c) >= 0x80;
  if (!wide) return ParseDecimal(pid);
  Text ascii;
  ascii.reserve(pid.size());
  for (size_t i = 0; i < pid.size(); ++i) {
    const auto b = static_cast<unsigned char>(pid[i]);
    if (IsLeadByte(b) && i + 1 < pid.size()) {
      const auto trail = static_cast<unsigned char>(pid[i + 1]);
      if (b == 0xA3 && trail >= 0xB0 && trail <= 0xB9) {
        ascii.push_back(static_cast<char>('0' + (trail - 0xB0)));
      } else {
        ascii.append(pid.substr(i, 2));
      }
      ++i;
    } else {
      ascii.push_back(static_cast<char>(b));
    }
  }
  return ParseDecimal(ascii);
}

NewPid NewAccountPid(const AccountStore& store) {
  if (!store.fs) return {TableOutcome::kCannotOpen, {}};
  TableContainer table(*store.fs);
  if (!OpenAccountTable(store, table)) return {OutcomeOf(table), {}};
  size_t taken_count = 0;
  const std::vector<bool> taken = TakenPids(table, taken_count);
  table.Close();
  if (taken_count == kPidRange) return {TableOutcome::kNoFreePid, {}};

  auto is_free = [&](int32_t n) {
    return n >= kMinAccountPid && n <= kMaxAccountPid && !taken[n - kMinAccountPid];
  };
  if (store.draw) {
    for (int attempt = 0; attempt < kMaxPidDraws; ++attempt) {
      const int32_t n = store.draw(kMinAccountPid, kMaxAccountPid);
      if (is_free(n)) return {TableOutcome::kOpened, std::to_string(n)};
    }
  }
  for (int32_t n = kMinAccountPid; n <= kMaxAccountPid; ++n) {
    if (is_free(n)) return {TableOutcome::kOpened, std::to_string(n)};
  }
  return {TableOutcome::kNoFreePid, {}};
}

FreePids CountFreePids(const AccountStore& store) {
  if (!store.fs) return {TableOutcome::kCannotOpen};
  TableContainer table(*store.fs);
  if (!OpenAccountTable(store, table)) return {OutcomeOf(table)};
  size_t taken_count = 0;
  (void)TakenPids(table, taken_count);
  table.Close();
  return {TableOutcome::kOpened, kPidRange - taken_count};
}

TableOutcome AddAccount(const AccountStore& store, std::string_view pid, std::string_view name,
                        std::string_view user, std::string_view password) {
  if (!store.fs) return TableOutcome::kCannotOpen;
  TableContainer table(*store.fs);
  if (!OpenAccountTable(store, table) || !table.GoToLast()) return OutcomeOf(table);
  const bool ok = table.Append({pid, name, user, password});  // read in place, never copied
  const TableOutcome outcome = ok ? TableOutcome::kOpened : OutcomeOf(table);
  table.Close();
  return outcome;
}

// --- many accounts in one write -------------------------------------------------------------

TableOutcome AddAccountsWithNewPids(const AccountStore& store, std::vector<AccountRecord>& records) {
  if (records.empty()) return TableOutcome::kOpened;
  if (!store.fs) return TableOutcome::kCannotOpen;
  TableContainer table(*store.fs);
  if (!OpenAccountTable(store, table)) return OutcomeOf(table);
  // What cannot fit is refused before any PID is drawn. Every PID is five digits.
  size_t bytes = 0;
  for (const AccountRecord& r : records) bytes += RecordBytes(r) - r.pid.size() + 5;
  if (bytes > table.RoomLeft()) return TableOutcome::kTooBig;
  size_t taken_count = 0;
  std::vector<bool> taken = TakenPids(table, taken_count);
  size_t free_count = kPidRange - taken_count;
  if (records.size() > free_count) return TableOutcome::kNoFreePid;
  auto take = [&](int32_t n) {
    if (n < kMinAccountPid || n > kMaxAccountPid || taken[n - kMinAccountPid]) return false;
    taken[n - kMinAccountPid] = true;
    --free_count;
    return true;
  };

  // A generator that found nothing free in kMaxPidDraws is not asked again for the rest.
  bool draws_help = static_cast<bool>(store.draw);
  // Once few values are free, a draw over the whole range would mostly hit taken ones (an
  // import that fills the table would take millions of reseeded draws): the draw then picks
  // among the free values directly, which is the same uniform choice.
  std::vector<int32_t> free_values;
  auto from_free_values = [&]() -> int32_t {
    if (free_values.empty())
      for (int32_t n = kMinAccountPid; n <= kMaxAccountPid; ++n)
        if (!taken[n - kMinAccountPid]) free_values.push_back(n);
    if (free_values.empty()) return 0;
    const auto last = static_cast<int32_t>(free_values.size()) - 1;
    int32_t i = draws_help ? store.draw(0, last) : 0;
    if (i < 0 || i > last) i = 0;  // a generator that ignores its range
    const int32_t n = free_values[static_cast<size_t>(i)];
    free_values[static_cast<size_t>(i)] = free_values.back();
    free_values.pop_back();
    take(n);
    return n;
  };
  auto next_free = [&]() -> int32_t {
    if (free_count <= kPidRange / 4) return from_free_values();
    for (int attempt = 0; draws_help && attempt < kMaxPidDraws; ++attempt) {
      const int32_t n = store.draw(kMinAccountPid, kMaxAccountPid);
      if (take(n)) return n;
    }
    draws_help = false;
    return from_free_values();
  };
  for (AccountRecord& record : records) record.pid = std::to_string(next_free());

  // Views of the records, in the table's field order: nothing of them is copied.
  std::vector<std::string_view> values;
  TableOutcome outcome = TableOutcome::kWriteFailed;
  try {
    values.reserve(records.size() * 4);
    for (const AccountRecord& r : records) values.insert(values.end(), {r.pid, r.name, r.user, r.password.view()});
    outcome = table.AppendAll(values) ? TableOutcome::kOpened : OutcomeOf(table);
  } catch (const std::bad_alloc&) {
    outcome = TableOutcome::kWriteFailed;
  }
  table.Close();
  return outcome;
}

}  // namespace quorrel
