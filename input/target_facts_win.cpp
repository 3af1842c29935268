#include "input/target_facts_win.h"

#include <imm.h>

#include <algorithm>
#include <cstddef>

#include "base/handles_win.h"

namespace quorrel {
namespace {

// WM_IME_CONTROL's questions to a default IME window (immdev.h; not in every SDK's imm.h).
constexpr WPARAM kImcGetConversionMode = 0x0001;
constexpr WPARAM kImcGetOpenStatus = 0x0005;

// The last part of a path, in the ANSI code page. No best-fit mapping: a name in letters
// the code page lacks must not turn into the ASCII name of a known client.
std::string FileNameAnsi(std::wstring_view path) {
  if (const size_t sep = path.find_last_of(L"\\/"); sep != std::wstring_view::npos) path.remove_prefix(sep + 1);
  if (path.empty()) return {};
  const int length = static_cast<int>(path.size());
  const int n = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, path.data(), length, nullptr, 0, nullptr, nullptr);
  if (n <= 0) return {};
  std::string name(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, path.data(), length, name.data(), n, nullptr, nullptr);
  return name;
}

// The relative identifier of a token's mandatory label (SECURITY_MANDATORY_*_RID).
std::optional<DWORD> IntegrityRid(HANDLE token) {
  // The label and its SID (at most 68 bytes) fit here.
  alignas(TOKEN_MANDATORY_LABEL) std::byte buffer[sizeof(TOKEN_MANDATORY_LABEL) + SECURITY_MAX_SID_SIZE];
  DWORD size = 0;
  if (!GetTokenInformation(token, TokenIntegrityLevel, buffer, sizeof buffer, &size)) return std::nullopt;
  const PSID sid = reinterpret_cast<const TOKEN_MANDATORY_LABEL*>(buffer)->Label.Sid;
  if (!sid || !IsValidSid(sid)) return std::nullopt;
  const UCHAR count = *GetSidSubAuthorityCount(sid);
  if (count == 0) return std::nullopt;
  return *GetSidSubAuthority(sid, count - 1u);
}

std::string ImageNameOf(HANDLE process) {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    DWORD size = static_cast<DWORD>(path.size());
    if (QueryFullProcessImageNameW(process, 0, path.data(), &size)) {
      path.resize(size);
      return FileNameAnsi(path);
    }
    if (GetLastError() != ERROR_INSUFFICIENT_BUFFER || path.size() >= 32768) return {};
    path.resize(path.size() * 4);
  }
}

std::optional<DWORD> OwnIntegrityRid() {
  static const std::optional<DWORD> own = [] {
    UniqueHandle token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.put())) return std::optional<DWORD>();
    return IntegrityRid(token.get());
  }();
  return own;
}


// ToUnicodeEx for one key of a layout, in the shift state asked for.
class SystemLayoutAnswers final : public LayoutAnswers {
 public:
  explicit SystemLayoutAnswers(HKL layout) : layout_(layout) {}
  int16_t ScanChar(char16_t ch) override { return VkKeyScanExW(static_cast<WCHAR>(ch), layout_); }
  int Translate(uint8_t vk, uint8_t shiftState) override {
    BYTE keys[256] = {};
    if (shiftState & kLayoutShift) keys[VK_SHIFT] = keys[VK_LSHIFT] = 0x80;
    if (shiftState & kLayoutCtrl) keys[VK_CONTROL] = keys[VK_LCONTROL] = 0x80;
    if (shiftState & kLayoutAlt) keys[VK_MENU] = keys[VK_RMENU] = 0x80;
    const UINT scan = MapVirtualKeyExW(vk, MAPVK_VK_TO_VSC, layout_);
    wchar_t out[8] = {};
    // Flag 4: the keyboard state of this thread stays as it is (Windows 10 1607 and
    // later). Earlier systems keep a dead key pending; the second call takes it out again.
    constexpr UINT kKeepKeyboardState = 0x4;
    const int n = ToUnicodeEx(vk, scan, keys, out, 8, kKeepKeyboardState, layout_);
    if (n < 0) ToUnicodeEx(vk, scan, keys, out, 8, kKeepKeyboardState, layout_);
    return n;
  }

