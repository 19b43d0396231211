#include "Automation.h"
#include <map>
#include <vector>

namespace corkbase {
namespace {

std::atomic<long> g_objects{0};
std::atomic<long> g_locks{0};

HMODULE ThisModule() {
    HMODULE module = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCWSTR>(&ThisModule), &module);
    return module;
}

struct TypeInfoCache {
    ComPtr<ITypeLib> library;
    std::map<GUID, std::pair<ComPtr<ITypeInfo>, ComPtr<ITypeInfo>>, bool (*)(const GUID&, const GUID&)> infos{
        [](const GUID& a, const GUID& b) { return memcmp(&a, &b, sizeof(GUID)) < 0; }};
};

TypeInfoCache& Cache() {
    static TypeInfoCache cache;
    return cache;
}

// Param type of a by-reference parameter (VT_PTR to T), or VT_EMPTY.
VARTYPE PointeeType(const ELEMDESC& element) {
    const TYPEDESC& t = element.tdesc;
    if (t.vt == VT_PTR && t.lptdesc) return t.lptdesc->vt;
    return VT_EMPTY;
}

}  // namespace

ObjectCount::ObjectCount() { ++g_objects; }
ObjectCount::~ObjectCount() { --g_objects; }
long LiveObjects() { return g_objects; }
void LockServer(bool lock) { lock ? ++g_locks : --g_locks; }
long ServerLocks() { return g_locks; }

DualTypeInfo TypeInfoOf(REFIID iid) {
    TypeInfoCache& cache = Cache();
    auto found = cache.infos.find(iid);
    if (found == cache.infos.end()) {
        if (!cache.library) {
            wchar_t path[MAX_PATH];
            DWORD n = GetModuleFileNameW(ThisModule(), path, MAX_PATH);
            if (n == 0 || n == MAX_PATH) tk::ThrowLastError(L"Cannot find the library's own file");
            tk::Check(LoadTypeLibEx(path, REGKIND_NONE, cache.library.put()), L"Cannot load the type library");
        }
        ComPtr<ITypeInfo> dispatch, vtable;
        tk::Check(cache.library->GetTypeInfoOfGuid(iid, dispatch.put()), L"Cannot find the interface's type");
        // Calls go through the vtable half of the dual interface.
        HREFTYPE ref = 0;
        if (SUCCEEDED(dispatch->GetRefTypeOfImplType(static_cast<UINT>(-1), &ref)))
            tk::Check(dispatch->GetRefTypeInfo(ref, vtable.put()), L"Cannot find the interface's vtable type");
        else
            vtable = dispatch;
        found = cache.infos.emplace(iid, std::make_pair(dispatch, vtable)).first;
    }
    return {found->second.first.get(), found->second.second.get()};
}

void ReleaseTypeInfos() {
    Cache().infos.clear();
    Cache().library.reset();
}

HRESULT ReportError(REFIID iid, HRESULT hr, const std::wstring& description) {
    ComPtr<ICreateErrorInfo> create;
    if (SUCCEEDED(CreateErrorInfo(create.put()))) {
        create->SetGUID(iid);
        create->SetSource(const_cast<LPOLESTR>(L"NoteLibrary"));
        create->SetDescription(const_cast<LPOLESTR>(description.c_str()));
        auto info = create.as<IErrorInfo>(IID_IErrorInfo);
        SetErrorInfo(0, info.get());
    }
    return hr;
}

void CheckCall(HRESULT hr) {
    if (SUCCEEDED(hr)) return;
    ComPtr<IErrorInfo> error;
    tk::Bstr description;
    if (GetErrorInfo(0, error.put()) == S_OK && error) error->GetDescription(description.put());
    throw tk::Failure(hr, description.get() ? description.str() : tk::SystemMessage(static_cast<DWORD>(hr)));
}

void ThrowInvalidArgument(const std::wstring& description) { throw tk::Failure(E_INVALIDARG, description); }

