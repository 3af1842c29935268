// The ".Pw" association in the real registry: the values set, their removal, keys of other
// programs left alone, and the user's own classes where HKEY_CLASSES_ROOT refuses writes.
#include <windows.h>

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "base/encoding_win.h"
#include "exchange/file_association_win.h"

using namespace quorrel;

namespace {

constexpr char kUserClasses[] = "Software\\Classes\\";

struct Value {
  DWORD type;
  std::string data;
  bool operator==(const Value&) const = default;
};

std::optional<Value> Read(HKEY root, const std::string& key, const char* name = "") {
  HKEY k;
  if (RegOpenKeyExA(root, key.c_str(), 0, KEY_QUERY_VALUE, &k) != ERROR_SUCCESS) return std::nullopt;
  DWORD type = 0, size = 0;
  std::optional<Value> out;
  if (RegQueryValueExA(k, name, nullptr, &type, nullptr, &size) == ERROR_SUCCESS) {
    std::string data(size, '\0');
    RegQueryValueExA(k, name, nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &size);
    if (type == REG_SZ && !data.empty() && data.back() == '\0') data.pop_back();
    out = Value{type, data};
  }
  RegCloseKey(k);
  return out;
}

bool Exists(HKEY root, const std::string& key) {
  HKEY k;
  if (RegOpenKeyExA(root, key.c_str(), 0, KEY_READ, &k) != ERROR_SUCCESS) return false;
  RegCloseKey(k);
  return true;
}

// Number of values and of subkeys of a key.
std::pair<DWORD, DWORD> Counts(HKEY root, const std::string& key) {
  HKEY k;
  if (RegOpenKeyExA(root, key.c_str(), 0, KEY_READ, &k) != ERROR_SUCCESS) return {~0u, ~0u};
  DWORD subkeys = 0, values = 0;
  RegQueryInfoKeyA(k, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values, nullptr, nullptr, nullptr,
                   nullptr);
  RegCloseKey(k);
  return {values, subkeys};
}

void SetDefault(HKEY root, const std::string& key, const std::string& data) {
  HKEY k;
  ASSERT_EQ(RegCreateKeyA(root, key.c_str(), &k), ERROR_SUCCESS);
  RegSetValueExA(k, "", 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()), static_cast<DWORD>(data.size() + 1));
  RegCloseKey(k);
}

Value Sz(const std::string& s) { return {REG_SZ, s}; }

std::string Description() { return Utf8ToAnsi(kPwTypeDescription); }

// Refuses every change under HKEY_CLASSES_ROOT, as Windows does for a user without
// elevation; everything else goes to the real registry.
class ClassesRootRefused final : public RegistryLayer {
 public:
  bool WriteText(HKEY root, const Text& path, const Text& data) override {
    return Allowed(root) && SystemRegistry().WriteText(root, path, data);
  }
  bool WriteDword(HKEY root, const Text& path, uint32_t data) override {
    return Allowed(root) && SystemRegistry().WriteDword(root, path, data);
  }
  std::optional<Text> ReadText(HKEY root, const Text& path) override { return SystemRegistry().ReadText(root, path); }
  bool Delete(HKEY root, const Text& path) override { return Allowed(root) && SystemRegistry().Delete(root, path); }
  int refused = 0;

 private:
  bool Allowed(HKEY root) {
    if (root != HKEY_CLASSES_ROOT) return true;
    ++refused;
    return false;
  }
};

class FileAssociation : public ::testing::Test {
 protected:
  void SetUp() override { Clean(); }
  void TearDown() override { Clean(); }
  void Clean() {
    for (const char* key : {"Pw", ".Pw", "Other.Pw.File"}) {
      RegDeleteTreeA(HKEY_CLASSES_ROOT, key);
      RegDeleteTreeA(HKEY_CURRENT_USER, (std::string(kUserClasses) + key).c_str());
    }
  }

  // The association's state under root + prefix: the five values and the empty parents.
  void ExpectSet(HKEY root, const std::string& prefix, const std::string& program) {
    EXPECT_EQ(Read(root, prefix + "Pw"), Sz(Description()));
    EXPECT_EQ(Read(root, prefix + "Pw", "EditFlags"), (Value{REG_DWORD, std::string("\x02\0\0\0", 4)}));
    EXPECT_EQ(Read(root, prefix + "Pw\\Shell\\Open\\Command"), Sz("\"" + program + "\" \"%1\""));
    EXPECT_EQ(Read(root, prefix + "Pw\\DefaultIcon"), Sz(program + ",0"));
    EXPECT_EQ(Read(root, prefix + ".Pw"), Sz("Pw"));
    EXPECT_EQ(Counts(root, prefix + "Pw"), std::make_pair(2ul, 2ul));
    EXPECT_EQ(Counts(root, prefix + "Pw\\Shell"), std::make_pair(0ul, 1ul));
    EXPECT_EQ(Counts(root, prefix + "Pw\\Shell\\Open"), std::make_pair(0ul, 1ul));
    EXPECT_EQ(Counts(root, prefix + "Pw\\Shell\\Open\\Command"), std::make_pair(1ul, 0ul));
    EXPECT_EQ(Counts(root, prefix + "Pw\\DefaultIcon"), std::make_pair(1ul, 0ul));
    EXPECT_EQ(Counts(root, prefix + ".Pw"), std::make_pair(1ul, 0ul));
  }
  void ExpectRemoved(HKEY root, const std::string& prefix) {
    for (const char* key : {"Pw\\DefaultIcon", "Pw\\Shell\\Open\\Command", "Pw\\Shell\\Open", "Pw\\Shell", "Pw"})
      EXPECT_FALSE(Exists(root, prefix + key)) << prefix << key;
    EXPECT_EQ(Read(root, prefix + ".Pw"), Sz(""));
  }

