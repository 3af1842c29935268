// Process-wide state, created once before start-up and released at process exit.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "base/text.h"

namespace quorrel {

struct ProcessState {
  std::vector<Text> CommandLineArgs;  // program name excluded
  Text RunDirectory;                  // the executable's folder, no trailing backslash
  Text ExeFileName;                   // e.g. "Quorrel.exe"
  Text AccountTablePath;              // RunDirectory + "\UserData.edb"
  Text ConfigPath;                    // RunDirectory + "\Config.ini"
  int32_t AccountHotkeyCode = 0;      // "UserKey", read once at start
  int32_t PasswordHotkeyCode = 0;     // "PassKey", read once at start
  bool StartedWithFile = false;
  int32_t PinPadMode = 0;             // 1 set mode, 2 verify mode
  SecretText EnteredPin;
  std::array<void*, 99> MenuPicturesNormal{};  // picture handles (HBITMAP), owned
  std::array<void*, 99> MenuPicturesActive{};
  std::vector<SecretText> PendingAccount;      // [0] user name, [1] password
  int32_t PendingAccountKey = 0;
  int32_t PendingPasswordKey = 0;
  Text ImportFilePath;
};

// Valid between InitProcessState and ReleaseProcessState.
ProcessState& State();
void InitProcessState();
void ReleaseProcessState();

// The account that the input window types: the parts of an account line, or user/password.
void SetPendingAccount(std::vector<Text> parts);
// Element i of PendingAccount, or the empty text when the array is shorter.
const Text& PendingAccountPart(size_t i);

}  // namespace quorrel
