#include <windows.h>

#include "app/state.h"

namespace quorrel {

void ReleaseProcessState() {
  ProcessState& s = State();
  for (auto* set : {&s.MenuPicturesNormal, &s.MenuPicturesActive})
    for (void*& picture : *set) {
      if (picture) DeleteObject(static_cast<HGDIOBJ>(picture));
      picture = nullptr;
    }
  s = ProcessState{};  // SecretText members wipe themselves
}

}  // namespace quorrel
