// A single-table file protected by an access password: the storage under the account table.
//
// The whole table is loaded at Open into memory (deciphered, wiped again at Close) and every
// change is written back at once through TableFileSystem::WriteReplace, so the file on disk
// always holds a complete table: the one before the change or the one after it.
//
// File layout (little-endian), version 1:
//   0   8  magic "QRLTBL\x1A\0"
//   8   2  format version (1); a reader refuses any other version
//   10  1  cipher: 1 = AES-256-GCM
//   11  1  key derivation: 1 = PBKDF2-HMAC-SHA256
//   12  4  iterations of the key derivation (what the file says is read; every write seals
//          with kDefaultKdfIterations)
//   16 16  salt (new at each SetAccessPassword, kept by ordinary writes)
//   32 12  nonce (new at each write)
//   44  4  length n of the enciphered payload
//   48  n  enciphered payload
//   48+n 16 authentication tag; the 48 header bytes are authenticated as associated data
// Payload: u16 field count F; F times {u8 type (1 = text), u32 maximum length, u8 name length,
// name}; then the records up to the end, each u8 flags (0; other values are refused) and F times
// {u32 length, bytes}.
//
// Changes reach the file only through Append, Purge and SetAccessPassword, each reporting
// whether its write succeeded. Deletion marks live in memory until Purge; Close drops them.
// No file beyond kMaxTableFileBytes is read or written, and running out of memory makes an
// operation fail rather than throw.
//
// Texts longer than a field's maximum length are stored whole and read back whole: cutting
// them would silently change a password. Only texts beyond kMaxStoredTextBytes are refused
// (Append fails); the maximum length of a field is recorded but not enforced.
//
// Not thread-safe, the key cache included: one thread at a time. The program reads the table
// on a thread of its own only at its start, while its main window is made, and the window
// waits for that read before it takes the table itself.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "base/text.h"
#include "store/table_file_system.h"

namespace quorrel {

enum class FieldType : uint8_t { kText = 1 };

struct FieldSpec {
  Text name;
  FieldType type = FieldType::kText;
  uint32_t max_length = 512;
};

// Hard limit of one stored text (a sanity bound, far above the 512 bytes of the fields).
inline constexpr uint32_t kMaxStoredTextBytes = 1u << 20;
inline constexpr size_t kMaxTableFields = 64;
inline constexpr size_t kMaxFieldNameBytes = 64;

// Key derivation. The program's access password is built into every copy of it, so rounds
// protect nothing and only delay every start: tables are sealed with the fewest that every
// version reads (earlier versions wrote 100,000, which are still read). Derived keys are also
// cached in the process.
inline constexpr uint32_t kMinKdfIterations = 1000;
inline constexpr uint32_t kDefaultKdfIterations = kMinKdfIterations;
inline constexpr uint32_t kMaxKdfIterations = 1000000;

// Why the last Create, Open, Append, AppendAll, Purge or SetAccessPassword call failed.
enum class ContainerFailure {
  kNone,
  kUnreadable,  // Open: missing, foreign, damaged or wrongly protected, or it could not be read
  kBusy,        // another program held the file longer than the file layer waited
  kDiskFull,    // no room for the new file
  kTooBig,      // the table would outgrow kMaxTableFileBytes
  kOther,       // any other failed write, memory running out, a wrong call
};

// The key derived from the access password and the salt.
using TableKey = SecretBytes<32>;

class TableContainer {
 public:
  explicit TableContainer(TableFileSystem& fs);
  ~TableContainer();  // closes
  TableContainer(const TableContainer&) = delete;
  TableContainer& operator=(const TableContainer&) = delete;

  // Writes a new empty table protected by password through TableFileSystem::WriteNew.
  // Refuses (false) when anything is, or may be, at path: a table is never overwritten by a
  // create, not even one that appears while it runs. Leaves the container closed.
  bool Create(const Text& path, const std::vector<FieldSpec>& fields, std::string_view password);

  // Loads the table; false for a missing, foreign, damaged or future-version file or a wrong
  // password. The current record is the first.
  bool Open(const Text& path, std::string_view password);

  // Re-protects the open table under password (new salt) and writes it. On false the file
  // and the container keep the old password.
  bool SetAccessPassword(std::string_view password);

  // Forgets the table (wiping the deciphered copy) and any unpurged deletion mark.
  void Close();

