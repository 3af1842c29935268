#include "store/table_container.h"

#include <gcrypt.h>

#include <algorithm>
#include <cstring>
#include <new>

#include "base/crypto_lib.h"
#include "base/milestones.h"

namespace quorrel {

namespace {

constexpr unsigned char kMagic[8] = {'Q', 'R', 'L', 'T', 'B', 'L', 0x1A, 0x00};
constexpr uint16_t kFormatVersion = 1;
constexpr uint8_t kCipherAes256Gcm = 1;
constexpr uint8_t kKdfPbkdf2Sha256 = 1;
constexpr size_t kSaltBytes = 16;
constexpr size_t kNonceBytes = 12;
constexpr size_t kTagBytes = 16;
constexpr size_t kHeaderBytes = 48;
constexpr uint8_t kRecordFlags = 0;

using Key = TableKey;

void PutU16(std::string& out, uint16_t v) {
  out.push_back(static_cast<char>(v & 0xFF));
  out.push_back(static_cast<char>(v >> 8));
}

void PutU32(std::string& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}

uint32_t GetU32(const unsigned char* p) {
  return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
}

uint16_t GetU16(const unsigned char* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }

// Wipes a deciphered table's bytes, not the room kept for appends (never written; a big
// table's spare room would double the cost of every operation).
void WipeFast(std::string& s) {
  SecureWipe(s.data(), s.size());
  s.clear();
}

// Room for appends without moving the table (a move leaves a copy to wipe).
constexpr size_t kAppendSlack = 16384;

// Appends without leaving copies of the deciphered table in released memory.
void AppendSecret(std::string& s, std::string_view bytes) {
  if (s.size() + bytes.size() > s.capacity()) {
    std::string bigger;
    bigger.reserve(std::max(s.capacity() * 2, s.size() + bytes.size()));
    bigger.append(s);
    WipeFast(s);
    s = std::move(bigger);
  }
  s.append(bytes);
}

void TruncateSecret(std::string& s, size_t size) {
  if (size < s.size()) SecureWipe(s.data() + size, s.size() - size);
  s.resize(size);
}

// --- key derivation with an in-process cache ----------------------------------------------

struct CachedKey {
  SecretText password;
  std::string salt;
  uint32_t iterations = 0;
  Key key{};
};

constexpr size_t kKeyCacheSize = 4;

std::vector<CachedKey>& KeyCache() {
  static std::vector<CachedKey> cache;
  return cache;
}

size_t& DerivationCounter() {
  static size_t count = 0;
  return count;
}

bool DeriveKey(std::string_view password, const std::string& salt, uint32_t iterations,
               Key& key) {
  auto& cache = KeyCache();
  for (const CachedKey& c : cache) {
    if (c.iterations == iterations && c.salt == salt && c.password.str() == password) {
      key = c.key;
      return true;
    }
  }
  if (!InitCryptoLibrary()) return false;
  // gcrypt wants a non-null pointer even for the empty password.
  static const char kNothing = 0;
  const char* pw = password.empty() ? &kNothing : password.data();
  if (gcry_kdf_derive(pw, password.size(), GCRY_KDF_PBKDF2, GCRY_MD_SHA256, salt.data(),
                      salt.size(), iterations, key.size(), key.data()) != 0) {
    return false;
  }
  ++DerivationCounter();
  if (cache.size() >= kKeyCacheSize) cache.erase(cache.begin());
  CachedKey& entry = cache.emplace_back();
  entry.password.assign(password);
  entry.salt = salt;
  entry.iterations = iterations;
  entry.key = key;
  return true;
}

// --- sealing --------------------------------------------------------------------------------

std::string Header(const std::string& salt, uint32_t iterations, const unsigned char* nonce,
                   uint32_t payload_size) {
  std::string h(reinterpret_cast<const char*>(kMagic), sizeof kMagic);
  PutU16(h, kFormatVersion);
  h.push_back(static_cast<char>(kCipherAes256Gcm));
  h.push_back(static_cast<char>(kKdfPbkdf2Sha256));
  PutU32(h, iterations);
  h.append(salt);
  h.append(reinterpret_cast<const char*>(nonce), kNonceBytes);
  PutU32(h, payload_size);
  return h;
}

class Gcm {
 public:
  Gcm(const Key& key, const unsigned char* nonce, std::string_view header) {
    ok_ = InitCryptoLibrary() &&
          gcry_cipher_open(&hd_, GCRY_CIPHER_AES256, GCRY_CIPHER_MODE_GCM, 0) == 0;
    if (!ok_) {
      hd_ = nullptr;
      return;
    }
    ok_ = gcry_cipher_setkey(hd_, key.data(), key.size()) == 0 &&
          gcry_cipher_setiv(hd_, nonce, kNonceBytes) == 0 &&
          gcry_cipher_authenticate(hd_, header.data(), header.size()) == 0;
  }
  ~Gcm() {
    if (hd_) gcry_cipher_close(hd_);
  }
  Gcm(const Gcm&) = delete;
  Gcm& operator=(const Gcm&) = delete;
  bool ok() const { return ok_; }
  gcry_cipher_hd_t handle() const { return hd_; }

