#include "input/input_window_win.h"

#include <commctrl.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/encoding_win.h"
#include "exchange/account_file.h"
#include "input/hint_line.h"
#include "input/hotkeys_win.h"
#include "input/input_texts.h"
#include "input/key_names.h"
#include "input/target_facts_win.h"
#include "input/typing_plan.h"
#include "input/typing_win.h"
#include "store/settings.h"
#include "ui/toolkit/balloon_win.h"
#include "ui/toolkit/window_win.h"

namespace quorrel {
namespace {

enum Control : int {
  kFrame,
  kAccountLabel,
  kAccount,
  kPasswordLabel,
  kPassword,
  kHint,
  kDropTarget,
  kControlCount
};

// Display styles of the 密码 box: an account chosen from the list shows its password (the
// user keeps it in the table anyway); one read from a file shows it masked, since whoever
// received the file is meant to type the password, not to read it.
constexpr int kStylePlain = 12;
constexpr int kStyleMasked = 14;
constexpr wchar_t kMaskChar = 0x25CF;  // ●

// Polls the user's modifier keys while a press waits for them to come up.
constexpr UINT_PTR kModifierTimerId = 0x51E8;
// Sends the next event of a paced typing.
constexpr UINT_PTR kPaceTimerId = 0x51E9;

// Posted once the window is in its place: what the user must know from the start (a key
// that does not work, a file that gave no account) is told beside it.
constexpr UINT kTellAtOpen = WM_APP + 1;
// Posted after a DPI change, once the hint has its new size and font.
constexpr UINT kFitHint = WM_APP + 2;

// Notes at the opening stay a while: the user may be looking elsewhere.
constexpr UINT kOpeningNoteMs = 20000;

// A press whose text waits until the user's Shift, Ctrl, Alt and Windows keys are up: held
// down, they would turn the typed letters into shortcuts. Its text is for the window that
// had the keyboard at the press, and for no other.
struct WaitingPress {
  SecretText text;
  KeyboardOwner owner;
  ModifierWait wait;
  bool slow = false;
};

// A typing that goes one event at a time, bound to the window of its press.
struct PacedRun {
  PacedRun(std::vector<KeyEvent> events, SendInputInjector::Options options)
      : typing(std::move(events)), injector(options) {}
  PacedTyping typing;
  SendInputInjector injector;
};

struct InputWindow : ui::WindowState {
  explicit InputWindow(InputWindowArgs a) : args(std::move(a)) {}
  InputWindowArgs args;
  // The bytes put into the two boxes. An edit box holds UTF-16, so bytes that form no GBK
  // character (a stray lead byte, a lead byte before a digit) would come back as '?' and
  // swallow the byte after them: the hotkey would type a wrong password.
  std::array<SecretText, 2> shown;
  std::optional<WaitingPress> waiting;
  std::unique_ptr<PacedRun> paced;  // while a paced typing runs
  SystemKeyboardLayout layouts;  // asked for every character the typing plans
  ui::Balloon note;              // what could not be typed, and why
  std::array<HintKey, 2> keys;   // the hint's two keys, fitted again after a DPI change
  std::string fileNote;          // why the last file gave no account; empty when it did
  HWND tip = nullptr;            // the hint line's tip on slow typing (owned by the window)
  std::wstring tipText;
};

InputWindow& StateOf(ui::Window& w) { return w.State<InputWindow>(); }

void SetBoxStyle(ui::Window& w, int box, int style) {
  HWND edit = w.Control(box);
  if (!edit) return;
  SendMessageW(edit, EM_SETPASSWORDCHAR, style == kStyleMasked ? kMaskChar : 0, 0);
  InvalidateRect(edit, nullptr, TRUE);
}

void ShowAccount(ui::Window& w, SecretText user, SecretText password) {
  InputWindow& s = StateOf(w);
  s.shown[0] = std::move(user);
  s.shown[1] = std::move(password);
  w.SetText(kAccount, s.shown[0].str());
  w.SetText(kPassword, s.shown[1].str());
}

// The user name and password of an account file. A file that gives none leaves both
// boxes empty (the hotkeys type nothing for them) and notes why, naming the file.
void ShowAccountFile(ui::Window& w, std::string_view path) {
  const AccountFileReading read = OpenAccountFile(path);
  AccountFileParts parts = SplitAccountFileInner(read.inner.view());
  SetBoxStyle(w, kPassword, kStyleMasked);
  ShowAccount(w, std::move(parts.user), std::move(parts.password));
  const std::string shown = WideToUtf8(AnsiToWide(path));
  std::string& note = StateOf(w).fileNote;
  // Several files dropped at once come as one text of paths, each with a line break.
  if (path.find_first_of("\r\n") != std::string_view::npos) note = input_texts::kSeveralFiles;
  else if (read.status == AccountFileRead::kCannotRead) note = input_texts::FileCannotBeRead(shown);
  else if (read.status == AccountFileRead::kNotAccountFile) note = input_texts::FileNotAnAccountFile(shown);
  else note.clear();
}

// The hint in the first form that its label shows on one line (hint_line.h), measured
// with the label's own font at the window's DPI.
void FitHint(ui::Window& w) {
  HWND label = w.Control(kHint);
  RECT room{};
  if (!label || !GetClientRect(label, &room)) return;
  const HDC dc = GetDC(label);
  if (!dc) return;
  const HGDIOBJ before = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(label, WM_GETFONT, 0, 0)));
  const auto fits = [&](std::string_view line) {
    const std::wstring text = Utf8ToWide(line);
    RECT need{0, 0, 0, 0};
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &need, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
    return need.right <= room.right;
  };
  const InputWindow& s = StateOf(w);
  const std::string line = HintLine(s.keys[0], s.keys[1], fits);
  SelectObject(dc, before);
  ReleaseDC(label, dc);
  w.SetCaption(kHint, line);
}

