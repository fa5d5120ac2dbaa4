// The main window's OLE drop target and the shell allocator.
#pragma once
#include <windows.h>
#include <ole2.h>
#include <shlobj.h>

#include <string>

class CDropTarget : public IDropTarget {
public:
    explicit CDropTarget(HWND window);
    virtual ~CDropTarget();
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE DragEnter(IDataObject* data, DWORD keys, POINTL point, DWORD* effect) override;
    HRESULT STDMETHODCALLTYPE DragOver(DWORD keys, POINTL point, DWORD* effect) override;
    HRESULT STDMETHODCALLTYPE DragLeave() override;
    HRESULT STDMETHODCALLTYPE Drop(IDataObject* data, DWORD keys, POINTL point, DWORD* effect) override;

    // The effect for the key state and the effects the source allows: Ctrl
    // and Shift link, Ctrl copies, Shift moves; without keys copy, else move,
    // else link. None without an accepted file list or when not allowed.
    static DWORD ChooseEffect(bool accept, DWORD keys, DWORD allowed);
    // The dropped paths as a double-zero-terminated list.
    static std::wstring DroppedPaths(HDROP drop);
    // The text of the box for files dropped where nothing takes them: every
    // path followed by "\n".
    static std::wstring DroppedFilesText(HDROP drop);
    // Whether the shell's drag-image object is there (drags work without it).
    bool HasDragImages() const { return helper_ != nullptr; }

private:
    // The owner's child under the screen point (the owner itself over its own
    // client area).
    HWND WindowAt(POINTL point) const;

    LONG refs_ = 1;
    HWND window_;
    bool accept_ = false;
    IDropTargetHelper* helper_ = nullptr;
};

void InitShellMalloc();
void ReleaseShellMalloc();
