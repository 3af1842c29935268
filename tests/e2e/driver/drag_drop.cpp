#include "driver/drag_drop.h"

#include <ole2.h>
#include <shlobj.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <thread>

namespace quorrel::e2e {
namespace {

using Clock = std::chrono::steady_clock;

// Heap objects with real reference counts: the target process holds proxies of them and
// its last Release may come in after DoDragDrop has returned.
template <class Interface>
class ComObject : public Interface {
 public:
  explicit ComObject(REFIID iid) : iid_(iid) {}
  virtual ~ComObject() = default;
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
    if (riid == IID_IUnknown || riid == iid_) {
      *out = static_cast<Interface*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++refs_); }
  ULONG STDMETHODCALLTYPE Release() override {
    long n = --refs_;
    if (n == 0) delete this;
    return static_cast<ULONG>(n);
  }

 private:
  const IID& iid_;
  std::atomic<long> refs_{1};
};

class FileList final : public ComObject<IDataObject> {
 public:
  explicit FileList(const std::vector<std::string>& paths) : ComObject(IID_IDataObject) {
    // DROPFILES, then each path with its terminating zero, then one more zero.
    std::string names;
    for (const std::string& p : paths) names.append(p).push_back('\0');
    names.push_back('\0');
    DROPFILES header{};
    header.pFiles = sizeof header;
    header.fWide = FALSE;
    bytes_.assign(reinterpret_cast<const char*>(&header), sizeof header);
    bytes_ += names;
  }

  HRESULT STDMETHODCALLTYPE GetData(FORMATETC* fmt, STGMEDIUM* medium) override {
    if (!fmt || !medium) return E_INVALIDARG;
    HRESULT ok = QueryGetData(fmt);
    if (ok != S_OK) return ok;
    HGLOBAL mem = GlobalAlloc(GMEM_MOVEABLE, bytes_.size());
    if (!mem) return E_OUTOFMEMORY;
    std::memcpy(GlobalLock(mem), bytes_.data(), bytes_.size());
    GlobalUnlock(mem);
    medium->tymed = TYMED_HGLOBAL;
    medium->hGlobal = mem;
    medium->pUnkForRelease = nullptr;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetDataHere(FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE QueryGetData(FORMATETC* fmt) override {
    if (!fmt) return E_INVALIDARG;
    if (fmt->cfFormat != CF_HDROP || fmt->dwAspect != DVASPECT_CONTENT) return DV_E_FORMATETC;
    if (!(fmt->tymed & TYMED_HGLOBAL)) return DV_E_TYMED;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetCanonicalFormatEtc(FORMATETC*, FORMATETC* out) override {
    if (out) out->ptd = nullptr;
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE SetData(FORMATETC*, STGMEDIUM*, BOOL) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE EnumFormatEtc(DWORD direction, IEnumFORMATETC** out) override {
    if (!out) return E_INVALIDARG;
    *out = nullptr;
    if (direction != DATADIR_GET) return E_NOTIMPL;
    FORMATETC fmt{CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    return SHCreateStdEnumFmtEtc(1, &fmt, out);
  }
  HRESULT STDMETHODCALLTYPE DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override {
    return OLE_E_ADVISENOTSUPPORTED;
  }
  HRESULT STDMETHODCALLTYPE DUnadvise(DWORD) override { return OLE_E_ADVISENOTSUPPORTED; }
  HRESULT STDMETHODCALLTYPE EnumDAdvise(IEnumSTATDATA**) override { return OLE_E_ADVISENOTSUPPORTED; }

 private:
  std::string bytes_;
};

bool CursorOver(HWND target) {
  POINT pt;
  if (!GetCursorPos(&pt)) return false;
  HWND under = WindowFromPoint(pt);
  return under && (under == target || GetAncestor(under, GA_ROOT) == target);
}

// Drops once the cursor has been seen over the target twice in a row, so that the target
// has had its DragEnter before the drop; cancels on Esc or when time runs out.
class DropWhenOver final : public ComObject<IDropSource> {
 public:
  DropWhenOver(HWND target, Clock::time_point deadline)
      : ComObject(IID_IDropSource), target_(target), deadline_(deadline) {}
  HRESULT STDMETHODCALLTYPE QueryContinueDrag(BOOL escape, DWORD) override {
    if (escape || Clock::now() > deadline_) return DRAGDROP_S_CANCEL;
    over_ = CursorOver(target_) ? over_ + 1 : 0;
    return over_ >= 2 ? DRAGDROP_S_DROP : S_OK;
  }
  HRESULT STDMETHODCALLTYPE GiveFeedback(DWORD) override { return DRAGDROP_S_USEDEFAULTCURSORS; }

 private:
  HWND target_;
  Clock::time_point deadline_;
  int over_ = 0;
};

void MoveMouseAbsolute(int x, int y) {
  int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
  INPUT in{};
  in.type = INPUT_MOUSE;
  in.mi.dx = MulDiv(x, 65535, w > 1 ? w - 1 : 1);
  in.mi.dy = MulDiv(y, 65535, h > 1 ? h - 1 : 1);
  in.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
  SendInput(1, &in, sizeof in);
}

// Glides the cursor from where it is onto the middle of the target's client area, then
// keeps it moving by a pixel there so the drag loop sees fresh mouse messages.
void GlideOnto(HWND target, const std::atomic<bool>& stop) {
  std::this_thread::sleep_for(std::chrono::milliseconds(80));
  RECT client;
  GetClientRect(target, &client);
  POINT to{(client.left + client.right) / 2, (client.top + client.bottom) / 2};
  ClientToScreen(target, &to);
  POINT from;
  GetCursorPos(&from);
  constexpr int kSteps = 10;
  for (int i = 1; i <= kSteps && !stop; ++i) {
    MoveMouseAbsolute(from.x + (to.x - from.x) * i / kSteps, from.y + (to.y - from.y) * i / kSteps);
    std::this_thread::sleep_for(std::chrono::milliseconds(15));
  }
  SetCursorPos(to.x, to.y);
  for (int i = 0; !stop; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(40));
    MoveMouseAbsolute(to.x + (i & 1), to.y);
  }
}

}  // namespace

bool DropFiles(HWND target, const std::vector<std::string>& ansiPaths) {
  if (!IsWindow(target)) return false;
  HRESULT init = OleInitialize(nullptr);
  if (FAILED(init)) return false;

  auto* data = new FileList(ansiPaths);
  auto* source = new DropWhenOver(target, Clock::now() + std::chrono::seconds(8));
  std::atomic<bool> stop{false};
  std::thread mover(GlideOnto, target, std::cref(stop));
  DWORD effect = DROPEFFECT_NONE;
  HRESULT hr = DoDragDrop(data, source, DROPEFFECT_COPY, &effect);
  stop = true;
  mover.join();

  // Cut the target's proxies loose so that no late call reaches a released object.
  CoDisconnectObject(data, 0);
  CoDisconnectObject(source, 0);
  data->Release();
  source->Release();
  OleUninitialize();
  return hr == DRAGDROP_S_DROP && effect == DROPEFFECT_COPY;
}

}  // namespace quorrel::e2e
