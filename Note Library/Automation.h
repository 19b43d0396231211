#pragma once
// What every automation object of the library shares: object counting for unloading,
// IDispatch served from the embedded type library, and the error boundary that turns
// every C++ exception into an HRESULT with a description (IErrorInfo).
#include <atomic>
#include <new>
#include <string>
#include <type_traits>

#include "Failure.h"
#include "Handles.h"
#include "LateBoundCall.h"
#include "NoteLibrary.h"

namespace corkbase {

using tk::CheckCall;
using tk::ComPtr;

// Live objects and server locks, for DllCanUnloadNow.
long LiveObjects();
void LockServer(bool lock);
long ServerLocks();

// The dispatch and vtable halves of a dual interface, cached per interface.
struct DualTypeInfo {
    ITypeInfo* dispatch;
    ITypeInfo* vtable;
};
DualTypeInfo TypeInfoOf(REFIID iid);
void ReleaseTypeInfos();

// A BSTR's text; a null BSTR is empty text.
std::wstring TextOf(BSTR b);

// Records the failure as the thread's error info and returns hr.
HRESULT ReportError(REFIID iid, HRESULT hr, const std::wstring& description);

// Runs body; any exception becomes a reported failure of interface iid.
template <class F>
HRESULT Guard(REFIID iid, F&& body) noexcept {
    try {
        body();
        SetErrorInfo(0, nullptr);
        return S_OK;
    } catch (const tk::Failure& e) {
        return ReportError(iid, e.hr(), e.description());
    } catch (const std::bad_alloc&) {
        return ReportError(iid, E_OUTOFMEMORY, L"Out of memory");
    } catch (...) {
        return ReportError(iid, E_UNEXPECTED, L"Unexpected internal error");
    }
}

// Refuse, as the system's own dispatch does, a call that names an interface
// (DISP_E_UNKNOWNINTERFACE) or whose arguments record contradicts itself (E_INVALIDARG).
// No arguments record at all counts as no arguments.
void CheckCallShape(REFIID riid, const DISPPARAMS* params);
void CheckNameRequest(REFIID riid, LPOLESTR* names, UINT count, const DISPID* ids);

// For a caller that passed no EXCEPINFO: the exception that `own` holds becomes its code
// and the thread's error info; own is emptied.
HRESULT ErrorInfoFrom(REFIID iid, HRESULT hr, EXCEPINFO& own);

[[noreturn]] void ThrowInvalidArgument(const std::wstring& description);

class ObjectCount {
protected:
    ObjectCount();
    ~ObjectCount();
};

// The IUnknown, IDispatch and ISupportErrorInfo of an object whose interface is Itf. An
// Itf that extends the object's first interface Base answers for Base too, and its
// IDispatch serves the members of both.
template <class Itf, class Base = Itf>
class Dispatch : public Itf, public ISupportErrorInfo, private ObjectCount {
    static_assert(std::is_base_of_v<Base, Itf>);

public:
    Dispatch(const Dispatch&) = delete;
    Dispatch& operator=(const Dispatch&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
        if (!ppv) return E_POINTER;
        if (riid == IID_IUnknown || riid == IID_IDispatch || riid == __uuidof(Itf) || riid == __uuidof(Base)) {
            *ppv = static_cast<Itf*>(this);
        } else if (riid == IID_ISupportErrorInfo) {
            *ppv = static_cast<ISupportErrorInfo*>(this);
        } else {
            *ppv = nullptr;
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
    ULONG STDMETHODCALLTYPE Release() override {
        ULONG n = --refs_;
        if (n == 0) delete this;
        return n;
    }

    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        if (!count) return E_POINTER;
        *count = 1;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID, ITypeInfo** info) override {
        if (!info) return E_POINTER;
        *info = nullptr;
        if (index != 0) return DISP_E_BADINDEX;
        return Guard(__uuidof(Itf), [&] {
            *info = TypeInfoOf(__uuidof(Itf)).dispatch;
            (*info)->AddRef();
        });
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID, DISPID* ids) override {
        HRESULT hr = E_FAIL;
        HRESULT guard = Guard(__uuidof(Itf), [&] {
            CheckNameRequest(riid, names, count, ids);
            hr = TypeInfoOf(__uuidof(Itf)).vtable->GetIDsOfNames(names, count, ids);
        });
        return FAILED(guard) ? guard : hr;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID member, REFIID riid, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                                     EXCEPINFO* excep, UINT* argErr) override {
        if (result) VariantInit(result);
        // Without the caller's EXCEPINFO a failure still answers with its own code and
        // leaves its description for GetErrorInfo, as the system's own dispatch does.
        EXCEPINFO own{};
        HRESULT hr = E_FAIL;
        HRESULT guard = Guard(__uuidof(Itf), [&] {
            CheckCallShape(riid, params);
            hr = InvokeDual(TypeInfoOf(__uuidof(Itf)).vtable, static_cast<Itf*>(this), member, flags, params, result,
                            excep ? excep : &own, argErr);
        });
        hr = FAILED(guard) ? guard : excep ? hr : ErrorInfoFrom(__uuidof(Itf), hr, own);
        // A failed call hands out nothing the caller would have to release.
        if (FAILED(hr) && result) VariantClear(result);
        return hr;
    }

    HRESULT STDMETHODCALLTYPE InterfaceSupportsErrorInfo(REFIID riid) override {
        return riid == __uuidof(Itf) || riid == __uuidof(Base) ? S_OK : S_FALSE;
    }

protected:
    Dispatch() = default;
    virtual ~Dispatch() = default;

    template <class F>
    HRESULT Guarded(F&& body) noexcept {
        return Guard(__uuidof(Itf), std::forward<F>(body));
    }

private:
    std::atomic<ULONG> refs_{1};
};

// Checks an out-parameter pointer.
template <class T>
T* Out(T* p) {
    if (!p) throw tk::Failure(E_POINTER, L"A result pointer is missing");
    return p;
}

inline VARIANT_BOOL ToVariantBool(bool b) { return b ? VARIANT_TRUE : VARIANT_FALSE; }

}  // namespace corkbase
