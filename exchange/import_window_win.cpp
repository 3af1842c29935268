#include "exchange/import_window_win.h"

#include <commdlg.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "base/encoding_win.h"
#include "exchange/import_lines.h"
#include "exchange/import_texts.h"
#include "res/resource.h"
#include "store/table_messages_win.h"
#include "ui/toolkit/controls_win.h"
#include "ui/toolkit/picture_win.h"
#include "ui/toolkit/window_win.h"

namespace quorrel {
namespace {

enum Control : int {
  kFrame,
  kFileBox,
  kConfirm,
  kDrop,
  kControlCount
};
// The open-file dialog ("通用对话框") is no control of the layout: it is shown by a call.

using import_texts::kTitle;  // the window's, and its messages
constexpr char kNoFileText[] = "请选择文件";
// Text files first; then the password exports of browsers and password managers.
constexpr const char* kDialogFilter[][2] = {{"文本文件", "*.txt"}, {"CSV 文件", "*.csv"}};
// Paths from the dialog; longer than MAX_PATH where the system allows it.
constexpr DWORD kDialogPathBuffer = 4096;

// The file box in 96-DPI pixels of the box: the tick above the file name once a file is picked.
constexpr int kTickSize = 48;
constexpr int kTickTop = 12;
constexpr int kNameTop = kTickTop + kTickSize + 4;
constexpr int kNameMargin = 6;
constexpr COLORREF kHintColour = RGB(0x99, 0x99, 0x99);
constexpr COLORREF kNameColour = RGB(0x33, 0x33, 0x33);

// Posted after a DPI change, once the box has its new size.
constexpr UINT kRedrawBox = WM_APP + 1;

struct ImportWindow : ui::WindowState {
  ImportWindow(ImportWindowArgs a, std::wstring& d) : args(std::move(a)), done(d) {}
  Text& FilePath() { return args.importFilePath ? *args.importFilePath : ownPath; }

