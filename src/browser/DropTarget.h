// The main window's OLE drop target and the shell allocator.
#pragma once
#include <windows.h>
#include <ole2.h>

class CDropTarget : public IDropTarget {
public:
    explicit CDropTarget(HWND window);
    virtual ~CDropTarget() = default;
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE DragEnter(IDataObject* data, DWORD keys, POINTL point, DWORD* effect) override;
    HRESULT STDMETHODCALLTYPE DragOver(DWORD keys, POINTL point, DWORD* effect) override;
    HRESULT STDMETHODCALLTYPE DragLeave() override;
    HRESULT STDMETHODCALLTYPE Drop(IDataObject* data, DWORD keys, POINTL point, DWORD* effect) override;

private:
    LONG refs_ = 1;
    HWND window_;
};

void InitShellMalloc();
void ReleaseShellMalloc();
