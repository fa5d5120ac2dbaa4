// The outgoing side of OLE drag and drop: a data object holding a CF_HDROP
// file list, its format enumerator, the drop source, the drag of a path list
// and the copy-or-move menu shown after a drop on a folder.
#pragma once
#include <windows.h>
#include <ole2.h>

#include <cstddef>
#include <vector>

class CDataObject : public IDataObject {
public:
    CDataObject() = default;
    virtual ~CDataObject();
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE GetData(FORMATETC* format, STGMEDIUM* medium) override;
    HRESULT STDMETHODCALLTYPE GetDataHere(FORMATETC* format, STGMEDIUM* medium) override;
    HRESULT STDMETHODCALLTYPE QueryGetData(FORMATETC* format) override;
    HRESULT STDMETHODCALLTYPE GetCanonicalFormatEtc(FORMATETC* in, FORMATETC* out) override;
    HRESULT STDMETHODCALLTYPE SetData(FORMATETC* format, STGMEDIUM* medium, BOOL release) override;
    HRESULT STDMETHODCALLTYPE EnumFormatEtc(DWORD direction, IEnumFORMATETC** enumerator) override;
    HRESULT STDMETHODCALLTYPE DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override;
    HRESULT STDMETHODCALLTYPE DUnadvise(DWORD) override;
    HRESULT STDMETHODCALLTYPE EnumDAdvise(IEnumSTATDATA**) override;

private:
    LONG refs_ = 1;
    std::vector<FORMATETC> formats_;
    std::vector<STGMEDIUM> media_;
};

class CDragSource : public IDropSource {
public:
    CDragSource() = default;
    virtual ~CDragSource() = default;
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE QueryContinueDrag(BOOL escapePressed, DWORD keys) override;
    HRESULT STDMETHODCALLTYPE GiveFeedback(DWORD effect) override;

private:
    LONG refs_ = 1;
};

class CEnumFormatEtc : public IEnumFORMATETC {
public:
    CEnumFormatEtc(const FORMATETC* formats, size_t count, size_t index = 0);
    virtual ~CEnumFormatEtc() = default;
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE Next(ULONG count, FORMATETC* out, ULONG* fetched) override;
    HRESULT STDMETHODCALLTYPE Skip(ULONG count) override;
    HRESULT STDMETHODCALLTYPE Reset() override;
    HRESULT STDMETHODCALLTYPE Clone(IEnumFORMATETC** out) override;

private:
    LONG refs_ = 1;
    std::vector<FORMATETC> formats_;
    size_t index_;
};

// Size in bytes of the DROPFILES block for a path list of n UTF-16 units: the
// 20-byte header and the list, rounded up to a whole number of 32-byte blocks
// with at least two spare bytes.
size_t DropFilesBlockSize(size_t n);
// The DROPFILES block (movable global memory; the caller owns it) for a
// double-zero-terminated list of n units, cursor in screen coordinates; null
// when the memory cannot be had.
HGLOBAL BuildDropFiles(const wchar_t* files, size_t n, POINT cursor);
// Units of a double-zero-terminated list, both terminators included.
size_t PathListLength(const wchar_t* files);
// A data object offering files as CF_HDROP, or null.
CDataObject* CreateFileDataObject(const wchar_t* files, POINT cursor);

// Drags a double-zero-terminated path list from source with the allowed
// effects; returns when the drag ends, with the program's drag record cleared.
// The caller sets AppState::DragSourceWindow and AppState::DragItem first.
// Returns the effect DoDragDrop reported (DROPEFFECT_NONE on a cancel).
DWORD DoDragFiles(HWND source, const wchar_t* files, DWORD allowedEffects);
// Runs in place of OLE's drag loop while installed (tests): it gets the data
// object and the allowed effects while the drag record is set, and returns the
// effect of the drop. Null restores DoDragDrop; returns the previous hook.
using DragLoopHook = DWORD (*)(IDataObject* data, DWORD allowedEffects);
DragLoopHook SetDragLoopHook(DragLoopHook hook);

// The drop menu at (x - 10, y - 10): 1 copy, 2 move, 0 cancel.
int ShowDropMenu(HWND owner, POINT screen);
// The choice of a drop menu command id: 1 copy, 2 move, anything else 0.
int DropMenuChoice(UINT command);