HRESULT InvokeDual(ITypeInfo* vtable, void* object, DISPID member, WORD flags, DISPPARAMS* params,
                   VARIANT* result, EXCEPINFO* excep, UINT* argErr) {
    // A method call on a property get reads the property, as Visual Basic clients expect.
    if (flags & DISPATCH_METHOD) flags |= DISPATCH_PROPERTYGET;

    // Find the member's description to learn which parameters are by reference.
    TYPEATTR* attr = nullptr;
    tk::Check(vtable->GetTypeAttr(&attr), L"Cannot read the interface's type");
    FUNCDESC* func = nullptr;
    for (UINT i = 0; i < attr->cFuncs && !func; ++i) {
        FUNCDESC* f = nullptr;
        if (FAILED(vtable->GetFuncDesc(i, &f))) continue;
        if (f->memid == member && (f->invkind & flags)) func = f;
        else vtable->ReleaseFuncDesc(f);
    }
    vtable->ReleaseTypeAttr(attr);

    std::vector<VARIANT> args;
    struct WriteBack {
        VARIANT* target;  // the caller's variable
        size_t temp;      // index into temps
    };
    std::vector<VARIANT> temps;
    std::vector<WriteBack> writeBacks;
    DISPPARAMS adapted{};
    DISPPARAMS* use = params;

    if (func && params && params->cArgs > 0) {
        bool needed = false;
        for (UINT j = 0; j < params->cArgs; ++j)
            if (params->rgvarg[j].vt == (VT_BYREF | VT_VARIANT)) needed = true;
        if (needed) {
            args.assign(params->rgvarg, params->rgvarg + params->cArgs);
            temps.resize(params->cArgs);
            for (auto& t : temps) VariantInit(&t);
            for (UINT j = 0; j < params->cArgs; ++j) {
                VARIANT& arg = args[j];
                if (arg.vt != (VT_BYREF | VT_VARIANT) || !arg.pvarVal) continue;
                // Which parameter this argument fills: named ones say so, the others are in reverse.
                int param;
                if (j < params->cNamedArgs)
                    param = params->rgdispidNamedArgs[j] == DISPID_PROPERTYPUT ? func->cParams - 1
                                                                                : params->rgdispidNamedArgs[j];
                else
                    param = static_cast<int>(params->cArgs - 1 - j);
                if (param < 0 || param >= func->cParams) continue;
                VARTYPE pointee = PointeeType(func->lprgelemdescParam[param]);
                VARIANT* inner = arg.pvarVal;
                if (pointee != VT_EMPTY && pointee != VT_VARIANT && pointee != VT_PTR) {
                    HRESULT hr = VariantChangeType(&temps[j], inner, 0, pointee);
                    if (FAILED(hr)) {
                        vtable->ReleaseFuncDesc(func);
                        if (argErr) *argErr = j;
                        return DISP_E_TYPEMISMATCH;
                    }
                    arg.vt = VT_BYREF | pointee;
                    arg.byref = &temps[j].lVal;  // the union's storage, whatever the type
                    if (func->lprgelemdescParam[param].paramdesc.wParamFlags & PARAMFLAG_FOUT)
                        writeBacks.push_back({inner, j});
                } else if (pointee == VT_EMPTY) {
                    VariantCopyInd(&temps[j], inner);
                    arg = temps[j];
                }
            }
            adapted = *params;
            adapted.rgvarg = args.data();
            use = &adapted;
        }
    }
    if (func) vtable->ReleaseFuncDesc(func);

    HRESULT hr = vtable->Invoke(object, member, flags, use, result, excep, argErr);

    for (auto& w : writeBacks) {
        if (SUCCEEDED(hr)) {
            VariantClear(w.target);
            VariantCopy(w.target, &temps[w.temp]);
        }
    }
    for (auto& t : temps) VariantClear(&t);

    // A failing member's description reaches the script through EXCEPINFO.
    if (FAILED(hr) && hr != DISP_E_EXCEPTION && excep && HRESULT_FACILITY(hr) != FACILITY_DISPATCH) {
        ComPtr<IErrorInfo> error;
        if (GetErrorInfo(0, error.put()) == S_OK && error) {
            *excep = EXCEPINFO{};
            error->GetSource(&excep->bstrSource);
            error->GetDescription(&excep->bstrDescription);
            excep->scode = hr;
            hr = DISP_E_EXCEPTION;
        }
    }
    return hr;
}

}  // namespace corkbase
