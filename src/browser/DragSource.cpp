// The outgoing drag: the data object, its enumerator, the drop source, the
// DROPFILES block and the drop menu.
#include "browser/DragSource.h"

#include <shlobj.h>
#include <urlmon.h>

#include <cstring>

#include "app/AppState.h"
#include "app/Language.h"
#include "app/MainMenu.h"
#include "browser_ids.h"

namespace {

template <typename Interface>
HRESULT AnswerInterface(Interface* self, REFIID asked, REFIID own, void** object) {
    if (!object) return E_POINTER;
    if (IsEqualIID(asked, IID_IUnknown) || IsEqualIID(asked, own)) {
        *object = self;
        self->AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

template <typename Object>
ULONG ReleaseObject(Object* self, LONG& refs) {
    const LONG n = InterlockedDecrement(&refs);
    if (n == 0) delete self;
    return (ULONG)n;
}

bool SameRequest(const FORMATETC& stored, const FORMATETC& asked) {
    return (stored.tymed & asked.tymed) && stored.dwAspect == asked.dwAspect && stored.cfFormat == asked.cfFormat &&
           stored.lindex == asked.lindex;
}

}  // namespace

// ---- CDataObject ----

CDataObject::~CDataObject() {
    for (STGMEDIUM& medium : media_) ReleaseStgMedium(&medium);
}

HRESULT STDMETHODCALLTYPE CDataObject::QueryInterface(REFIID riid, void** object) {
    return AnswerInterface<IDataObject>(this, riid, IID_IDataObject, object);
}
ULONG STDMETHODCALLTYPE CDataObject::AddRef() { return (ULONG)InterlockedIncrement(&refs_); }
ULONG STDMETHODCALLTYPE CDataObject::Release() { return ReleaseObject(this, refs_); }

HRESULT STDMETHODCALLTYPE CDataObject::GetData(FORMATETC* format, STGMEDIUM* medium) {
    if (!format || !medium) return E_INVALIDARG;
    *medium = {};
    for (size_t i = 0; i < formats_.size(); ++i) {
        if (!SameRequest(formats_[i], *format)) continue;
        const HRESULT copied = CopyStgMedium(&media_[i], medium);
        if (FAILED(copied)) return copied;
        if (medium->tymed == TYMED_HGLOBAL) {
            // The copy goes back to this object for its release.
            medium->pUnkForRelease = static_cast<IDataObject*>(this);
            AddRef();
        }
        return S_OK;
    }
    return DV_E_FORMATETC;
}

HRESULT STDMETHODCALLTYPE CDataObject::GetDataHere(FORMATETC*, STGMEDIUM*) { return E_NOTIMPL; }

HRESULT STDMETHODCALLTYPE CDataObject::QueryGetData(FORMATETC* format) {
    if (!format) return DV_E_FORMATETC;
    if (!(format->dwAspect & DVASPECT_CONTENT)) return DV_E_DVASPECT;
    if (formats_.empty()) return DV_E_TYMED;
    HRESULT answer = DV_E_TYMED;
    for (const FORMATETC& stored : formats_) {
        if (stored.tymed & format->tymed) {
            if (stored.cfFormat == format->cfFormat) return S_OK;
            answer = DV_E_CLIPFORMAT;
        } else {
            answer = DV_E_TYMED;
        }
    }
    return answer;
}

HRESULT STDMETHODCALLTYPE CDataObject::GetCanonicalFormatEtc(FORMATETC*, FORMATETC* out) {
    if (out) out->ptd = nullptr;
    return DATA_S_SAMEFORMATETC;
}

HRESULT STDMETHODCALLTYPE CDataObject::SetData(FORMATETC* format, STGMEDIUM* medium, BOOL release) {
    if (!format || !medium) return E_INVALIDARG;
    STGMEDIUM stored = {};
    if (release) {
        stored = *medium;
    } else {
        const HRESULT copied = CopyStgMedium(medium, &stored);
        if (FAILED(copied)) return copied;
    }
    try {
        formats_.push_back(*format);
        media_.push_back(stored);
    } catch (...) {
        if (formats_.size() > media_.size()) formats_.pop_back();
        if (!release) ReleaseStgMedium(&stored);
        return E_OUTOFMEMORY;
    }
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CDataObject::EnumFormatEtc(DWORD direction, IEnumFORMATETC** enumerator) {
    if (!enumerator) return E_INVALIDARG;
    *enumerator = nullptr;
    if (direction != DATADIR_GET) return E_NOTIMPL;
    CEnumFormatEtc* made = new (std::nothrow) CEnumFormatEtc(formats_.data(), formats_.size());
    if (!made) return E_OUTOFMEMORY;
    *enumerator = made;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CDataObject::DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) { return E_NOTIMPL; }
HRESULT STDMETHODCALLTYPE CDataObject::DUnadvise(DWORD) { return E_NOTIMPL; }
HRESULT STDMETHODCALLTYPE CDataObject::EnumDAdvise(IEnumSTATDATA**) { return OLE_E_ADVISENOTSUPPORTED; }

// ---- CDragSource ----

HRESULT STDMETHODCALLTYPE CDragSource::QueryInterface(REFIID riid, void** object) {
    return AnswerInterface<IDropSource>(this, riid, IID_IDropSource, object);
}
ULONG STDMETHODCALLTYPE CDragSource::AddRef() { return (ULONG)InterlockedIncrement(&refs_); }
ULONG STDMETHODCALLTYPE CDragSource::Release() { return ReleaseObject(this, refs_); }

HRESULT STDMETHODCALLTYPE CDragSource::QueryContinueDrag(BOOL escapePressed, DWORD keys) {
    if (escapePressed) return DRAGDROP_S_CANCEL;
    if (!(keys & MK_LBUTTON)) return DRAGDROP_S_DROP;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CDragSource::GiveFeedback(DWORD) { return DRAGDROP_S_USEDEFAULTCURSORS; }

// ---- CEnumFormatEtc ----

CEnumFormatEtc::CEnumFormatEtc(const FORMATETC* formats, size_t count, size_t index)
    : formats_(formats, formats + count), index_(index) {}

HRESULT STDMETHODCALLTYPE CEnumFormatEtc::QueryInterface(REFIID riid, void** object) {
    return AnswerInterface<IEnumFORMATETC>(this, riid, IID_IEnumFORMATETC, object);
}
ULONG STDMETHODCALLTYPE CEnumFormatEtc::AddRef() { return (ULONG)InterlockedIncrement(&refs_); }
ULONG STDMETHODCALLTYPE CEnumFormatEtc::Release() { return ReleaseObject(this, refs_); }

HRESULT STDMETHODCALLTYPE CEnumFormatEtc::Next(ULONG count, FORMATETC* out, ULONG* fetched) {
    if (fetched) *fetched = 0;
    if (count == 0 || !out || index_ >= formats_.size()) return S_FALSE;
    if (!fetched && count != 1) return S_FALSE;
    ULONG copied = 0;
    while (index_ < formats_.size() && copied < count) out[copied++] = formats_[index_++];
    if (fetched) *fetched = copied;
    return copied == count ? S_OK : S_FALSE;
}

HRESULT STDMETHODCALLTYPE CEnumFormatEtc::Skip(ULONG count) {
    if (index_ + count >= formats_.size()) return S_FALSE;
    index_ += count;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CEnumFormatEtc::Reset() {
    index_ = 0;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CEnumFormatEtc::Clone(IEnumFORMATETC** out) {
    if (!out) return S_FALSE;
    CEnumFormatEtc* made = new (std::nothrow) CEnumFormatEtc(formats_.data(), formats_.size(), index_);
    *out = made;
    return made ? S_OK : E_OUTOFMEMORY;
}

// ---- the drag ----

size_t DropFilesBlockSize(size_t n) { return ((2 * n + 22) / 32 + 1) * 32; }

size_t PathListLength(const wchar_t* files) {
    if (!files) return 0;
    const wchar_t* p = files;
    while (*p) p += wcslen(p) + 1;
    return (size_t)(p - files) + 1;
}

HGLOBAL BuildDropFiles(const wchar_t* files, size_t n, POINT cursor) {
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT | GMEM_DDESHARE, DropFilesBlockSize(n));
    if (!memory) return nullptr;
    auto* block = static_cast<unsigned char*>(GlobalLock(memory));
    if (!block) {
        GlobalFree(memory);
        return nullptr;
    }
    // Written field by field: the block leaves the process.
    const uint32_t header[5] = {20, (uint32_t)cursor.x, (uint32_t)cursor.y, 1, 1};
    memcpy(block, header, sizeof header);
    if (files && n) memcpy(block + 20, files, n * sizeof(wchar_t));
    GlobalUnlock(memory);
    return memory;
}

CDataObject* CreateFileDataObject(const wchar_t* files, POINT cursor) {
    CDataObject* data = new (std::nothrow) CDataObject();
    if (!data) return nullptr;
    FORMATETC format = {CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    STGMEDIUM medium = {};
    medium.tymed = TYMED_HGLOBAL;
    medium.hGlobal = BuildDropFiles(files, PathListLength(files), cursor);
    if (!medium.hGlobal || FAILED(data->SetData(&format, &medium, TRUE))) {
        if (medium.hGlobal) GlobalFree(medium.hGlobal);
        data->Release();
        return nullptr;
    }
    return data;
}

static DragLoopHook dragLoopHook = nullptr;

DragLoopHook SetDragLoopHook(DragLoopHook hook) {
    DragLoopHook previous = dragLoopHook;
    dragLoopHook = hook;
    return previous;
}

DWORD DoDragFiles(HWND source, const wchar_t* files, DWORD allowedEffects) {
    DWORD effect = DROPEFFECT_NONE;
    POINT cursor = {};
    GetCursorPos(&cursor);
    CDragSource* dropSource = new (std::nothrow) CDragSource();
    CDataObject* data = files && files[0] ? CreateFileDataObject(files, cursor) : nullptr;
    if (dropSource && data) {
        AppState::DragActive = 1;
        if (!AppState::DragSourceWindow) AppState::DragSourceWindow = source;
        IDragSourceHelper* helper = nullptr;
        if (SUCCEEDED(CoCreateInstance(CLSID_DragDropHelper, nullptr, CLSCTX_INPROC_SERVER, IID_IDragSourceHelper,
                                       reinterpret_cast<void**>(&helper))) &&
            helper)
            helper->InitializeFromWindow(source, &cursor, data);
        if (dragLoopHook) effect = dragLoopHook(data, allowedEffects);
        else if (DoDragDrop(data, dropSource, allowedEffects, &effect) != DRAGDROP_S_DROP) effect = DROPEFFECT_NONE;
        if (helper) helper->Release();
    }
    if (data) data->Release();
    if (dropSource) dropSource->Release();
    // The drag is over: later drops come from elsewhere.
    AppState::DragSourceWindow = nullptr;
    AppState::DragItem = -1;
    AppState::DragActive = 0;
    return effect;
}

int DropMenuChoice(UINT command) {
    if (command == IDC_DROP_COPY) return 1;
    if (command == IDC_DROP_MOVE) return 2;
    return 0;
}

int ShowDropMenu(HWND owner, POINT screen) {
    HINSTANCE module = AppState::Instance ? AppState::Instance : GetModuleHandleW(nullptr);
    HMENU loaded = LoadMenuW(module, L"DROPMENU");
    if (!loaded) return 0;
    HMENU popup = GetSubMenu(loaded, 0);
    LangApplyPopupMenu(popup, L"DROPMENU");
    MainMenu.MakeOwnerDrawn(popup);
    CurrentPopupMenu = popup;
    // A drop from another program leaves this one in the background, where a
    // popup menu closes at once: the window comes to the front first.
    HWND top = owner ? GetAncestor(owner, GA_ROOT) : nullptr;
    if (top) SetForegroundWindow(top);
    const UINT command =
        (UINT)TrackPopupMenu(popup, TPM_RETURNCMD | TPM_RIGHTBUTTON, screen.x - 10, screen.y - 10, 0, owner, nullptr);
    if (top) PostMessageW(top, WM_NULL, 0, 0);
    CurrentPopupMenu = MainMenu.menu;
    DestroyMenu(loaded);
    return DropMenuChoice(command);
}
