// The main window's drop target: a file list dropped on the window itself
// opens its first file or folder; other child windows refuse drops for now.
#include "browser/DropTarget.h"

#include <shlobj.h>

#include "app/AppState.h"
#include "app/ShellStandIns.h"

CDropTarget::CDropTarget(HWND window) : window_(window) {}

HRESULT STDMETHODCALLTYPE CDropTarget::QueryInterface(REFIID riid, void** object) {
    if (!object) return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDropTarget)) {
        *object = static_cast<IDropTarget*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE CDropTarget::AddRef() { return (ULONG)InterlockedIncrement(&refs_); }

ULONG STDMETHODCALLTYPE CDropTarget::Release() {
    LONG n = InterlockedDecrement(&refs_);
    if (n == 0) delete this;
    return (ULONG)n;
}

DWORD CDropTarget::ChooseEffect(bool accept, DWORD keys, DWORD allowed) {
    if (!accept) return DROPEFFECT_NONE;
    const bool ctrl = (keys & MK_CONTROL) != 0, shift = (keys & MK_SHIFT) != 0;
    DWORD effect;
    if (ctrl && shift) effect = DROPEFFECT_LINK;
    else if (ctrl) effect = DROPEFFECT_COPY;
    else if (shift) effect = DROPEFFECT_MOVE;
    else {
        if (allowed & DROPEFFECT_COPY) return DROPEFFECT_COPY;
        if (allowed & DROPEFFECT_MOVE) return DROPEFFECT_MOVE;
        if (allowed & DROPEFFECT_LINK) return DROPEFFECT_LINK;
        return DROPEFFECT_NONE;
    }
    if (!(allowed & effect) || effect == DROPEFFECT_LINK) return DROPEFFECT_NONE;
    return effect;
}

HWND CDropTarget::WindowAt(POINTL point) const {
    POINT client = {point.x, point.y};
    ScreenToClient(window_, &client);
    HWND child = RealChildWindowFromPoint(window_, client);
    return child ? child : window_;
}

HRESULT STDMETHODCALLTYPE CDropTarget::DragEnter(IDataObject* data, DWORD keys, POINTL, DWORD* effect) {
    FORMATETC format = {CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    accept_ = data && data->QueryGetData(&format) == S_OK;
    if (effect) *effect = ChooseEffect(accept_, keys, *effect);
    AppState::DragActive = 1;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CDropTarget::DragOver(DWORD keys, POINTL point, DWORD* effect) {
    AppState::DragActive = 1;
    if (!effect) return S_OK;
    const DWORD chosen = ChooseEffect(accept_, keys, *effect);
    // Only the main window itself takes drops until the browser's list and
    // tree do; any other child refuses them.
    const HWND target = WindowAt(point);
    *effect = target == window_ ? QueryDropEffect(target, chosen) : DROPEFFECT_NONE;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CDropTarget::DragLeave() {
    accept_ = false;
    AppState::DragActive = 0;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CDropTarget::Drop(IDataObject* data, DWORD keys, POINTL point, DWORD* effect) {
    HRESULT result = S_OK;
    const DWORD chosen = ChooseEffect(accept_, keys, effect ? *effect : DROPEFFECT_NONE);
    if (chosen == DROPEFFECT_NONE || !data) {
        result = E_FAIL;
    } else {
        FORMATETC format = {CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
        STGMEDIUM medium = {};
        result = data->GetData(&format, &medium);
        if (SUCCEEDED(result)) {
            if (WindowAt(point) == window_) OpenDroppedItem(window_, static_cast<HDROP>(medium.hGlobal));
            ReleaseStgMedium(&medium);
            result = S_OK;
        }
    }
    if (effect) *effect = result == S_OK ? chosen : DROPEFFECT_NONE;
    accept_ = false;
    AppState::DragActive = 0;
    return result;
}

static IMalloc* g_shellMalloc = nullptr;

void InitShellMalloc() {
    if (!g_shellMalloc) SHGetMalloc(&g_shellMalloc);
}

void ReleaseShellMalloc() {
    if (g_shellMalloc) {
        g_shellMalloc->Release();
        g_shellMalloc = nullptr;
    }
}
