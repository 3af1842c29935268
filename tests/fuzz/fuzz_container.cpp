// Arbitrary bytes as the account table file, through the container and every table operation.
// First byte even: the bytes are the file itself (header checks, authentication). Odd: they
// are a payload sealed properly, so the record parser and the operations see them.
// Checks: nothing crashes, a file that does not open is never written, one that opens still
// opens after an add and a delete.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "store/account_table.h"
#include "store/memory_file_system.h"

using namespace quorrel;

namespace {

constexpr char kPath[] = "UserData.edb";

void Check(bool ok) {
  if (!ok) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const bool sealed = data[0] & 1;
  const std::string bytes(reinterpret_cast<const char*>(data + 1), size - 1);

  MemoryTableFileSystem fs;
  if (sealed) {
    TableKeyParams params;
    params.salt = std::string(16, 'f');
    params.iterations = kMinKdfIterations;
    auto file = SealTableFile(bytes, kAccountTableAccessPassword, params);
    Check(file.has_value());
    fs.files[kPath] = *file;
  } else {
    fs.files[kPath] = bytes;
  }
  const std::string before = fs.files[kPath];

  int logs = 0;
  int32_t next = 0;
  AccountStore store;
  store.table_path = kPath;
  store.fs = &fs;
  store.log = [&](std::string_view) { ++logs; };
  store.draw = [&](int32_t lo, int32_t hi) { return lo + (next++ % (hi - lo + 1)); };

  size_t count = 0;
  // A sealed payload may bring any field list; AddAccount fills fields by position, so the
  // new record's PID is found again only when "PID" is the first field.
  bool pid_first = false;
  {
    TableContainer table(fs);
    if (table.Open(kPath, kAccountTableAccessPassword)) {
      count = table.RecordCount();
      for (table.GoToFirst(); !table.Eof(); table.Skip(1)) {
        for (const FieldSpec& f : table.Fields()) (void)table.ReadField(f.name);
      }
      pid_first = !table.Fields().empty() && table.Fields().front().name == "PID";
      Check(table.GoToLast());
    }
  }

  size_t listed = 0;
  const TableOutcome listing = ForEachAccount(store, [&](int, const AccountRecord& r) {
    ++listed;
    (void)r.password.size();
  });
  const FoundAccount found = FindAccountByPid(store, "12345");
  const NewPid fresh = NewAccountPid(store);
  const Text& pid = fresh.pid;
  TableContainer probe(fs);
  const bool opens = OpenAccountTable(store, probe);
  probe.Close();
  // Every operation says the same about the table, and none of them succeeds on one that
  // does not open.
  Check(opens == (listing == TableOutcome::kOpened));
  Check(opens == (found.outcome == TableOutcome::kOpened));
  Check(opens == (fresh.outcome == TableOutcome::kOpened));

  if (!opens) {
    Check(listed == 0);
    Check(AddAccount(store, "12345", "n", "u", "p") == TableOutcome::kCannotOpen);
    Check(DeleteAccountByPid(store, "12345").count == 0);
    Check(logs == 0);
    Check(fs.files.size() == 1 && fs.files[kPath] == before);
    return 0;
  }

  Check(listed == count);
  Check(pid.size() == 5);
  const bool added = AddAccount(store, pid, "name", "user", "password") == TableOutcome::kOpened;
  Check(OpenAccountTable(store, probe));
  Check(probe.RecordCount() == count + (added ? 1 : 0));
  probe.Close();
  if (added) Check(DeleteAccountByPid(store, pid).count >= (pid_first ? 1 : 0));
  Check(OpenAccountTable(store, probe));
  return 0;
}
