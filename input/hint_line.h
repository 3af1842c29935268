// The input window's hint line, "账号：F8键；密码：F9键", with a key that does not work marked,
// in a form that fits its label.
#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace quorrel {

// Why a hotkey is not registered.
enum class Refusal {
  kNone,           // it works
  kTaken,          // another program holds the key
  kModifier,       // Shift, Ctrl, Alt or Win: never a hotkey
  kSameAsAccount,  // the password's key is the user name's, which has it
};

struct HintKey {
  std::string name;  // KeyName of the code (UTF-8), empty for a code without one
  Refusal refusal = Refusal::kNone;
};

// The first form of the line that `fits` (UTF-8 in, true when the label shows it on one
// line): the keys' names with a mark after a refused one; then a refused key's name left
// out for its mark alone; then also the "键" after the working keys' names. The last form
// when none fits. Two working keys with names that fit give exactly "账号：" + name + "；密码："
// + name.
std::string HintLine(const HintKey& account, const HintKey& password,
                     const std::function<bool(std::string_view)>& fits);

}  // namespace quorrel