 private:
  gcry_cipher_hd_t hd_ = nullptr;
  bool ok_ = false;
};

std::optional<std::string> SealWithKey(std::string_view payload, const Key& key,
                                       const std::string& salt, uint32_t iterations) {
  if (salt.size() != kSaltBytes || payload.size() > UINT32_MAX - kHeaderBytes - kTagBytes ||
      !InitCryptoLibrary()) {
    return std::nullopt;
  }
  unsigned char nonce[kNonceBytes];
  gcry_create_nonce(nonce, sizeof nonce);
  std::string file = Header(salt, iterations, nonce, static_cast<uint32_t>(payload.size()));
  Gcm gcm(key, nonce, file);
  if (!gcm.ok()) return std::nullopt;
  file.resize(kHeaderBytes + payload.size() + kTagBytes);
  unsigned char* out = reinterpret_cast<unsigned char*>(file.data());
  if (!payload.empty() && gcry_cipher_encrypt(gcm.handle(), out + kHeaderBytes, payload.size(),
                                              payload.data(), payload.size()) != 0) {
    return std::nullopt;
  }
  if (gcry_cipher_gettag(gcm.handle(), out + kHeaderBytes + payload.size(), kTagBytes) != 0) {
    return std::nullopt;
  }
  return file;
}

// --- payload ----------------------------------------------------------------------------------

bool ValidFields(const std::vector<FieldSpec>& fields) {
  if (fields.empty() || fields.size() > kMaxTableFields) return false;
  for (size_t i = 0; i < fields.size(); ++i) {
    const Text& name = fields[i].name;
    if (name.empty() || name.size() > kMaxFieldNameBytes || fields[i].type != FieldType::kText) {
      return false;
    }
    for (size_t j = 0; j < i; ++j) {
      if (fields[j].name == name) return false;
    }
  }
  return true;
}

}  // namespace

// --- format functions ---------------------------------------------------------------------

TableKeyParams NewTableKeyParams() {
  TableKeyParams params;
  params.salt.resize(kSaltBytes);
  if (InitCryptoLibrary()) gcry_randomize(params.salt.data(), kSaltBytes, GCRY_STRONG_RANDOM);
  return params;
}

std::optional<std::string> SealTableFile(std::string_view payload, std::string_view password,
                                         const TableKeyParams& params) {
  if (params.salt.size() != kSaltBytes || params.iterations < kMinKdfIterations ||
      params.iterations > kMaxKdfIterations) {
    return std::nullopt;
  }
  Key key{};
  if (!DeriveKey(password, params.salt, params.iterations, key)) return std::nullopt;
  return SealWithKey(payload, key, params.salt, params.iterations);
}

std::optional<SecretText> UnsealTableFile(std::string_view file, std::string_view password,
                                          TableKeyParams* params) {
  if (file.size() < kHeaderBytes + kTagBytes) return std::nullopt;
  const auto* p = reinterpret_cast<const unsigned char*>(file.data());
  if (std::memcmp(p, kMagic, sizeof kMagic) != 0) return std::nullopt;
  if (GetU16(p + 8) != kFormatVersion || p[10] != kCipherAes256Gcm || p[11] != kKdfPbkdf2Sha256) {
    return std::nullopt;
  }
  const uint32_t iterations = GetU32(p + 12);
  if (iterations < kMinKdfIterations || iterations > kMaxKdfIterations) return std::nullopt;
  const uint32_t size = GetU32(p + 44);
  if (size != file.size() - kHeaderBytes - kTagBytes) return std::nullopt;

  std::string salt(file.substr(16, kSaltBytes));
  Key key{};
  if (!DeriveKey(password, salt, iterations, key)) return std::nullopt;
  Milestone("key derived");
  Gcm gcm(key, p + 32, file.substr(0, kHeaderBytes));
  if (!gcm.ok()) return std::nullopt;

  SecretText plain;
  plain.str().reserve(size + kAppendSlack);
  plain.str().resize(size);
  if (size > 0 && gcry_cipher_decrypt(gcm.handle(), plain.str().data(), size, p + kHeaderBytes,
                                      size) != 0) {
    return std::nullopt;
  }
  if (gcry_cipher_checktag(gcm.handle(), p + kHeaderBytes + size, kTagBytes) != 0) {
    WipeFast(plain.str());
    return std::nullopt;
  }
  Milestone("table deciphered");
  if (params) {
    params->salt = std::move(salt);
    params->iterations = iterations;
  }
  return plain;
}

std::optional<std::string> EmptyTablePayload(const std::vector<FieldSpec>& fields) {
  if (!ValidFields(fields)) return std::nullopt;
  std::string out;
  PutU16(out, static_cast<uint16_t>(fields.size()));
  for (const FieldSpec& f : fields) {
    out.push_back(static_cast<char>(f.type));
    PutU32(out, f.max_length);
    out.push_back(static_cast<char>(f.name.size()));
    out.append(f.name);
  }
  return out;
}

size_t DerivedKeyCount() { return DerivationCounter(); }

void ClearTableKeyCache() {
  KeyCache().clear();  // each entry wipes its key and password as it goes
}

// --- the container ------------------------------------------------------------------------

TableContainer::TableContainer(TableFileSystem& fs) : fs_(fs) {}

TableContainer::~TableContainer() { Close(); }

bool TableContainer::Failed(ContainerFailure why) {
  failure_ = why;
  return false;
}

bool TableContainer::FailedWrite() {
  switch (fs_.LastFailure()) {
    case FileFailure::kBusy: return Failed(ContainerFailure::kBusy);
    case FileFailure::kDiskFull: return Failed(ContainerFailure::kDiskFull);
    default: return Failed(ContainerFailure::kOther);
  }
}

size_t TableContainer::RoomLeft() const {
  const size_t room = kMaxTableFileBytes - kHeaderBytes - kTagBytes;
  return open_ && payload_.str().size() < room ? room - payload_.str().size() : 0;
}

bool TableContainer::Create(const Text& path, const std::vector<FieldSpec>& fields,
                            std::string_view password) {
  Close();
  failure_ = ContainerFailure::kNone;
  if (fs_.Probe(path) != PathState::kAbsent) return Failed(ContainerFailure::kOther);
  auto payload = EmptyTablePayload(fields);
  if (!payload) return Failed(ContainerFailure::kOther);
  TableKeyParams params = NewTableKeyParams();
  auto file = SealTableFile(*payload, password, params);
  if (!file) return Failed(ContainerFailure::kOther);
  return fs_.WriteNew(path, *file) || FailedWrite();
}

bool TableContainer::Open(const Text& path, std::string_view password) {
  Close();
  failure_ = ContainerFailure::kNone;
  try {
    auto file = fs_.ReadFile(path);
    if (!file) return Failed(fs_.LastFailure() == FileFailure::kBusy ? ContainerFailure::kBusy : ContainerFailure::kUnreadable);
    if (file->size() > kMaxTableFileBytes) return Failed(ContainerFailure::kUnreadable);
    Milestone("table read");
    TableKeyParams params;
    auto plain = UnsealTableFile(*file, password, &params);
    // The next write seals with today's rounds (under the same salt): a table of an earlier
    // version gets quick to open at its first change.
    params.iterations = kDefaultKdfIterations;
    if (!plain || !DeriveKey(password, params.salt, params.iterations, key_)) {
      Forget();
      return Failed(ContainerFailure::kUnreadable);
    }
    if (!LoadPayload(std::move(*plain))) {
      Forget();
      return Failed(ContainerFailure::kUnreadable);
    }
    Milestone("records parsed");
    path_ = path;
    salt_ = std::move(params.salt);
    iterations_ = params.iterations;
  } catch (const std::bad_alloc&) {
    // A table that does not fit in memory does not open; it must not end the program.
    Forget();
    return Failed(ContainerFailure::kUnreadable);
  }
  open_ = true;
  current_ = 0;
  return true;
}

bool TableContainer::LoadPayload(SecretText payload) {
  payload_ = std::move(payload);
  const std::string& s = payload_.str();
  const auto* p = reinterpret_cast<const unsigned char*>(s.data());
  const size_t n = s.size();
  size_t at = 0;
  auto has = [&](size_t bytes) { return n - at >= bytes; };

  if (!has(2)) return false;
  const size_t field_count = GetU16(p);
  at = 2;
  std::vector<FieldSpec> fields;
  for (size_t i = 0; i < field_count; ++i) {
    if (!has(6)) return false;
    FieldSpec f;
    if (p[at] != static_cast<uint8_t>(FieldType::kText)) return false;
    f.max_length = GetU32(p + at + 1);
    const size_t name_size = p[at + 5];
    at += 6;
    if (!has(name_size)) return false;
    f.name.assign(s, at, name_size);
    at += name_size;
    fields.push_back(std::move(f));
  }
  if (!ValidFields(fields)) return false;

  records_.clear();
  spans_.clear();
  while (at < n) {
    if (p[at] != kRecordFlags) return false;
    records_.push_back(static_cast<uint32_t>(at));
    ++at;
    for (size_t i = 0; i < field_count; ++i) {
      if (!has(4)) return false;
      const uint32_t size = GetU32(p + at);
      at += 4;
      if (size > kMaxStoredTextBytes || !has(size)) return false;
      spans_.push_back({static_cast<uint32_t>(at), size});
      at += size;
    }
  }
  deleted_.assign(records_.size(), false);
  fields_ = std::move(fields);
  return true;
}

bool TableContainer::WritePayload(const TableKey& key,
                                  const std::string& salt, uint32_t iterations) {
  // A file that ReadFile refuses must never be written: the table would not open again.
  if (payload_.str().size() > kMaxTableFileBytes - kHeaderBytes - kTagBytes) return Failed(ContainerFailure::kTooBig);
  try {
    auto file = SealWithKey(payload_.str(), key, salt, iterations);
    if (!file) return Failed(ContainerFailure::kOther);
    return fs_.WriteReplace(path_, *file) || FailedWrite();
  } catch (const std::bad_alloc&) {
    return Failed(ContainerFailure::kOther);
  }
}

bool TableContainer::SetAccessPassword(std::string_view password) {
  failure_ = ContainerFailure::kNone;
  if (!open_) return Failed(ContainerFailure::kOther);
  TableKeyParams params = NewTableKeyParams();
  Key key{};
  if (!DeriveKey(password, params.salt, params.iterations, key)) return Failed(ContainerFailure::kOther);
  if (!WritePayload(key, params.salt, params.iterations)) return false;
  key_ = key;
  salt_ = std::move(params.salt);
  iterations_ = params.iterations;
  return true;
}

void TableContainer::Close() { Forget(); }

void TableContainer::Forget() {
  open_ = false;
  key_.Wipe();
  WipeFast(payload_.str());
  records_.clear();
  spans_.clear();
  deleted_.clear();
  fields_.clear();
  path_.clear();
  salt_.clear();
  iterations_ = 0;
  current_ = 0;
}

size_t TableContainer::RecordCount() const { return open_ ? records_.size() : 0; }

int TableContainer::FieldIndex(std::string_view name) const {
  for (size_t i = 0; i < fields_.size(); ++i) {
    if (fields_[i].name == name) return static_cast<int>(i);
  }
  return -1;
}

std::string_view TableContainer::FieldView(std::string_view name) const {
  if (Eof()) return {};
  const int i = FieldIndex(name);
  if (i < 0) return {};
  const Span span = spans_[current_ * fields_.size() + static_cast<size_t>(i)];
  return std::string_view(payload_.str()).substr(span.offset, span.length);
}

Text TableContainer::ReadField(std::string_view name) const { return Text(FieldView(name)); }

bool TableContainer::IsDeleted() const { return !Eof() && deleted_[current_]; }

void TableContainer::Skip(std::ptrdiff_t n) {
  const auto count = static_cast<std::ptrdiff_t>(RecordCount());
  const std::ptrdiff_t to =
      std::clamp(static_cast<std::ptrdiff_t>(current_) + n, std::ptrdiff_t{0}, count);
  current_ = static_cast<size_t>(to);
}

bool TableContainer::GoToLast() {
  if (!open_) return false;
  current_ = records_.empty() ? 0 : records_.size() - 1;
  return true;
}

bool TableContainer::Append(std::span<const std::string_view> values) {
  if (values.size() != fields_.size()) return Failed(ContainerFailure::kOther);
  return AppendRecords(values);
}

bool TableContainer::Find(const std::function<bool(const TableContainer&)>& predicate) {
  for (; !Eof(); ++current_) {
    if (predicate(*this)) return true;
  }
  return false;
}

void TableContainer::MarkDeleted() {
  if (!Eof()) deleted_[current_] = true;
}

bool TableContainer::Purge() {
  failure_ = ContainerFailure::kNone;
  if (!open_) return Failed(ContainerFailure::kOther);
  const std::string& s = payload_.str();
  const size_t schema_end = records_.empty() ? s.size() : records_.front();
  SecretText kept;
  bool any = false;
  try {
    kept.str().reserve(s.size() + kAppendSlack);
    kept.str().append(s, 0, schema_end);
    for (size_t r = 0; r < records_.size(); ++r) {
      const size_t begin = records_[r];
      const size_t end = r + 1 < records_.size() ? records_[r + 1] : s.size();
      if (deleted_[r]) {
        any = true;
      } else {
        kept.str().append(s, begin, end - begin);
      }
    }
  } catch (const std::bad_alloc&) {
    WipeFast(kept.str());
    return Failed(ContainerFailure::kOther);
  }
  if (!any) {
    WipeFast(kept.str());
    return true;
  }
  std::swap(payload_, kept);
  const bool written = WritePayload(key_, salt_, iterations_);
  if (!written) std::swap(payload_, kept);
  WipeFast(kept.str());
  if (!written) return false;
  // Re-index the smaller payload; it was built from valid records, so this can only fail
  // for want of memory.
  try {
    SecretText moved(std::move(payload_));
    if (LoadPayload(std::move(moved))) {
      current_ = std::min(current_, records_.size());
      return true;
    }
  } catch (const std::bad_alloc&) {
  }
  Forget();
  return Failed(ContainerFailure::kOther);
}

bool TableContainer::AppendAll(std::span<const std::string_view> values) { return AppendRecords(values); }

bool TableContainer::AppendRecords(std::span<const std::string_view> values) {
  failure_ = ContainerFailure::kNone;
  if (!open_ || fields_.empty() || values.size() % fields_.size() != 0) return Failed(ContainerFailure::kOther);
  if (values.empty()) return true;
  const size_t fields = fields_.size();
  const size_t count = values.size() / fields;
  std::string& s = payload_.str();
  const size_t old_size = s.size();
  const size_t old_count = records_.size();
  const size_t room = kMaxTableFileBytes - kHeaderBytes - kTagBytes;
  size_t size = 0;
  for (size_t i = 0; i < values.size(); ++i) {
    if (i % fields == 0) size += 1;
    if (values[i].size() > kMaxStoredTextBytes) return Failed(ContainerFailure::kOther);
    size += 4 + values[i].size();
    if (old_size + size > room) return Failed(ContainerFailure::kTooBig);
  }

  auto undo = [&] {
    TruncateSecret(s, old_size);
    records_.resize(old_count);
    deleted_.resize(old_count);
    spans_.resize(old_count * fields);
  };
  SecretText added;  // built within the capacity reserved for it
  try {
    added.str().reserve(size);
    for (size_t i = 0; i < values.size(); ++i) {
      if (i % fields == 0) added.str().push_back(static_cast<char>(kRecordFlags));
      PutU32(added.str(), static_cast<uint32_t>(values[i].size()));
      added.str().append(values[i]);
    }
    AppendSecret(s, added.str());
    added.clear();
    records_.reserve(old_count + count);
    deleted_.reserve(old_count + count);
    spans_.reserve((old_count + count) * fields);
    size_t at = old_size;
    for (size_t i = 0; i < values.size(); ++i) {
      if (i % fields == 0) {
        records_.push_back(static_cast<uint32_t>(at));
        deleted_.push_back(false);
        ++at;
      }
      at += 4;
      spans_.push_back({static_cast<uint32_t>(at), static_cast<uint32_t>(values[i].size())});
      at += values[i].size();
    }
  } catch (const std::bad_alloc&) {
    undo();
    return Failed(ContainerFailure::kOther);
  }
  if (!WritePayload(key_, salt_, iterations_)) {
    undo();
    return false;
  }
  current_ = records_.size() - 1;
  return true;
}

}  // namespace quorrel
