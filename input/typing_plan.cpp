#include "input/typing_plan.h"

#include <utility>

#include "base/text.h"
#include "input/typing_batch.h"

namespace quorrel {
namespace {

// Programs whose focused window forwards key presses to another machine. They send scan
// codes, not characters: a Unicode event is lost or arrives as something else, and the
// remote side's IME and layout are out of sight. Only names that are certain; a client
// missing here is typed into like any local program.
constexpr std::string_view kRemoteClients[] = {
    "mstsc.exe",             // Remote Desktop Connection
    "msrdc.exe",             // Remote Desktop client of Windows App and Azure Virtual Desktop
    "vmconnect.exe",         // Hyper-V Virtual Machine Connection
    "vmware.exe",            // VMware Workstation
    "vmplayer.exe",          // VMware Workstation Player
    "vmware-remotemks.exe",  // VMware's console of a remote or shared machine
    "vmrc.exe",              // VMware Remote Console
    "virtualboxvm.exe",      // VirtualBox machine window (6.0 and later)
    "virtualbox.exe",        // VirtualBox (earlier versions show the machine in this process)
    "wfica32.exe",           // Citrix Workspace, the ICA session
    "cdviewer.exe",          // Citrix Desktop Viewer
    "todesk.exe",            // ToDesk, the controlling side
    "sunloginclient.exe",    // Sunlogin (向日葵)
    "awesun.exe",            // AweSun, Sunlogin's later client
    "anydesk.exe",
    "teamviewer.exe",
    "rustdesk.exe",
    "vncviewer.exe",         // RealVNC, TigerVNC and UltraVNC viewers
    "tvnviewer.exe",         // TightVNC viewer
};

constexpr uint8_t kAnyModifier = kModifierShift | kModifierCtrl | kModifierAlt | kModifierWin;

char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
  return true;
}

}  // namespace

KeyboardLayout::~KeyboardLayout() = default;

std::optional<LayoutKey> LayoutKeyFromScan(int16_t scan, bool dead) {
  const auto bits = static_cast<uint16_t>(scan);
  const auto vk = static_cast<uint8_t>(bits & 0xFF);
  if (vk == 0 || vk == 0xFF) return std::nullopt;  // -1: no key gives the character
  return LayoutKey{vk, static_cast<uint8_t>(bits >> 8), dead};
}

bool IsRemoteClient(std::string_view imageName) {
  if (const size_t sep = LastPathSeparator(imageName); sep != std::string_view::npos)
    imageName.remove_prefix(sep + 1);
  for (std::string_view client : kRemoteClients)
    if (EqualsIgnoringAsciiCase(imageName, client)) return true;
  return false;
}

TypingPlan::TypingPlan(TypingPlan&& other) noexcept
    : status_(other.status_), refusedAt_(other.refusedAt_), remote_(other.remote_),
      events_(std::move(other.events_)) {
  other.Wipe();
}

TypingPlan& TypingPlan::operator=(TypingPlan&& other) noexcept {
  if (this != &other) {
    Wipe();
    status_ = other.status_;
    refusedAt_ = other.refusedAt_;
    remote_ = other.remote_;
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
                      KeyboardLayout& layout, const ReservedKeys& reserved) {
  TypingPlan plan;
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

  const bool remote = facts.windowKnown && IsRemoteClient(facts.imageName);
  // The IME of a remote client's window is not the one that receives the keys.
  const bool imeComposing =
      facts.windowKnown && !remote && facts.imeOpen && (facts.imeConversion & (kImeNative | kImeFullShape)) != 0;
  plan.remote_ = remote;

  // A key that gives the character with at most Shift. AltGr is Ctrl+Alt, which many
  // programs take as a shortcut; a dead key would merge with the next character. Beyond
  // ASCII a Unicode event is as good as a key, except where only keys go through.
  auto keyOf = [&](char16_t ch) -> std::optional<typing_batch::PlainKey> {
    if (ch >= 0x80 && !remote) return std::nullopt;
    const std::optional<LayoutKey> key = layout.KeyFor(facts.layout, ch);
    if (!key || key->dead || key->vk == 0 || (key->shiftState & ~kLayoutShift) != 0) return std::nullopt;
    return typing_batch::PlainKey{key->vk, (key->shiftState & kLayoutShift) != 0};
  };
  const typing_batch::Rules rules{.unicodeOnly = imeComposing, .keysOnly = remote};
  if (const size_t refused = typing_batch::AppendTextEvents(plan.events_, text, environment, reserved, rules, keyOf);
      refused != 0) {
    plan.status_ = PlanStatus::RemoteCannotType;
    plan.refusedAt_ = refused;
  }
  return plan;
}

ModifierWait::Step ModifierWait::Poll(uint8_t modifiers, std::chrono::milliseconds now) const {
  if ((modifiers & kAnyModifier) == 0) return Step::Released;
  return now >= deadline_ ? Step::GaveUp : Step::Waiting;
}

}  // namespace quorrel
