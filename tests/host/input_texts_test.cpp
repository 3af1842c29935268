// The notes that are put together from parts: a key without a name (5 of the number pad)
// must not leave a sentence with a hole, and each note keeps its number and its next step.
#include "input/input_texts.h"

#include <gtest/gtest.h>

using namespace quorrel;

TEST(InputTexts, NotesWithAnUnnamedKeyOrACountStayWholeSentences) {
  // The note, what it must say, and a hole left by an empty name or a step that does not work.
  const std::tuple<std::string, const char*, const char*> cases[] = {
      {input_texts::RemoteNeedsHotkey(3, ""), "第 3 个字符", "到，"},
      {input_texts::RemoteNeedsHotkey(3, "A键"), " A键", "到A键"},  // a space before Latin letters
      {input_texts::RemoteNeedsHotkey(3, "A键"), "退出", "下次启动"},  // a second start only comes forward
      {input_texts::ChooseAnotherKey(), "退出", "下次启动"},
      {input_texts::HotkeysSaved("F6键", ""), "F6键", "是 。"},
      {input_texts::HotkeysSaved("F6键", "F7键"), "退出", "下次启动"},
      {input_texts::Cut(0, false), "再按一次", "Shift"},
      {input_texts::Cut(7, true), "前 7 个字符", "请按一下 Shift 键。"},
  };
  for (const auto& [text, part, never] : cases)
    EXPECT_TRUE(text.find(part) != std::string::npos && text.find(never) == std::string::npos) << text;
}