 private:
  HKL layout_;
};

// The IME of the focused window: open or not, and its conversion mode. Asked of the
// window's default IME window, which answers for its thread's input context; an IME of
// another process is asked by a message, so a hung target is waited for only so long.
void ReadIme(HWND focus, std::chrono::milliseconds wait, TargetFacts& facts) {
  // No IME window: no IME on that thread. Wine gives none for another process's window.
  HWND ime = ImmGetDefaultIMEWnd(focus);
  if (!ime) return;
  const UINT ms = static_cast<UINT>(std::clamp<long long>(wait.count(), 1, 10000));
  auto ask = [&](WPARAM question) -> std::optional<uint32_t> {
    DWORD_PTR answer = 0;
    if (!SendMessageTimeoutW(ime, WM_IME_CONTROL, question, 0, SMTO_ABORTIFHUNG, ms, &answer)) return std::nullopt;
    return static_cast<uint32_t>(answer);
  };
  ImeAnswers answers;
  answers.open = ask(kImcGetOpenStatus);
  if (answers.open.value_or(0) != 0) answers.conversion = ask(kImcGetConversionMode);  // a closed IME's mode says nothing
  TakeImeAnswers(answers, facts);
}

}  // namespace

KeyboardOwner ReadKeyboardOwner() {
  KeyboardOwner owner;
  owner.foreground = GetForegroundWindow();
  if (!owner.foreground) return owner;
  DWORD processId = 0;
  const DWORD threadId = GetWindowThreadProcessId(owner.foreground, &processId);
  if (threadId == 0) return KeyboardOwner{owner.foreground};  // gone meanwhile
  owner.focus = owner.foreground;
  owner.processId = processId;
  // The keys go to the focused window, which may be another thread's (attached input) or
  // another process's (an embedded window).
  GUITHREADINFO gui{};
  gui.cbSize = sizeof gui;
  if (GetGUIThreadInfo(threadId, &gui) && gui.hwndFocus) {
    DWORD focusProcess = 0;
    if (GetWindowThreadProcessId(gui.hwndFocus, &focusProcess) != 0) {
      owner.focus = gui.hwndFocus;
      owner.processId = focusProcess;
    }
  }
  return owner;
}

TargetFacts ReadTargetFacts(const TargetFactsOptions& options) { return ReadTargetFacts(ReadKeyboardOwner(), options); }

TargetFacts ReadTargetFacts(const KeyboardOwner& owner, const TargetFactsOptions& options) {
  TargetFacts facts;
  facts.modifiers = HeldModifiers();
  const DWORD threadId = owner.focus ? GetWindowThreadProcessId(owner.focus, nullptr) : 0;
  if (threadId == 0) {
    // Nothing in front (or it went): whatever gets the keys, the user's layout names them.
    facts.layout = reinterpret_cast<LayoutId>(GetKeyboardLayout(0));
    return facts;
  }
  facts.windowKnown = true;
  DWORD foregroundProcess = 0;
  GetWindowThreadProcessId(owner.foreground, &foregroundProcess);
  facts.ownProcess = owner.processId == GetCurrentProcessId() || foregroundProcess == GetCurrentProcessId();
  // The console host reports the console's program (cmd.exe, ssh.exe) as the window's
  // process: a console is known by its window's class.
  for (HWND window : {owner.foreground, owner.focus}) {
    wchar_t name[64] = {};
    std::string ascii;
    for (int i = 0, n = GetClassNameW(window, name, 64); i < n; ++i)
      ascii += name[i] < 0x80 ? static_cast<char>(name[i]) : '?';
    if (IsConsoleWindowClass(ascii)) facts.console = true;
  }
  // Not opened: a protected process, or gone; its name and level stay unknown.
  if (UniqueHandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, owner.processId)); process) {
    facts.imageName = ImageNameOf(process.get());
    facts.integrity = IntegrityOfProcess(process.get());
  }
  // The focused window's thread translates the keys with its layout.
  facts.layout = reinterpret_cast<LayoutId>(GetKeyboardLayout(threadId));
  ReadIme(owner.focus, options.imeWait, facts);
  return facts;
}