  void Set(const std::string& program) { UpdateFileAssociation(program, kPwExtensionList, program, Description(), ""); }
  void Remove() { UpdateFileAssociation("  ", kPwExtensionList, "", "", ""); }
};

}  // namespace

TEST_F(FileAssociation, SetGivesTheFiveValuesAgainTheSameAMovedProgramItsNewPathAndRemovalTheEmptyDefault) {
  const std::string program = "C:\\Program Files\\Quorrel Test\\Quorrel.exe";  // spaces: quoted
  Set(program);
  ExpectSet(HKEY_CLASSES_ROOT, "", program);
  Set(program);
  ExpectSet(HKEY_CLASSES_ROOT, "", program);
  const std::string moved = "D:\\\xD0\xC2\\Quorrel.exe";  // a GBK folder name
  UpdateFileAssociation(moved, kPwExtensionList, "", Description(), "");  // the icon follows the program
  ExpectSet(HKEY_CLASSES_ROOT, "", moved);

  Remove();
  ExpectRemoved(HKEY_CLASSES_ROOT, "");
  Remove();  // nothing of ours left: the empty default stays, nothing else happens
  ExpectRemoved(HKEY_CLASSES_ROOT, "");
}

TEST_F(FileAssociation, RemovalLeavesKeysItDidNotWriteAlone) {
  // ".Pw" taken over by another program: its type keeps every key, and ours (written
  // before) stay too, since ".Pw" no longer names them.
  Set("C:\\Q\\Quorrel.exe");
  SetDefault(HKEY_CLASSES_ROOT, ".Pw", "Other.Pw.File");
  SetDefault(HKEY_CLASSES_ROOT, "Other.Pw.File\\Shell\\Open\\Command", "other.exe \"%1\"");
  SetDefault(HKEY_CLASSES_ROOT, "Other.Pw.File\\DefaultIcon", "other.exe,0");
  Remove();
  EXPECT_EQ(Read(HKEY_CLASSES_ROOT, "Other.Pw.File\\Shell\\Open\\Command"), Sz("other.exe \"%1\""));
  EXPECT_EQ(Read(HKEY_CLASSES_ROOT, "Other.Pw.File\\DefaultIcon"), Sz("other.exe,0"));
  EXPECT_TRUE(Exists(HKEY_CLASSES_ROOT, "Pw\\Shell\\Open\\Command"));
  EXPECT_EQ(Read(HKEY_CLASSES_ROOT, ".Pw"), Sz(""));

  // ".Pw" empty or missing: the deletes would name keys at the top of HKEY_CLASSES_ROOT.
  std::vector<std::string> made;
  for (const char* top : {"DefaultIcon", "Shell\\Open\\Command"}) {
    const std::string first = std::string(top).substr(0, std::string(top).find('\\'));
    if (Exists(HKEY_CLASSES_ROOT, first)) continue;  // never touch what the system has
    SetDefault(HKEY_CLASSES_ROOT, top, "sentinel");
    made.push_back(first);
  }
  ASSERT_FALSE(made.empty());
  for (bool missing : {false, true}) {
    if (missing) {
      RegDeleteTreeA(HKEY_CLASSES_ROOT, ".Pw");
    } else {
      SetDefault(HKEY_CLASSES_ROOT, ".Pw", "");
    }
    Remove();
    EXPECT_EQ(Read(HKEY_CLASSES_ROOT, ".Pw"), Sz("")) << missing;
    for (const std::string& top : made) EXPECT_TRUE(Exists(HKEY_CLASSES_ROOT, top)) << top << " " << missing;
  }
  for (const std::string& top : made) RegDeleteTreeA(HKEY_CLASSES_ROOT, top.c_str());
}

TEST_F(FileAssociation, WhereClassesRootRefusesTheUsersClassesGetTheKeysAndLoseThemAgain) {
  const std::string program = "C:\\Users\\me\\Quorrel\\Quorrel.exe";
  ClassesRootRefused denied;
  UpdateFileAssociation(denied, program, kPwExtensionList, "", Description(), "");
  EXPECT_EQ(denied.refused, 5);
  ExpectSet(HKEY_CURRENT_USER, kUserClasses, program);

  UpdateFileAssociation(denied, "", kPwExtensionList, "", "", "");
  ExpectRemoved(HKEY_CURRENT_USER, kUserClasses);

  // An association in HKEY_CLASSES_ROOT that this user cannot delete: the user's own empty
  // ".Pw" hides it.
  Set(program);
  UpdateFileAssociation(denied, "", kPwExtensionList, "", "", "");
  EXPECT_TRUE(Exists(HKEY_CLASSES_ROOT, "Pw\\Shell\\Open\\Command"));
  EXPECT_EQ(Read(HKEY_CURRENT_USER, std::string(kUserClasses) + ".Pw"), Sz(""));
  EXPECT_FALSE(Exists(HKEY_CURRENT_USER, std::string(kUserClasses) + "Pw"));

  // Removal with the real registry clears both places.
  UpdateFileAssociation(denied, program, kPwExtensionList, "", Description(), "");
  Remove();
  ExpectRemoved(HKEY_CURRENT_USER, kUserClasses);
  ExpectRemoved(HKEY_CLASSES_ROOT, "");
}
