#include "input/hint_line.h"

#include "input/input_texts.h"

namespace quorrel {
namespace {

// How much of a key's part the line can afford.
enum class Form { kFull, kMarkAlone, kNoKeyWord };
constexpr Form kForms[] = {Form::kFull, Form::kMarkAlone, Form::kNoKeyWord};

std::string Part(const HintKey& key, Form form) {
  const bool taken = key.refusal == Refusal::kTaken;
  if (key.refusal == Refusal::kNone) {
    constexpr std::string_view kKeyWord = "键";
    std::string_view name = key.name;
    if (form == Form::kNoKeyWord && name.size() > kKeyWord.size() && name.ends_with(kKeyWord))
      name.remove_suffix(kKeyWord.size());
    return std::string(name);
  }
  if (form == Form::kFull && !key.name.empty())
    return key.name + (taken ? input_texts::kMarkTaken : input_texts::kMarkUnusable);
  return taken ? input_texts::kShortTaken : input_texts::kShortUnusable;
}

}  // namespace

std::string HintLine(const HintKey& account, const HintKey& password,
                     const std::function<bool(std::string_view)>& fits) {
  std::string line;
  for (Form form : kForms) {
    line = "账号：" + Part(account, form) + "；密码：" + Part(password, form);
    if (fits(line)) break;
  }
  return line;
}

}  // namespace quorrel