  ImportWindowArgs args;
  std::wstring& done;  // what an import that stored its accounts tells, once the window is gone
  Text ownPath;  // when the opener keeps none
  // Missing pictures leave these empty; the box then draws plain stand-ins.
  UniqueBitmap background = LoadPngResource(IDR_IMPORT_BOX_PNG);
  UniqueBitmap tick = LoadPngResource(IDR_TICK_PNG);
  bool picked = false;
  UniqueBitmap shown;  // the box as drawn, given to the picture control
};

ImportWindow& StateOf(ui::Window& w) { return w.State<ImportWindow>(); }

void Blend(HDC dc, HBITMAP bitmap, const RECT& to) {
  BITMAP bm{};
  if (!GetObjectW(bitmap, sizeof bm, &bm) || bm.bmBitsPixel != 32) return;
  UniqueMemDc source(CreateCompatibleDC(dc));
  if (ReportIf(!source)) return;
  SelectedObject selected(source.get(), bitmap);
  BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
  AlphaBlend(dc, to.left, to.top, to.right - to.left, to.bottom - to.top, source.get(), 0, 0, bm.bmWidth,
             bm.bmHeight < 0 ? -bm.bmHeight : bm.bmHeight, blend);
}

// Stand-in for the dashed box picture: a dashed rounded rectangle in the accent colour.
void DrawDashedBox(HDC dc, const RECT& r, int radius) {
  UniqueGdiObject pen(CreatePen(PS_DASH, 1, ui::kAccent));
  SelectedObject usePen(dc, pen.get());
  SelectedObject noFill(dc, GetStockObject(NULL_BRUSH));
  SetBkMode(dc, TRANSPARENT);
  RoundRect(dc, r.left + 1, r.top + 1, r.right - 1, r.bottom - 1, radius, radius);
}

// Stand-in for the tick picture: a white tick in a filled accent circle.
void DrawTickStandIn(HDC dc, const RECT& r, int dpi) {
  UniqueBrush fill(CreateSolidBrush(ui::kAccent));
  SelectedObject useFill(dc, fill.get());
  SelectedObject noPen(dc, GetStockObject(NULL_PEN));
  Ellipse(dc, r.left, r.top, r.right, r.bottom);
  const int w = r.right - r.left, h = r.bottom - r.top;
  UniqueGdiObject pen(CreatePen(PS_SOLID, MulDiv(4, dpi, 96), ui::kWhite));
  SelectedObject usePen(dc, pen.get());
  POINT tick[] = {{r.left + w * 27 / 100, r.top + h * 52 / 100},
                  {r.left + w * 43 / 100, r.top + h * 68 / 100},
                  {r.left + w * 73 / 100, r.top + h * 36 / 100}};
  Polyline(dc, tick, 3);
}

// Draws the box (background, tick once a file is picked, its text) into a bitmap of the
// box's size and gives it to the picture control. The text is the control's window text.
void DrawFileBox(ui::Window& w) {
  ImportWindow& s = StateOf(w);
  HWND box = w.Control(kFileBox);
  RECT r{};
  if (!box || !GetClientRect(box, &r) || r.right <= 0 || r.bottom <= 0) return;
  BITMAPINFO info = TopDownBitmapInfo(r.right, r.bottom);
  void* bits = nullptr;
  UniqueBitmap canvas(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  UniqueMemDc dc(CreateCompatibleDC(nullptr));
  if (ReportIf(!canvas || !bits || !dc)) return;
  {
    SelectedObject selected(dc.get(), canvas.get());
    FillRect(dc.get(), &r, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    if (s.background) {
      Blend(dc.get(), s.background.get(), r);
    } else {
      DrawDashedBox(dc.get(), r, w.Scale(12));
    }
    RECT text = r;
    if (s.picked) {
      const int size = w.Scale(kTickSize);
      const int left = (r.right - size) / 2, top = w.Scale(kTickTop);
      const RECT tick{left, top, left + size, top + size};
      if (s.tick) {
        Blend(dc.get(), s.tick.get(), tick);
      } else {
        DrawTickStandIn(dc.get(), tick, w.Dpi());
      }
      text = RECT{w.Scale(kNameMargin), w.Scale(kNameTop), r.right - w.Scale(kNameMargin), r.bottom - w.Scale(4)};
    }
    SelectedObject font(dc.get(), w.Font());
    SetBkMode(dc.get(), TRANSPARENT);
    SetTextColor(dc.get(), s.picked ? kNameColour : kHintColour);
    const SecretWide caption = w.GetWideText(kFileBox);
    DrawTextW(dc.get(), caption.str().c_str(), static_cast<int>(caption.size()), &text,
              DT_SINGLELINE | DT_CENTER | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
  }
  GdiFlush();
  // Drawn over opaque white, so every pixel is opaque; GDI text leaves the alpha bytes at 0.
  auto* px = static_cast<uint8_t*>(bits);
  for (size_t i = 0, n = static_cast<size_t>(r.right) * static_cast<size_t>(r.bottom); i < n; ++i) px[i * 4 + 3] = 255;
  ui::PictureSet(box, canvas.get());
  s.shown = std::move(canvas);
}

// A pick by the dialog or by a drop: the tick, the file's name, and the path remembered.
void Pick(ui::Window& w, const Text& path) {
  ImportWindow& s = StateOf(w);
  s.picked = true;
  w.SetText(kFileBox, FileNameOfPath(path));
  s.FilePath() = path;
  DrawFileBox(w);
}

void OnCreated(ui::Window& w, ui::EventArgs&) {
  // The file picked in an earlier window of this run is what a confirm imports: it is shown.
  const Text remembered = StateOf(w).FilePath();
  if (remembered.empty()) {
    w.SetCaption(kFileBox, kNoFileText);
    DrawFileBox(w);
  } else {
    Pick(w, remembered);
  }
}

void OnFileBoxClicked(ui::Window& w, ui::EventArgs&) {
  std::string filter;
  for (const auto& [name, pattern] : kDialogFilter) {
    filter += Utf8ToAnsi(name);
    filter.push_back('\0');
    filter += pattern;
    filter.push_back('\0');
  }  // c_str adds the list's final zero
  std::string path(kDialogPathBuffer, '\0');
  OPENFILENAMEA ofn{};
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = w.hwnd();
  ofn.lpstrFilter = filter.c_str();
  ofn.nFilterIndex = 1;
  ofn.lpstrFile = path.data();
  ofn.nMaxFile = kDialogPathBuffer;
  // The program's files are found beside the exe, not in the current folder, but a dialog
  // that moves the current folder would still surprise a later relative path.
  ofn.Flags = OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
  const HWND hwnd = w.hwnd();
  if (!GetOpenFileNameA(&ofn)) {
    ReportIf(CommDlgExtendedError() != 0);  // 0: the user cancelled
    return;
  }
  if (!IsWindow(hwnd)) return;
  path.resize(path.find('\0'));
  Pick(w, path);
}

void OnDropped(ui::Window& w, ui::EventArgs& args) { Pick(w, args.text); }

void Tell(HWND owner, const std::wstring& text, UINT icon) {
  MessageBoxW(owner, text.c_str(), Utf8ToWide(kTitle).c_str(), MB_OK | icon);
}

void TellAboutFile(HWND owner, const import_texts::AboutFile& text, const Text& path) {
  Tell(owner, Utf8ToWide(text.head) + L"\r\n" + AnsiToWide(path) + L"\r\n\r\n" + Utf8ToWide(text.tail),
       MB_ICONWARNING);
}

// Says why an import stored nothing; false when it stored its accounts.
bool TellNothingStored(HWND owner, const ImportResult& result, const Text& path, const Text& tablePath) {
  switch (result.status) {
    case ImportResult::kImported: return false;
    case ImportResult::kNoAccounts:
      TellAboutFile(owner, import_texts::NoAccounts(result.lineCount, result.format == ImportFormat::kCsv), path);
      break;
    case ImportResult::kNoColumns: {
      std::vector<std::string> columns;
      for (const Text& c : result.columns) columns.push_back(WideToUtf8(AnsiToWide(c)));
      TellAboutFile(owner, import_texts::NoColumns(columns), path);
      break;
    }
    case ImportResult::kTooManyLines:
      TellAboutFile(owner, import_texts::TooManyAccounts(result.accounts, result.freePids), path);
      break;
    case ImportResult::kOutOfMemory: TellAboutFile(owner, import_texts::NoMemory(), path); break;
    case ImportResult::kTableFailed:
      TellTableOutcome(owner, kTitle, import_texts::kNothingImported, result.outcome, tablePath);
      break;
  }
  return true;
}

std::string FromText(const ImportResult& r) {
  if (r.format == ImportFormat::kLines) return import_texts::kFromLines;
  switch (r.source) {
    case CsvSource::kOther: break;
    case CsvSource::kBrowser: return import_texts::kFromBrowser;
    case CsvSource::kFirefox: return import_texts::FromExportOf("Firefox");
    case CsvSource::kKeePass: return import_texts::FromExportOf("KeePass");
    case CsvSource::kBitwarden: return import_texts::FromExportOf("Bitwarden");
    case CsvSource::kOnePassword: return import_texts::FromExportOf("1Password");
    case CsvSource::kLastPass: return import_texts::FromExportOf("LastPass");
    case CsvSource::kDashlane: return import_texts::FromExportOf("Dashlane");
  }
  return import_texts::kFromCsv;
}

std::wstring DoneText(const ImportResult& r) {
  import_texts::Done d;
  d.imported = r.imported;
  d.from = FromText(r);
  d.csv = r.format == ImportFormat::kCsv;
  d.notAccounts = r.skipped - r.unstorable;
  d.unstorable = r.unstorable;
  if (r.guessed) d.readAs = *r.guessed == ImportEncoding::kAnsi ? "GBK" : "UTF-8";
  d.sample = WideToUtf8(AnsiToWide(r.sample));
  return Utf8ToWide(import_texts::Imported(d));
}

// Every way out of a confirm that stores nothing says why and leaves the window open with its
// file, which may be put right and imported with the same confirm. Every confirm is logged,
// but one that the table refused.
void OnConfirm(ui::Window& w, ui::EventArgs&) {
  ImportWindow& s = StateOf(w);
  const HWND hwnd = w.hwnd();
  if (s.args.accounts) {
    const Text& path = s.FilePath();
    if (path.empty()) {
      LogImport(*s.args.accounts, 0);
      Tell(hwnd, Utf8ToWide(import_texts::kNoFile), MB_ICONINFORMATION);
      return;
    }
    ImportFile file = ReadImportFile(path);
    if (file.status != ImportFile::kRead) {
      LogImport(*s.args.accounts, 0);
      TellAboutFile(hwnd,
                    file.status == ImportFile::kTooBig     ? import_texts::TooBig()
                    : file.status == ImportFile::kNoMemory ? import_texts::NoMemory()
                                                           : import_texts::Unreadable(),
                    path);
      return;
    }
    const ImportResult result = ImportAccountText(*s.args.accounts, file.bytes, SystemCodePage());
    SecureWipe(file.bytes);
    if (TellNothingStored(hwnd, result, path, s.args.accounts->table_path)) return;
    if (s.args.onImported) s.args.onImported();
    s.done = DoneText(result);
  } else if (s.args.onImported) {
    s.args.onImported();
  }
  if (IsWindow(hwnd)) DestroyWindow(hwnd);
}

void OnDpiChanged(ui::Window& w, ui::EventArgs& args) {
  PostMessageW(w.hwnd(), kRedrawBox, 0, 0);
  args.handled = false;  // the window lays itself out as usual
}

void OnRedrawBox(ui::Window& w, ui::EventArgs& args) {
  DrawFileBox(w);
  args.handled = true;
}

void OnDestroying(ui::Window& w, ui::EventArgs&) {
  if (const auto& closed = StateOf(w).args.onClosed) closed();
}

const ui::ControlSpec kControls[] = {
    ui::Frame(kFrame, "导入窗口UI", {8, 8, 24, 24}),
    ui::Picture(kFileBox, "拖入文件", {18, 15, 164, 100}),
    ui::Button(kConfirm, "确定导入", {40, 125, 120, 35}, "确定导入"),
    ui::DropTarget(kDrop, "拖放对象"),
};
static_assert(std::size(kControls) == kControlCount);

const ui::HandlerSpec kHandlers[] = {
    {ui::kNoControl, ui::Event::Created, OnCreated},
    {kFileBox, ui::Event::Clicked, OnFileBoxClicked},
    {kDrop, ui::Event::FilesDropped, OnDropped},
    {kConfirm, ui::Event::Clicked, OnConfirm},
    {ui::kNoControl, ui::Event::Message, OnDpiChanged, WM_DPICHANGED},
    {ui::kNoControl, ui::Event::Message, OnRedrawBox, kRedrawBox},
    {ui::kNoControl, ui::Event::Destroying, OnDestroying},
};

}  // namespace

void OpenImportWindow(HWND owner, ImportWindowArgs args) {
  ui::WindowSpec spec{kTitle, 200, 175, kControls, kHandlers};
  std::wstring done;
  ui::Window::RunModal(spec, owner, std::make_unique<ImportWindow>(std::move(args), done));
  if (done.empty()) return;
  // Told over the refilled list, where the accounts are seen arriving. A window that was the
  // thread's last left a quit behind, which would end the message at once: it waits.
  MSG quit{};
  const bool quitting = PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
  Tell(owner, done, MB_ICONINFORMATION);
  if (quitting) PostQuitMessage(static_cast<int>(quit.wParam));
}

}  // namespace quorrel
