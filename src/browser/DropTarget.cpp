// Stand-in of the drop target: it accepts no drops yet.
#include "browser/DropTarget.h"

#include <shlobj.h>

#include "app/AppState.h"

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

ULONG STDMETHODCALLTYPE CDropTarget::AddRef() {
    return (ULONG)InterlockedIncrement(&refs_);
}

ULONG STDMETHODCALLTYPE CDropTarget::Release() {
    LONG n = InterlockedDecrement(&refs_);
    if (n == 0) delete this;
    return (ULONG)n;
}

HRESULT STDMETHODCALLTYPE CDropTarget::DragEnter(IDataObject*, DWORD, POINTL, DWORD* effect) {
    AppState::DragActive = 1;
    if (effect) *effect = DROPEFFECT_NONE;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CDropTarget::DragOver(DWORD, POINTL, DWORD* effect) {
    if (effect) *effect = DROPEFFECT_NONE;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CDropTarget::DragLeave() {
    AppState::DragActive = 0;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CDropTarget::Drop(IDataObject*, DWORD, POINTL, DWORD* effect) {
    AppState::DragActive = 0;
    if (effect) *effect = DROPEFFECT_NONE;
    return S_OK;
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