  bool IsOpen() const { return open_; }
  ContainerFailure LastFailure() const { return failure_; }
  // Payload bytes an append can still add before the file would outgrow kMaxTableFileBytes;
  // a record costs 1 byte plus 4 bytes and its length per field. 0 when closed.
  size_t RoomLeft() const;
  const std::vector<FieldSpec>& Fields() const { return fields_; }

  size_t RecordCount() const;
  // Current record, 0-based; RecordCount() means past the last record.
  size_t Position() const { return current_; }
  bool Eof() const { return current_ >= RecordCount(); }

  // Field of the current record by name; empty past the end or for an unknown name.
  Text ReadField(std::string_view name) const;
  std::string_view FieldView(std::string_view name) const;  // valid until the next change
  bool IsDeleted() const;

  // Moves by n records, stopping at the first record and at the end.
  void Skip(std::ptrdiff_t n = 1);
  void GoToFirst() { current_ = 0; }
  // The last record becomes current (the end on an empty table); false only when closed.
  bool GoToLast();

  // Appends one record (values in field order), writes the table and makes it current.
  // False when closed, for a wrong number of values, a text beyond kMaxStoredTextBytes, a
  // file that would grow beyond kMaxTableFileBytes or a failed write; the table is then
  // unchanged.
  // The values are read, never copied beyond the table's own buffer.
  bool Append(std::span<const std::string_view> values);
  bool Append(std::initializer_list<std::string_view> values) { return Append(std::span(values.begin(), values.size())); }

  // Scans from the current record; on a match that record stays current and true is returned,
  // otherwise the position is the end.
  bool Find(const std::function<bool(const TableContainer&)>& predicate);

  // Marks the current record deleted; nothing is written until Purge.
  void MarkDeleted();
  // Removes every marked record and writes the table. True when nothing was marked or the
  // write succeeded; on false the records and marks stay as they were.
  bool Purge();

  // Appends every record and writes the table once; the last one becomes current. values
  // holds the records one after another, Fields().size() values each. False, with the table
  // unchanged, when Append would refuse any of them, the file would grow beyond
  // kMaxTableFileBytes, memory runs out or the write fails. No values writes nothing and
  // gives true.
  bool AppendAll(std::span<const std::string_view> values);

 private:
  struct Span {
    uint32_t offset;
    uint32_t length;
  };
  // Append and AppendAll: every record or none, in one write.
  bool AppendRecords(std::span<const std::string_view> values);
  bool LoadPayload(SecretText payload);
  // Records why the call fails; returns false.
  bool Failed(ContainerFailure why);
  // The file layer's reason for its last failure.
  bool FailedWrite();
  bool WritePayload(const TableKey& key, const std::string& salt,
                    uint32_t iterations);
  void Forget();
  int FieldIndex(std::string_view name) const;

  TableFileSystem& fs_;
  bool open_ = false;
  Text path_;
  std::vector<FieldSpec> fields_;
  TableKey key_{};
  std::string salt_;
  uint32_t iterations_ = 0;
  SecretText payload_;            // deciphered payload as stored
  std::vector<uint32_t> records_; // offset of each record's flags byte in payload_
  std::vector<Span> spans_;       // fields_.size() spans per record
  std::vector<bool> deleted_;     // marks, one per record
  size_t current_ = 0;
  ContainerFailure failure_ = ContainerFailure::kNone;
};

// --- the file format, for the container, its tests and the fuzzer -------------------------

struct TableKeyParams {
  std::string salt;  // 16 bytes
  uint32_t iterations = kDefaultKdfIterations;
};

// Fresh random salt with the default iterations.
TableKeyParams NewTableKeyParams();

// Enciphers payload into the bytes of a table file.
std::optional<std::string> SealTableFile(std::string_view payload, std::string_view password,
                                         const TableKeyParams& params);

// Checks and deciphers a table file; nullopt for anything that is not a table sealed under
// password. params receives the salt and iterations found.
std::optional<SecretText> UnsealTableFile(std::string_view file, std::string_view password,
                                          TableKeyParams* params = nullptr);

// Payload of an empty table with these fields; nullopt for an invalid field list (none, more
// than kMaxTableFields, empty, long or repeated names).
std::optional<std::string> EmptyTablePayload(const std::vector<FieldSpec>& fields);

// Number of key derivations run in this process (cache misses); for tests and measurements.
size_t DerivedKeyCount();
// Drops (and wipes) every cached key.
void ClearTableKeyCache();

}  // namespace quorrel
