#include "exchange/file_association_win.h"

#include <shlobj.h>

#include <utility>
#include <vector>

#include "base/handles_win.h"
#include "base/report.h"

namespace quorrel {
namespace {

// Where a user without the rights to write HKEY_CLASSES_ROOT keeps the same keys.
constexpr char kUserClasses[] = "Software\\Classes\\";

// Key and value name of a path: split at its last backslash (walking by character, so that
// the trail byte 0x5C of a double-byte character is not taken for one).
std::pair<Text, Text> SplitPath(const Text& path) {
  size_t last = Text::npos;
  for (size_t i = 0; i < path.size(); ++i) {
    if (path[i] == '\\') {
      last = i;
    } else if (IsLeadByte(static_cast<unsigned char>(path[i]))) {
      ++i;
    }
  }
  if (last == Text::npos) return {Text(), path};
  return {path.substr(0, last), path.substr(last + 1)};
}

class Win32Registry final : public RegistryLayer {
 public:
  bool WriteText(HKEY root, const Text& path, const Text& data) override {
    return Write(root, path, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                 static_cast<DWORD>(data.size() + 1));
  }
  bool WriteDword(HKEY root, const Text& path, uint32_t data) override {
    const DWORD value = data;
    return Write(root, path, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
  }
  std::optional<Text> ReadText(HKEY root, const Text& path) override {
    auto [key, name] = SplitPath(path);
    UniqueHkey k;
    if (RegOpenKeyExA(root, key.c_str(), 0, KEY_QUERY_VALUE, k.put()) != ERROR_SUCCESS) return std::nullopt;
    DWORD type = 0, size = 0;
    if (RegQueryValueExA(k.get(), name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ))
      return std::nullopt;
    Text value(size, '\0');
    if (size > 0 && RegQueryValueExA(k.get(), name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(value.data()),
                                     &size) != ERROR_SUCCESS)
      return std::nullopt;
    value.resize(std::min<size_t>(size, value.size()));
    while (!value.empty() && value.back() == '\0') value.pop_back();
    if (type != REG_EXPAND_SZ) return value;
    DWORD need = ExpandEnvironmentStringsA(value.c_str(), nullptr, 0);
    if (ReportIf(need == 0)) return value;
    Text expanded(need, '\0');
    need = ExpandEnvironmentStringsA(value.c_str(), expanded.data(), need);
    expanded.resize(need > 0 ? need - 1 : 0);
    return expanded;
  }
  bool Delete(HKEY root, const Text& path) override {
    auto [key, name] = SplitPath(path);
    UniqueHkey k;
    if (RegOpenKeyExA(root, key.c_str(), 0, KEY_SET_VALUE, k.put()) == ERROR_SUCCESS &&
        RegDeleteValueA(k.get(), name.c_str()) == ERROR_SUCCESS)
      return true;
    return RegDeleteKeyA(root, path.c_str()) == ERROR_SUCCESS;
  }

 private:
  static bool Write(HKEY root, const Text& path, DWORD type, const BYTE* data, DWORD size) {
    auto [key, name] = SplitPath(path);
    UniqueHkey k;
    if (RegOpenKeyExA(root, key.c_str(), 0, KEY_SET_VALUE, k.put()) != ERROR_SUCCESS &&
        RegCreateKeyA(root, key.c_str(), k.put()) != ERROR_SUCCESS)
      return false;
    return RegSetValueExA(k.get(), name.c_str(), 0, type, data, size) == ERROR_SUCCESS;
  }
};

std::string_view TrimSpaces(std::string_view s) {
  while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
  while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
  return s;
}

std::vector<Text> Extensions(std::string_view list) {
  std::vector<Text> out;
  for (Text& e : SplitText(list, "|"))
    if (!e.empty()) out.push_back(std::move(e));  // "." alone would be a key of its own
  return out;
}

// Key names are compared without regard to ASCII case, as the registry does.
bool SameKeyName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

// A write under HKEY_CLASSES_ROOT, or under the user's classes where that is refused.
void WriteText(RegistryLayer& r, const Text& path, const Text& data) {
  if (!r.WriteText(HKEY_CLASSES_ROOT, path, data)) ReportIf(!r.WriteText(HKEY_CURRENT_USER, kUserClasses + path, data));
}

void WriteDword(RegistryLayer& r, const Text& path, uint32_t data) {
  if (!r.WriteDword(HKEY_CLASSES_ROOT, path, data)) ReportIf(!r.WriteDword(HKEY_CURRENT_USER, kUserClasses + path, data));
}

// Children before parents: a key is deleted only once it has no subkeys.
void DeleteType(RegistryLayer& r, HKEY root, const Text& type) {
  for (const char* sub : {"\\DefaultIcon", "\\Shell\\Open\\Command", "\\Shell\\Open", "\\Shell", ""})
    r.Delete(root, type + sub);
}

void Set(RegistryLayer& r, const Text& program, std::string_view extensionList, std::string_view iconPath,
         std::string_view description, std::string_view typeName) {
  const Text icon(iconPath.empty() ? std::string_view(program) : iconPath);
  const Text type(typeName.empty() ? extensionList : typeName);
  WriteText(r, type + "\\", Text(description));
  WriteDword(r, type + "\\EditFlags", 2);
  WriteText(r, type + "\\Shell\\Open\\Command\\", "\"" + program + "\" \"%1\"");
  WriteText(r, type + "\\DefaultIcon\\", icon + ",0");
  for (const Text& ext : Extensions(extensionList)) WriteText(r, "." + ext + "\\", type);
}

void Remove(RegistryLayer& r, std::string_view extensionList, std::string_view typeName) {
  const Text ours(typeName.empty() ? extensionList : typeName);
  for (const Text& ext : Extensions(extensionList)) {
    const Text path = "." + ext + "\\";
    const Text userPath = kUserClasses + path;
    // Both read before anything changes: the system view may show the user's value.
    const std::optional<Text> user = r.ReadText(HKEY_CURRENT_USER, userPath);
    const std::optional<Text> system = r.ReadText(HKEY_CLASSES_ROOT, path);
    const bool userOurs = user && !ours.empty() && SameKeyName(*user, ours);
    const bool systemOurs = system && !ours.empty() && SameKeyName(*system, ours);
    if (userOurs) DeleteType(r, HKEY_CURRENT_USER, kUserClasses + *user);
    if (systemOurs) DeleteType(r, HKEY_CLASSES_ROOT, *system);
    // The extension keys stay, with an empty default value.
    if (user) ReportIf(!r.WriteText(HKEY_CURRENT_USER, userPath, ""));
    if (!r.WriteText(HKEY_CLASSES_ROOT, path, "") && systemOurs && !user)
      ReportIf(!r.WriteText(HKEY_CURRENT_USER, userPath, ""));
  }
}

}  // namespace

RegistryLayer& SystemRegistry() {
  static Win32Registry registry;
  return registry;
}

void UpdateFileAssociation(RegistryLayer& registry, std::string_view programPath, std::string_view extensionList,
                           std::string_view iconPath, std::string_view typeDescription, std::string_view typeName) {
  if (TrimSpaces(programPath).empty()) {
    Remove(registry, extensionList, typeName);
  } else {
    Set(registry, Text(programPath), extensionList, iconPath, typeDescription, typeName);
  }
  SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_IDLIST, nullptr, nullptr);
}

void UpdateFileAssociation(std::string_view programPath, std::string_view extensionList, std::string_view iconPath,
                           std::string_view typeDescription, std::string_view typeName) {
  UpdateFileAssociation(SystemRegistry(), programPath, extensionList, iconPath, typeDescription, typeName);
}

}  // namespace quorrel
