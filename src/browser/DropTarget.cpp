// The main window's drop target: hover and drop go to the window under the
// cursor, the browser's file list, its folder tree or the main window itself;
// files dropped anywhere else are listed in a box. The shell's drag-image
// object draws the drag image when it can be had.
#include "browser/DropTarget.h"

#include <commctrl.h>
#include <shellapi.h>

#include "app/AppState.h"
#include "app/ShellStandIns.h"
#include "browser/Browser.h"
#include "browser/BrowserControls.h"
#include "browser/FileListView.h"
#include "image/Common.h"

CDropTarget::CDropTarget(HWND window) : window_(window) {
    if (FAILED(CoCreateInstance(CLSID_DragDropHelper, nullptr, CLSCTX_INPROC_SERVER, IID_IDropTargetHelper,
                                reinterpret_cast<void**>(&helper_))))
        helper_ = nullptr;
}

CDropTarget::~CDropTarget() {
    if (helper_) helper_->Release();
}

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

std::wstring CDropTarget::DroppedPaths(HDROP drop) {
    std::wstring list;
    const UINT count = drop ? DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0) : 0;
    for (UINT i = 0; i < count; ++i) {
        const UINT length = DragQueryFileW(drop, i, nullptr, 0);
        std::wstring path(length + 1, L'\0');
        DragQueryFileW(drop, i, path.data(), length + 1);
        path.resize(length);
        list += path;
        list.push_back(L'\0');
    }
    list.push_back(L'\0');
    return list;
}

std::wstring CDropTarget::DroppedFilesText(HDROP drop) {
    std::wstring text;
    const std::wstring list = DroppedPaths(drop);
    for (const wchar_t* p = list.c_str(); *p; p += wcslen(p) + 1) {
        text += p;
        text += L"\n";
    }
    return text;
}

HWND CDropTarget::WindowAt(POINTL point) const {
    // The browser's list and tree first: they lie inside the tab control's
    // area, and which sibling a point test meets first depends on their order.
    const POINT screen = {point.x, point.y};
    if (Browser.IsShown()) {
        for (HWND w : {Browser.fileListWindow, Browser.folderTreeWindow}) {
            RECT r = {};
            if (w && IsWindowVisible(w) && GetWindowRect(w, &r) && PtInRect(&r, screen)) return w;
        }
    }
    POINT client = {point.x, point.y};
    ScreenToClient(window_, &client);
    HWND child = RealChildWindowFromPoint(window_, client);
    return child ? child : window_;
}

HRESULT STDMETHODCALLTYPE CDropTarget::DragEnter(IDataObject* data, DWORD keys, POINTL point, DWORD* effect) {
    if (helper_ && data && effect) {
        POINT p = {point.x, point.y};
        helper_->DragEnter(window_, data, &p, *effect);
    }
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
    const HWND target = WindowAt(point);
    const POINT screen = {point.x, point.y};
    const bool browser = Browser.IsShown();
    if (chosen == DROPEFFECT_NONE) *effect = DROPEFFECT_NONE;
    else if (browser && target == Browser.fileListWindow) *effect = FileListDragOver(target, screen, chosen);
    else if (browser && target == Browser.folderTreeWindow)
        *effect = FolderTreeDragOver(target, screen.x, screen.y, chosen);
    else if (target == window_) *effect = QueryDropEffect(target, chosen);
    else *effect = DROPEFFECT_NONE;
    if (helper_) {
        POINT p = screen;
        helper_->DragOver(&p, *effect);
    }
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CDropTarget::DragLeave() {
    if (helper_) helper_->DragLeave();
    if (Browser.IsShown() && Browser.folderTreeWindow)
        SendMessageW(Browser.folderTreeWindow, TVM_SELECTITEM, TVGN_DROPHILITE, 0);
    accept_ = false;
    AppState::DragActive = 0;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CDropTarget::Drop(IDataObject* data, DWORD keys, POINTL point, DWORD* effect) {
    if (helper_ && data) {
        POINT p = {point.x, point.y};
        helper_->Drop(data, &p, effect ? *effect : DROPEFFECT_NONE);
    }
    HRESULT result = S_OK;
    const DWORD chosen = ChooseEffect(accept_, keys, effect ? *effect : DROPEFFECT_NONE);
    if (chosen == DROPEFFECT_NONE || !data) {
        result = E_FAIL;
    } else {
        FORMATETC format = {CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
        STGMEDIUM medium = {};
        result = data->GetData(&format, &medium);
        if (SUCCEEDED(result)) {
            HDROP drop = static_cast<HDROP>(medium.hGlobal);
            const HWND target = WindowAt(point);
            const POINT screen = {point.x, point.y};
            const bool browser = Browser.IsShown();
            if (browser && target == Browser.fileListWindow) {
                FileListDrop(target, screen, DroppedPaths(drop).c_str());
            } else if (browser && target == Browser.folderTreeWindow) {
                FolderTreeDrop(target, screen.x, screen.y, chosen, drop);
            } else if (target == window_) {
                OpenDroppedItem(window_, drop);
            } else {
                const std::wstring text = DroppedFilesText(drop);
                SetForegroundWindow(window_);
                ShowCaptionedText(MessageOwner{window_}, L"Files Dropped (but dont process it)", text.c_str());
            }
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
