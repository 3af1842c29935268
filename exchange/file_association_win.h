// The ".Pw" file type in the registry, so that opening an account file starts the program.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string_view>

#include "base/text.h"

namespace quorrel {

// What the settings page passes: the extension list, and the type's description (UTF-8;
// convert it with Utf8ToAnsi, as every text given to UpdateFileAssociation is ANSI).
inline constexpr char kPwExtensionList[] = "Pw";
inline constexpr char kPwTypeDescription[] = "Quorrel 加密数据";

// The registry calls the association makes, behind an interface so that a test can refuse
// some of them. A path is one text: the key, a backslash and the value name; a path ending in
// a backslash names the key's default value. Texts are ANSI code page bytes.
class RegistryLayer {
 public:
  virtual ~RegistryLayer() = default;
  // Open the key for writing or, failing that, create it; then set the value.
  virtual bool WriteText(HKEY root, const Text& path, const Text& data) = 0;
  virtual bool WriteDword(HKEY root, const Text& path, uint32_t data) = 0;
  // The value as text (expandable strings expanded); nothing when the key or the value is
  // missing or not a string.
  virtual std::optional<Text> ReadText(HKEY root, const Text& path) = 0;
  // Deletes the value the path names; when that does not succeed, the key named by the
  // whole path (a key without subkeys, its values with it). True when one of them went.
  virtual bool Delete(HKEY root, const Text& path) = 0;
};

// The real registry (advapi32).
RegistryLayer& SystemRegistry();

// Sets the association to programPath (the program's full path) when it is not empty after
// trimming spaces, removes it otherwise. extensionList: extensions without dots, separated by
// "|"; typeName empty: the extension list is the type name; iconPath empty: the program.
//
// Every key goes under HKEY_CLASSES_ROOT; a write refused there (a user without the rights
// for it) goes to HKEY_CURRENT_USER\Software\Classes instead, which the shell reads first.
// Removal looks in both places and deletes a type's keys only where the extension's default
// value names the type this program writes; an empty, missing or foreign value leaves every
// key alone. It then sets the extension's default value to the empty text. Nothing is
// reported to the user; the shell is told in every case.
void UpdateFileAssociation(std::string_view programPath, std::string_view extensionList, std::string_view iconPath,
                           std::string_view typeDescription, std::string_view typeName);
void UpdateFileAssociation(RegistryLayer& registry, std::string_view programPath, std::string_view extensionList,
                           std::string_view iconPath, std::string_view typeDescription, std::string_view typeName);

}  // namespace quorrel
