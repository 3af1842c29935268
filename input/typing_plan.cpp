#include "input/typing_plan.h"

#include <algorithm>
#include <iterator>
#include <utility>

#include "base/text.h"
#include "input/typing_batch.h"

namespace quorrel {
namespace {

// Programs whose focused window forwards key presses to another machine. They send scan
// codes, not characters: a Unicode event is lost or arrives as something else, and the
// remote side's IME and layout are out of sight. Only names that are certain; a client
// missing here is typed into like any local program. Each is written as RemoteClientName
// gives it: the file name in lower case without ".exe", a download's " (1)" or a build
// mark such as "64" or "_x64" (so "vncviewer64.exe" and "AnyDesk (2).exe" are found).
constexpr std::string_view kRemoteClients[] = {
    "mstsc",                 // Remote Desktop Connection
    "msrdc",                 // Remote Desktop client of Windows App and Azure Virtual Desktop
    "rdcman",                // Remote Desktop Connection Manager: sessions in its own window
    "mremoteng",             // mRemoteNG, likewise
    "royalts",               // Royal TS, likewise
    "remotedesktopmanager",  // Remote Desktop Manager, likewise
    "vmconnect",             // Hyper-V Virtual Machine Connection
    "vmware",                // VMware Workstation
    "vmplayer",              // VMware Workstation Player
    "vmware-remotemks",      // VMware's console of a remote or shared machine
    "vmrc",                  // VMware Remote Console
    "vmware-view",           // VMware Horizon Client
    "virtualboxvm",          // VirtualBox machine window (6.0 and later)
    "virtualbox",            // VirtualBox (earlier versions show the machine in this process)
    "wfica",                 // Citrix Workspace, the ICA session (wfica32.exe)
    "cdviewer",              // Citrix Desktop Viewer
    "todesk",                // ToDesk, the controlling side
    "sunloginclient",        // Sunlogin (向日葵)
    "awesun",                // AweSun, Sunlogin's later client
    "anydesk",
    "teamviewer",
    "rustdesk",
    "vncviewer",             // RealVNC, TigerVNC and UltraVNC viewers
    "tvnviewer",             // TightVNC viewer
    "remote-viewer",         // virt-viewer's client for KVM/QEMU machines (SPICE, VNC)
    "virt-viewer",
    "qemu-system",           // QEMU's own window (qemu-system-x86_64.exe)
    "parsecd",               // Parsec
    "remotedesktopmanagerfree",  // Remote Desktop Manager, the free edition
    "microsoft.remotedesktop",   // the Store's Remote Desktop app
    "nxplayer",              // NoMachine
    "nxplayer.bin",
    "strwinclt",             // Splashtop Business / Personal, the session window
    "splashtopbusiness",
    "radmin",                // Radmin Viewer
    "dwrcc",                 // DameWare Mini Remote Control
    "wfreerdp",              // FreeRDP
    "ultraviewer_desktop",   // UltraViewer
};

// The window classes of console windows: the console host's, Windows Terminal's, and Wine's
// console host's (where the tests run).
constexpr std::string_view kConsoleClasses[] = {"consolewindowclass", "cascadia_hosting_window_class",
                                                "wineconsoleclass"};

// Layouts whose keys are the US keys: English (United States) and the Chinese languages
// with their own keyboard, or with an input method (0xE...) over it. A layout of another
// keyboard for the same language names it in its high word (0x04070804: German keys).
bool HasUsKeys(LayoutId layout) {
  const auto language = static_cast<uint16_t>(layout & 0xFFFF);
  const auto keyboard = static_cast<uint16_t>((layout >> 16) & 0xFFFF);
  constexpr uint16_t kUsKeyLanguages[] = {0x0409, 0x0804, 0x0404, 0x0C04, 0x1004, 0x1404};
  return std::find(std::begin(kUsKeyLanguages), std::end(kUsKeyLanguages), language) != std::end(kUsKeyLanguages) &&
         (keyboard == language || (keyboard & 0xF000) == 0xE000);
}

constexpr uint8_t kAnyModifier = kModifierShift | kModifierCtrl | kModifierAlt | kModifierWin;

char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool EndsWith(std::string_view s, std::string_view end) {
  return s.size() >= end.size() && s.substr(s.size() - end.size()) == end;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsMarkSeparator(char c) { return c == '.' || c == '_' || c == '-' || c == ' '; }

}  // namespace

KeyboardLayout::~KeyboardLayout() = default;

void TakeImeAnswers(const ImeAnswers& answers, TargetFacts& facts) {
  facts.imeOpen = answers.open.value_or(0) != 0;
  facts.imeConversion = facts.imeOpen ? answers.conversion.value_or(kImeNative) : 0;
}

std::optional<LayoutKey> LayoutKeyFromScan(int16_t scan, bool dead) {
  const auto bits = static_cast<uint16_t>(scan);
  const auto vk = static_cast<uint8_t>(bits & 0xFF);
  if (vk == 0 || vk == 0xFF) return std::nullopt;  // -1: no key gives the character
  return LayoutKey{vk, static_cast<uint8_t>(bits >> 8), dead};
}

LayoutAnswers::~LayoutAnswers() = default;

std::optional<LayoutKey> FindLayoutKey(char16_t ch, LayoutAnswers& answers) {
  std::optional<LayoutKey> key = LayoutKeyFromScan(answers.ScanChar(ch), false);
  if (key) key->dead = answers.Translate(key->vk, key->shiftState) < 0;
  return key;
}

std::string RemoteClientName(std::string_view imageName) {
  if (const size_t sep = LastPathSeparator(imageName); sep != std::string_view::npos)
    imageName.remove_prefix(sep + 1);
  std::string name(imageName);
  for (char& c : name) c = AsciiLower(c);
  if (!EndsWith(name, ".exe")) return {};  // not a program's file
  name.resize(name.size() - 4);
  // A browser's second download: "name (1)".
  if (!name.empty() && name.back() == ')') {
    const size_t open = name.rfind('(');
    if (open != std::string::npos && open + 2 < name.size() &&
        std::all_of(name.begin() + static_cast<std::ptrdiff_t>(open) + 1, name.end() - 1, IsDigit))
      name.resize(open);
  }
  // Build marks at the end, one after the other: "viewer-6.2_x64" -> "viewer".
  for (;;) {
    if (EndsWith(name, "x64") || EndsWith(name, "x86"))
      name.resize(name.size() - 3);
    else if (!name.empty() && (IsDigit(name.back()) || IsMarkSeparator(name.back())))
      name.pop_back();
    else
      break;
  }
  return name;
}

bool IsRemoteClient(std::string_view imageName) {
  const std::string name = RemoteClientName(imageName);
  return !name.empty() &&
         std::find(std::begin(kRemoteClients), std::end(kRemoteClients), name) != std::end(kRemoteClients);
}

bool IsConsoleWindowClass(std::string_view className) {
  std::string name(className);
  for (char& c : name) c = AsciiLower(c);
  return std::find(std::begin(kConsoleClasses), std::end(kConsoleClasses), name) != std::end(kConsoleClasses);
}

TypingPlan::TypingPlan(TypingPlan&& other) noexcept
    : status_(other.status_), refusedAt_(other.refusedAt_), refusedKey_(other.refusedKey_), target_(other.target_),
      paced_(other.paced_), events_(std::move(other.events_)) {
  other.Wipe();
}

TypingPlan& TypingPlan::operator=(TypingPlan&& other) noexcept {
  if (this != &other) {
    Wipe();
    status_ = other.status_;
    refusedAt_ = other.refusedAt_;
    refusedKey_ = other.refusedKey_;
    target_ = other.target_;
    paced_ = other.paced_;
    events_ = std::move(other.events_);
    other.Wipe();
  }
  return *this;
}

TypingPlan::~TypingPlan() { Wipe(); }

void TypingPlan::Wipe() noexcept {
  SecureWipe(events_.data(), events_.size() * sizeof(KeyEvent));
  events_.clear();
}

TypingPlan PlanTyping(std::string_view text, const TargetFacts& facts, TypingEnvironment& environment,
                      KeyboardLayout& layout, const ReservedKeys& reserved, PlanOptions options) {
  TypingPlan plan;
  // Nothing in front: the keys would go to whatever comes to the front meanwhile.
  if (!facts.windowKnown) {
    plan.status_ = PlanStatus::NoWindow;
    return plan;
  }
  // The input window's own boxes are no target: a password typed into the 账号 box would be
  // shown in clear and typed by the next F8 into a log-in page's user-name field.
  if (facts.ownProcess) {
    plan.status_ = PlanStatus::OwnWindow;
    return plan;
  }
  // User interface privilege isolation drops input into a higher-integrity process
  // without a word: typing there would only look as if it worked.
  if (facts.integrity == TargetIntegrity::Higher) {
    plan.status_ = PlanStatus::TargetElevated;
    return plan;
  }
  // A held modifier turns the keys into shortcuts (Win+L locks the session, Ctrl+A
  // selects all) and the Unicode events into key combinations some programs act on.
  if ((facts.modifiers & kAnyModifier) != 0) {
    plan.status_ = PlanStatus::WaitForModifiers;
    return plan;
  }

  const TargetKind target = IsRemoteClient(facts.imageName) ? TargetKind::Relay
                            : facts.console                 ? TargetKind::Console
                                                            : TargetKind::Local;
  const bool imeOn = facts.imeOpen && (facts.imeConversion & (kImeNative | kImeFullShape)) != 0;
  // The IME of a remote client's window is not the one that receives the keys.
  const bool imeComposing = target == TargetKind::Local && imeOn;
  plan.target_ = target;
  plan.paced_ = target == TargetKind::Relay || options.paced;
  // A console's input method composes the keys, and the console drops Unicode events.
  if (target == TargetKind::Console && imeOn) {
    plan.status_ = PlanStatus::ConsoleImeOn;
    return plan;
  }
  const bool keysOnly = target != TargetKind::Local;

  // A key that gives the character with at most Shift. AltGr is Ctrl+Alt, which many
  // programs take as a shortcut; a dead key would merge with the next character. Beyond
  // ASCII a Unicode event is as good as a key, except where only keys go through.
  auto keyOf = [&](char16_t ch) -> std::optional<typing_batch::PlainKey> {
    if (ch >= 0x80 && !keysOnly) return std::nullopt;
    std::optional<LayoutKey> key = layout.KeyFor(facts.layout, ch);
    // A US keyboard has a key for every printable ASCII character, whatever a layout that
    // is read from elsewhere (Wine reads the X server's keymap) leaves out.
    if (!key && ch < 0x80 && HasUsKeys(facts.layout))
      if (const std::optional<CharKey> us = FindCharKey(static_cast<unsigned char>(ch)))
        key = LayoutKey{us->vk, us->shift ? kLayoutShift : uint8_t{0}};
    if (!key || key->dead || key->vk == 0 || (key->shiftState & ~kLayoutShift) != 0) return std::nullopt;
    return typing_batch::PlainKey{key->vk, (key->shiftState & kLayoutShift) != 0};
  };
  const typing_batch::Rules rules{.unicodeOnly = imeComposing, .keysOnly = keysOnly, .shiftAround = plan.paced_};
  if (const typing_batch::Refusal refused =
          typing_batch::AppendTextEvents(plan.events_, text, environment, reserved, rules, keyOf);
      refused.position != 0) {
    plan.status_ = PlanStatus::RemoteCannotType;
    plan.refusedAt_ = refused.position;
    plan.refusedKey_ = refused.hotkeyKey;
  }
  return plan;
}

ModifierWait::Step ModifierWait::Poll(uint8_t modifiers, std::chrono::milliseconds now) const {
  if ((modifiers & kAnyModifier) == 0) return Step::Released;
  return now >= deadline_ ? Step::GaveUp : Step::Waiting;
}

}  // namespace quorrel
