// Typing in the account list finds a row (ui/main/account_search.h): the list's characters
// go to the search instead of the list view's own type-ahead, which would ask an owner-data
// list for its first column, the row number.
#include <windows.h>
#include <commctrl.h>

#include "ui/main/main_parts_win.h"

namespace quorrel::mainwin {
namespace {

constexpr UINT_PTR kFindByTypingId = 1;

void SelectFoundRow(HWND list, int row) {
  constexpr UINT kMark = LVIS_SELECTED | LVIS_FOCUSED;
  ListView_SetItemState(list, -1, 0, kMark);
  ListView_SetItemState(list, row, kMark, kMark);
  ListView_SetSelectionMark(list, row);
  ListView_EnsureVisible(list, row, FALSE);
}

void TypedIntoList(ui::Window& w, HWND list, wchar_t ch) {
  MainWindow& s = StateOf(w);
  if (!s.searchMade) {
    s.search.Clear(s.rows.size());
    for (const AccountRow& row : s.rows) s.search.Add(row.name, row.user);
    s.searchMade = true;
  }
  char bytes[8];
  BOOL lossy = FALSE;
  const int size = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, &ch, 1, bytes, sizeof bytes, nullptr, &lossy);
  // A character the code page lacks (half an emoji, Hangul) is in no name.
  const int row = size > 0 && !lossy ? s.typeAhead.Type(s.search, std::string_view(bytes, static_cast<size_t>(size)),
                                                        GetTickCount(), GetDoubleClickTime() * 2,
                                                        ListView_GetNextItem(list, -1, LVNI_SELECTED))
                                     : -1;
  if (row < 0) MessageBeep(MB_OK);  // the selection stays, as in any list
  else SelectFoundRow(list, row);
}

LRESULT CALLBACK FindByTyping(HWND list, UINT message, WPARAM wparam, LPARAM lparam, UINT_PTR, DWORD_PTR main) {
  switch (message) {
    case WM_CHAR:
    case WM_IME_CHAR:  // what the input method commits, one character at a time
      // Control characters (Backspace, Escape, Ctrl with a letter) stay the list view's.
      if (wparam >= 0x20 && wparam != 0x7F) {
        if (ui::Window* w = ui::Window::FromHwnd(reinterpret_cast<HWND>(main)))
          TypedIntoList(*w, list, static_cast<wchar_t>(wparam));
        return 0;
      }
      break;
    case WM_NCDESTROY:
      RemoveWindowSubclass(list, FindByTyping, kFindByTypingId);
      break;
    default:
      break;
  }
  return DefSubclassProc(list, message, wparam, lparam);
}

}  // namespace

void StartFindingByTyping(ui::Window& w) {
  if (HWND list = w.Control(kList))
    ReportIf(!SetWindowSubclass(list, FindByTyping, kFindByTypingId, reinterpret_cast<DWORD_PTR>(w.hwnd())));
}

}  // namespace quorrel::mainwin