// What a key that does not work needs the user to know, one line per key.
std::string KeyNote(const HintKey& key, bool forPassword) {
  switch (key.refusal) {
    case Refusal::kNone: return {};
    case Refusal::kTaken: return input_texts::KeyTaken(key.name, forPassword) + "\n";
    case Refusal::kModifier: return input_texts::KeyIsModifier(key.name, forPassword) + "\n";
    case Refusal::kSameAsAccount: return input_texts::KeySameAsAccount(key.name) + "\n";
  }
  return {};
}

LRESULT CALLBACK OnInputHotkey(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

// Registers one of the two hotkeys unless it cannot work; the reason when it is not.
Refusal RegisterInputHotkey(HWND window, int32_t code, int id) {
  if (IsModifierKey(code)) return Refusal::kModifier;
  return RegisterAppHotkey(window, 0, static_cast<UINT>(code), OnInputHotkey, id) ? Refusal::kNone : Refusal::kTaken;
}

// The same key with Shift types slowly. Only for keys that give no character (F1-F24,
// Insert, Pause...): Shift with a letter or digit key is a capital or a symbol everywhere,
// and taking it from every program would break their typing. A Shift combination another
// program holds is left to it: the plain key still works.
void RegisterSlowHotkey(HWND window, int32_t code, int id) {
  if (MapVirtualKeyW(static_cast<UINT>(code), MAPVK_VK_TO_CHAR) != 0) return;
  (void)RegisterAppHotkey(window, MOD_SHIFT, static_cast<UINT>(code), OnInputHotkey, id);
}

// Where the user looks for it: over the hint line, which names the keys.
void AddSlowTypingTip(ui::Window& w) {
  InputWindow& s = StateOf(w);
  const bool any = std::any_of(HotkeyRecords().begin(), HotkeyRecords().end(), [&](const HotkeyRecord& r) {
    return r.window == w.hwnd() && (r.id == kAccountSlowHotkeyId || r.id == kPasswordSlowHotkeyId);
  });
  HWND label = w.Control(kHint);
  if (!any || !label) return;
  s.tip = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, 0, 0, 0,
                          0, w.hwnd(), nullptr, GetModuleHandleW(nullptr), nullptr);
  if (!s.tip) return;
  s.tipText = Utf8ToWide(input_texts::SlowTypingTip(s.keys[0].name, s.keys[1].name));
  TTTOOLINFOW tool{};
  tool.cbSize = sizeof tool;
  tool.uFlags = TTF_SUBCLASS;
  tool.hwnd = w.hwnd();
  tool.uId = 1;
  GetWindowRect(label, &tool.rect);
  MapWindowPoints(nullptr, w.hwnd(), reinterpret_cast<POINT*>(&tool.rect), 2);
  tool.lpszText = s.tipText.data();
  SendMessageW(s.tip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
  SendMessageW(s.tip, TTM_SETMAXTIPWIDTH, 0, 400);
}

void OnCreated(ui::Window& w, ui::EventArgs&) {
  InputWindow& s = StateOf(w);
  const InputWindowArgs& a = s.args;
  SetBoxStyle(w, kAccount, kStylePlain);
  if (a.accountFile) {
    ShowAccountFile(w, *a.accountFile);
  } else {
    SetBoxStyle(w, kPassword, kStylePlain);
    ShowAccount(w, std::move(s.args.user), std::move(s.args.password));
  }
  const Refusal account = RegisterInputHotkey(w.hwnd(), a.accountHotkeyCode, kAccountHotkeyId);
  // The same key for both would go to the user name; the password's is not tried (the
  // system's refusal would blame another program).
  const Refusal password = a.passwordHotkeyCode == a.accountHotkeyCode && account == Refusal::kNone
                               ? Refusal::kSameAsAccount
                               : RegisterInputHotkey(w.hwnd(), a.passwordHotkeyCode, kPasswordHotkeyId);
  s.keys = {HintKey{KeyName(a.accountHotkeyCode), account}, HintKey{KeyName(a.passwordHotkeyCode), password}};
  if (account == Refusal::kNone) RegisterSlowHotkey(w.hwnd(), a.accountHotkeyCode, kAccountSlowHotkeyId);
  if (password == Refusal::kNone) RegisterSlowHotkey(w.hwnd(), a.passwordHotkeyCode, kPasswordSlowHotkeyId);
  AddSlowTypingTip(w);
  FitHint(w);
  PostMessageW(w.hwnd(), kTellAtOpen, 0, 0);
}

std::chrono::milliseconds Now() { return std::chrono::milliseconds(GetTickCount64()); }

// Below the hint line, in its middle.
POINT NoteAnchor(ui::Window& w) {
  RECT hint{};
  GetWindowRect(w.Control(kHint), &hint);
  return POINT{(hint.left + hint.right) / 2, hint.bottom};
}

// Told beside the window, which keeps the focus where it is (in the program the user
// types into).
void Tell(ui::Window& w, std::string_view title, const std::string& text) {
  StateOf(w).note.Show(w.hwnd(), NoteAnchor(w), title, text);
}

void TellNothingTyped(ui::Window& w, const std::string& text) { Tell(w, input_texts::kNothingTyped, text); }

// What became of a typing: nothing to say when all went in.
void TellOutcome(ui::Window& w, const Injection& done) {
  const char* title = done.typedChars == 0 ? input_texts::kNothingTyped : input_texts::kPartTyped;
  switch (done.outcome) {
    case Injection::Outcome::kTyped: StateOf(w).note.Hide(); break;
    case Injection::Outcome::kTargetChanged:
      if (done.typedChars == 0 && !done.keysLeftDown) return TellNothingTyped(w, input_texts::kWindowChanged);
      Tell(w, title, input_texts::WindowChangedWhileTyping(done.typedChars));
      break;
    case Injection::Outcome::kCut: Tell(w, title, input_texts::Cut(done.typedChars, done.keysLeftDown)); break;
    case Injection::Outcome::kStopped: Tell(w, title, input_texts::SlowTypingStopped(done.typedChars)); break;
  }
}

void StopPacedTimer(ui::Window& w) { KillTimer(w.hwnd(), kPaceTimerId); }

// Once, when the window has opened: the file that gave no account, the keys that do not
// work and where to choose others. The hint keeps marking such a key.
void OnTellAtOpen(ui::Window& w, ui::EventArgs& args) {
  args.handled = true;
  InputWindow& s = StateOf(w);
  const std::string keys = KeyNote(s.keys[0], false) + KeyNote(s.keys[1], true);
  std::string text = s.fileNote;
  if (!keys.empty()) text += (text.empty() ? "" : "\n\n") + keys + input_texts::ChooseAnotherKey();
  if (text.empty()) return;
  s.note.Show(w.hwnd(), NoteAnchor(w), s.fileNote.empty() ? input_texts::kKeyCannotWork : input_texts::kFileNotRead,
              text, kOpeningNoteMs);
}

void OnFilesDropped(ui::Window& w, ui::EventArgs& args) {
  ShowAccountFile(w, args.text);
  InputWindow& s = StateOf(w);
  if (s.fileNote.empty()) {
    s.note.Hide();
  } else {
    Tell(w, input_texts::kFileNotRead, s.fileNote);
  }
}

void OnDpiChanged(ui::Window& w, ui::EventArgs& args) {
  PostMessageW(w.hwnd(), kFitHint, 0, 0);
  args.handled = false;  // the window lays itself out as usual
}

void OnFitHint(ui::Window& w, ui::EventArgs& args) {
  args.handled = true;
  FitHint(w);
}

// Types the text as the focused program takes it (typing_plan.h) into the window that had
// the keyboard at the press, or waits for the user's modifier keys, or says why it cannot.
// slow: the user asked for one event at a time.
void TypeNow(ui::Window& w, SecretText text, const KeyboardOwner& owner, bool slow) {
  InputWindow& s = StateOf(w);
  // After a wait the user may be in another window by now (Alt+Tab is a hotkey press with
  // a modifier after it): the text is not for that one.
  const KeyboardOwner now = ReadKeyboardOwner();
  if (now != owner) return TellNothingTyped(w, input_texts::kWindowChanged);
  const TargetFacts facts = ReadTargetFacts(now);
  SystemTypingEnvironment environment;
  // The typing never presses a hotkey's key (a character that needs one goes as a Unicode
  // character event), so its own events can neither fire a hotkey again nor be swallowed
  // as one: a hotkey on "A" would otherwise eat every "a" of the password.
  TypingPlan plan = PlanTyping(text.view(), facts, environment, s.layouts, HotkeyKeys(), {.paced = slow});
  switch (plan.status()) {
    case PlanStatus::Ready: {
      // A remote client and a console read the keys' scan codes, and so may whatever the
      // user types slowly into (a web console); a local program gets the plain events. The
      // injector checks the window once more as its last step before each batch.
      const bool scanCodes = plan.target() != TargetKind::Local || plan.paced();
      const SendInputInjector::Options options{
          .scanCodeLayout = scanCodes ? reinterpret_cast<HKL>(facts.layout) : nullptr, .boundTo = owner};
      if (plan.paced() && !plan.events().empty()) {
        std::vector<KeyEvent> events(plan.events());
        s.paced = std::make_unique<PacedRun>(std::move(events), options);
        s.note.Hide();
        SetTimer(w.hwnd(), kPaceTimerId, static_cast<UINT>(kPacedEventGap.count()), nullptr);
        return;
      }
      SendInputInjector injector(options);
      TellOutcome(w, InjectBatch(injector, plan.events()));
      break;
    }
    case PlanStatus::WaitForModifiers:
      s.waiting.emplace(WaitingPress{std::move(text), owner, ModifierWait(Now()), slow});
      SetTimer(w.hwnd(), kModifierTimerId, static_cast<UINT>(ModifierWait::kPollInterval.count()), nullptr);
      break;
    case PlanStatus::NoWindow: TellNothingTyped(w, input_texts::kNoWindow); break;
    case PlanStatus::OwnWindow: TellNothingTyped(w, input_texts::kOwnWindow); break;
    case PlanStatus::TargetElevated:
      // An account from a file is not in the list: after a restart as administrator it is
      // opened from its file again.
      TellNothingTyped(w, s.args.accountFile ? input_texts::kElevatedFromFile : input_texts::kElevated);
      break;
    case PlanStatus::ConsoleImeOn: TellNothingTyped(w, input_texts::kConsoleImeOn); break;
    case PlanStatus::RemoteCannotType:
      if (plan.target() == TargetKind::Console && plan.refusedForHotkey() == 0)
        TellNothingTyped(w, input_texts::ConsoleNeedsCharacter(plan.refusedAt()));
      else
        TellNothingTyped(w, plan.refusedForHotkey() != 0
                                ? input_texts::RemoteNeedsHotkey(plan.refusedAt(), KeyName(plan.refusedForHotkey()))
                                : input_texts::RemoteNeedsCharacter(plan.refusedAt()));
      break;
  }
}

// The next event of a paced typing, one per tick.
void OnPaceTimer(ui::Window& w, ui::EventArgs& args) {
  if (args.wparam != kPaceTimerId) return;
  args.handled = true;
  InputWindow& s = StateOf(w);
  if (!s.paced) return StopPacedTimer(w);
  const std::optional<Injection> done = s.paced->typing.Next(s.paced->injector);
  if (!done) return;
  StopPacedTimer(w);
  s.paced.reset();
  TellOutcome(w, *done);
}

// The handler of both program hotkeys: types the 账号 or 密码 box.
LRESULT CALLBACK OnInputHotkey(HWND window, UINT, WPARAM wparam, LPARAM) {
  const bool slow = wparam == kAccountSlowHotkeyId || wparam == kPasswordSlowHotkeyId;
  const bool account = wparam == kAccountHotkeyId || wparam == kAccountSlowHotkeyId;
  if (!slow && !account && wparam != kPasswordHotkeyId) return 0;
  // What has the keyboard now, as close to the press as this program gets to see it.
  const KeyboardOwner owner = ReadKeyboardOwner();
  ui::Window* w = ui::Window::FromHwnd(window);
  if (!w || !w->StateIf<InputWindow>()) return 0;
  InputWindow& s = StateOf(*w);
  s.waiting.reset();  // a new press replaces one still waiting
  // A press while a paced typing runs stops it, and only stops it (the user may have seen
  // it go wrong), unless all its characters are in and only key releases are left: those
  // go at once, and the press is served.
  bool stopped = false;
  if (s.paced) {
    StopPacedTimer(*w);
    stopped = !s.paced->typing.allCharactersIn();
    const Injection end = s.paced->typing.Stop(s.paced->injector);
    s.paced.reset();
    if (stopped) TellOutcome(*w, end);
  }
  if (!stopped) {
    SecretText text = InputBoxText(window, account ? InputBox::Account : InputBox::Password);
    if (!text.empty()) {
      TypeNow(*w, std::move(text), owner, slow);
    } else if (!s.fileNote.empty()) {
      // Nothing to type: a file that gave no account is told again, the press would seem lost.
      Tell(*w, input_texts::kFileNotRead, s.fileNote);
    }
  }
  // Presses that came in while the batch went out are dropped, not served after it: Wine
  // hands the whole batch to the system before SendInput returns, so every WM_HOTKEY
  // posted meanwhile is queued by now. On Windows what arrives later is a real press, and
  // its batch queues behind this one instead of mixing into it.
  MSG pending;
  while (PeekMessageA(&pending, window, WM_HOTKEY, WM_HOTKEY, PM_REMOVE)) {
  }
  return 0;
}

// While a press waits: its text goes once the modifiers are up, or the user is told after
// the wait's limit. The window's messages go on meanwhile.
void OnModifierTimer(ui::Window& w, ui::EventArgs& args) {
  if (args.wparam != kModifierTimerId) return;
  args.handled = true;
  InputWindow& s = StateOf(w);
  const ModifierWait::Step step = s.waiting ? s.waiting->wait.Poll(HeldModifiers(), Now()) : ModifierWait::Step::GaveUp;
  if (step == ModifierWait::Step::Waiting) return;
  KillTimer(w.hwnd(), kModifierTimerId);
  if (!s.waiting) return;
  SecretText text = std::move(s.waiting->text);
  const KeyboardOwner owner = s.waiting->owner;
  const bool slow = s.waiting->slow;
  s.waiting.reset();
  if (step == ModifierWait::Step::Released) {
    TypeNow(w, std::move(text), owner, slow);
  } else {
    TellNothingTyped(w, input_texts::kModifiersHeld);
  }
}

// The hotkeys' messages (the presses, the watch of a held key's release) go to them.
void OnHotkeyMessage(ui::Window& w, ui::EventArgs& args) {
  args.handled = HotkeyMessage(w.hwnd(), args.message, args.wparam, args.lparam, &args.result);
}

void OnDestroying(ui::Window& w, ui::EventArgs&) {
  InputWindow& s = StateOf(w);
  UnregisterAllHotkeys(w.hwnd());
  KillTimer(w.hwnd(), kModifierTimerId);
  s.waiting.reset();
  if (s.paced) {
    // Closed while typing slowly: nothing is left down.
    StopPacedTimer(w);
    (void)s.paced->typing.Stop(s.paced->injector);
    s.paced.reset();
  }
  s.note.Hide();
  // Nothing of the account stays behind in the controls' memory or in the window's own.
  w.SetText(kAccount, "");
  w.SetText(kPassword, "");
  s.shown = {};
  if (s.args.onClosed) s.args.onClosed();
}

const ui::ControlSpec kControls[] = {
    ui::Frame(kFrame, "模拟窗口UI", {8, 8, 24, 24}),
    ui::Label(kAccountLabel, "账号标签", {18, 15, 214, 20}, "▊ 待输入账号", {.accent = true}),
    ui::Edit(kAccount, "账号", {18, 40, 214, 32}),
    ui::Label(kPasswordLabel, "密码标签", {16, 82, 214, 20}, "▊ 待输入密码", {.accent = true}),
    ui::Edit(kPassword, "密码", {18, 107, 214, 32}),
    // Smaller than the boxes' font: the line may hold two key names and their marks.
    ui::Label(kHint, "说明", {18, 149, 214, 20}, "", {.style = SS_LEFTNOWORDWRAP, .fontPoints = 9}),
    ui::DropTarget(kDropTarget, "拖放对象", {232, 8, 16, 8}),
};
static_assert(std::size(kControls) == kControlCount);

const ui::HandlerSpec kHandlers[] = {
    {ui::kNoControl, ui::Event::Created, OnCreated},
    {kDropTarget, ui::Event::FilesDropped, OnFilesDropped},
    {ui::kNoControl, ui::Event::Message, OnTellAtOpen, kTellAtOpen},
    {ui::kNoControl, ui::Event::Message, OnDpiChanged, WM_DPICHANGED},
    {ui::kNoControl, ui::Event::Message, OnFitHint, kFitHint},
    {ui::kNoControl, ui::Event::Message, OnModifierTimer, WM_TIMER},
    {ui::kNoControl, ui::Event::Message, OnPaceTimer, WM_TIMER},
    {ui::kNoControl, ui::Event::Message, OnHotkeyMessage, 0},
    {ui::kNoControl, ui::Event::Destroying, OnDestroying},
};

}  // namespace

HWND OpenInputWindow(HWND owner, InputWindowArgs args) {
  ui::WindowSpec spec{kInputWindowTitle, 250, 184, kControls, kHandlers};
  spec.exStyle = WS_EX_TOPMOST;  // stays in sight while the user works in the target program
  ui::Window* w = ui::Window::Create(spec, owner, std::make_unique<InputWindow>(std::move(args)));
  return w ? w->hwnd() : nullptr;
}

SecretText InputBoxText(HWND inputWindow, InputBox box) {
  ui::Window* w = ui::Window::FromHwnd(inputWindow);
  const InputWindow* s = w ? w->StateIf<InputWindow>() : nullptr;
  if (!s) return {};
  const int control = box == InputBox::Account ? kAccount : kPassword;
  const SecretText& shown = s->shown[box == InputBox::Account ? 0 : 1];
  const SecretWide now = w->GetWideText(control);
  const SecretWide put(AnsiToWide(shown.view()));
  // Edited by the user since: type what the box shows.
  return put == now.view() ? shown.Clone() : SecretText(WideToAnsi(now.view()));
}

}  // namespace quorrel