std::string ProcessImageName(DWORD processId) {
  UniqueHandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId));
  return process ? ImageNameOf(process.get()) : std::string();
}

TargetIntegrity IntegrityOf(DWORD processId) {
  UniqueHandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId));
  return process ? IntegrityOfProcess(process.get()) : TargetIntegrity::Unknown;
}

// Windows drops simulated keys by integrity level alone, so only a level that was read
// decides. A token closed to us says nothing about it: another user's process refuses the
// same way, and so do programs that guard their process (game launchers, some chat and
// banking clients), the very log-ins typed into; a batch cut short is told when it happens.
TargetIntegrity IntegrityOfProcess(HANDLE process) {
  const std::optional<DWORD> own = OwnIntegrityRid();
  if (!own) return TargetIntegrity::Unknown;
  UniqueHandle token;
  if (!OpenProcessToken(process, TOKEN_QUERY, token.put())) return TargetIntegrity::Unknown;
  const std::optional<DWORD> theirs = IntegrityRid(token.get());
  if (!theirs) return TargetIntegrity::Unknown;
  return *theirs > *own ? TargetIntegrity::Higher : TargetIntegrity::SameOrLower;
}

uint8_t HeldModifiers() {
  // The keys' state in the input stream now, not as this thread's queue last saw it.
  auto down = [](int vk) { return GetAsyncKeyState(vk) < 0; };
  uint8_t held = 0;
  if (down(VK_SHIFT)) held |= kModifierShift;
  if (down(VK_CONTROL)) held |= kModifierCtrl;
  if (down(VK_MENU)) held |= kModifierAlt;
  if (down(VK_LWIN) || down(VK_RWIN)) held |= kModifierWin;
  return held;
}

std::optional<LayoutKey> ScanLayoutKey(HKL layout, char16_t ch) {
  SystemLayoutAnswers answers(layout);
  return FindLayoutKey(ch, answers);
}

bool LayoutLoaded(HKL layout) {
  HKL loaded[64];
  int n = GetKeyboardLayoutList(64, loaded);
  if (n > 0) return std::find(loaded, loaded + n, layout) != loaded + n;
  // More than 64 layouts (or none): ask for the exact count.
  n = GetKeyboardLayoutList(0, nullptr);
  if (n <= 0) return false;
  std::vector<HKL> all(static_cast<size_t>(n));
  n = GetKeyboardLayoutList(n, all.data());
  return n > 0 && std::find(all.begin(), all.begin() + n, layout) != all.begin() + n;
}

std::optional<LayoutKey> SystemKeyboardLayout::KeyFor(LayoutId layout, char16_t ch) {
  if (ch < 128) {
    const Cached* cached = AsciiOf(layout);
    return cached ? cached->ascii[ch] : std::nullopt;
  }
  const HKL hkl = reinterpret_cast<HKL>(layout);
  if (!LayoutLoaded(hkl)) return std::nullopt;
  return ScanLayoutKey(hkl, ch);
}

const SystemKeyboardLayout::Cached* SystemKeyboardLayout::AsciiOf(LayoutId layout) {
  for (const Cached& c : cache_)
    if (c.layout == layout) return &c;
  // Not kept when not loaded: it may be loaded by the next press.
  const HKL hkl = reinterpret_cast<HKL>(layout);
  if (!LayoutLoaded(hkl)) return nullptr;
  Cached& c = cache_.emplace_back();
  c.layout = layout;
  for (char16_t ch = 0; ch < 128; ++ch) c.ascii[ch] = ScanLayoutKey(hkl, ch);
  return &c;
}

}  // namespace quorrel
