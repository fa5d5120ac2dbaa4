// Shared by the media tests: COM on the test thread, fixture paths, a pump
// that waits under a time bound, and minimal fakes of DirectShow interfaces.
#pragma once
#include <windows.h>

#include <functional>
#include <string>

#include "media/DirectShowPlayer.h"
#include "support/TestSupport.h"

namespace mediatest {

// Pumps messages until done() holds or timeoutMs passed; true when done.
inline bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    for (;;) {
        qrvtest::Pump();
        if (done()) return true;
        if (GetTickCount() - start > timeoutMs) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    }
}

// Waits for EC_COMPLETE on a graph's event interface (no notify window).
inline bool WaitForCompletion(IMediaEventEx* events, DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < timeoutMs) {
        long code = 0;
        LONG_PTR a = 0, b = 0;
        if (SUCCEEDED(events->GetEvent(&code, &a, &b, 50))) {
            events->FreeEventParams(code, a, b);
            if (code == EC_COMPLETE) return true;
        }
    }
    return false;
}

// IUnknown with a real reference count; the fakes below derive from it.
template <class Interface>
class FakeUnknown : public Interface {
public:
    virtual ~FakeUnknown() = default;
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        if (iid == IID_IUnknown || iid == Iid()) {
            *out = static_cast<Interface*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
    ULONG STDMETHODCALLTYPE Release() override { return --refs; }
    virtual REFIID Iid() const = 0;
    LONG refs = 1;
};

// IDispatch's four members, all refused.
#define MEDIATEST_NO_DISPATCH                                                                                         \
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }                                  \
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }                     \
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }    \
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override { \
        return E_NOTIMPL;                                                                                             \
    }

// Counts the calls of run, pause and stop; each answers `result`.
class FakeControl : public FakeUnknown<IMediaControl> {
public:
    REFIID Iid() const override { return IID_IMediaControl; }
    MEDIATEST_NO_DISPATCH
    HRESULT STDMETHODCALLTYPE Run() override { return ++runs, result; }
    HRESULT STDMETHODCALLTYPE Pause() override { return ++pauses, result; }
    HRESULT STDMETHODCALLTYPE Stop() override { return ++stops, result; }
    HRESULT STDMETHODCALLTYPE GetState(LONG, OAFilterState* state) override {
        *state = State_Stopped;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE RenderFile(BSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE AddSourceFilter(BSTR, IDispatch**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_FilterCollection(IDispatch**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_RegFilterCollection(IDispatch**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE StopWhenReady() override { return E_NOTIMPL; }
    int runs = 0, pauses = 0, stops = 0;
    HRESULT result = S_OK;
};

// Holds a rate; put_Rate refuses while `refuse` is set.
class FakePosition : public FakeUnknown<IMediaPosition> {
public:
    REFIID Iid() const override { return IID_IMediaPosition; }
    MEDIATEST_NO_DISPATCH
    HRESULT STDMETHODCALLTYPE get_Duration(REFTIME*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_CurrentPosition(REFTIME) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_CurrentPosition(REFTIME*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_StopTime(REFTIME*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_StopTime(REFTIME) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_PrerollTime(REFTIME*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_PrerollTime(REFTIME) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_Rate(double value) override {
        ++puts;
        if (refuse) return E_INVALIDARG;
        rate = value;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_Rate(double* value) override {
        ++gets;
        if (failGet) return E_FAIL;
        *value = rate;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE CanSeekForward(LONG*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE CanSeekBackward(LONG*) override { return E_NOTIMPL; }
    double rate = 1.0;
    bool refuse = false, failGet = false;
    int puts = 0, gets = 0;
};

#undef MEDIATEST_NO_DISPATCH

}  // namespace mediatest
