#include "Automation.h"

#include <map>

#include "Module.h"

namespace corkbase {
namespace {

std::atomic<long> g_objects{0};
std::atomic<long> g_locks{0};

struct TypeInfoCache {
    ComPtr<ITypeLib> library;
    std::map<GUID, std::pair<ComPtr<ITypeInfo>, ComPtr<ITypeInfo>>, bool (*)(const GUID&, const GUID&)> infos{
        [](const GUID& a, const GUID& b) { return memcmp(&a, &b, sizeof(GUID)) < 0; }};
};

TypeInfoCache& Cache() {
    static TypeInfoCache cache;
    return cache;
}

}  // namespace

std::wstring TextOf(BSTR b) { return b ? std::wstring(b, SysStringLen(b)) : std::wstring(); }

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
            std::wstring path = tk::ModuleFileName(tk::ThisModule());
            tk::Check(LoadTypeLibEx(path.c_str(), REGKIND_NONE, cache.library.put()), L"Cannot load the type library");
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

void ThrowInvalidArgument(const std::wstring& description) { throw tk::Failure(E_INVALIDARG, description); }

void CheckCallShape(REFIID riid, const DISPPARAMS* params) {
    if (!IsEqualIID(riid, IID_NULL))
        throw tk::Failure(DISP_E_UNKNOWNINTERFACE, L"A late-bound call must name no interface (IID_NULL)");
    if (!params) return;
    if (params->cNamedArgs > params->cArgs)
        ThrowInvalidArgument(L"A late-bound call names more arguments than it passes");
    if (params->cArgs && !params->rgvarg) ThrowInvalidArgument(L"A late-bound call counts arguments it does not pass");
    if (params->cNamedArgs && !params->rgdispidNamedArgs)
        ThrowInvalidArgument(L"A late-bound call names arguments without their numbers");
}

void CheckNameRequest(REFIID riid, LPOLESTR* names, UINT count, const DISPID* ids) {
    if (!IsEqualIID(riid, IID_NULL))
        throw tk::Failure(DISP_E_UNKNOWNINTERFACE, L"A request for names must name no interface (IID_NULL)");
    if (!names || !ids || count == 0) ThrowInvalidArgument(L"A request for names passes no names or no place for them");
    for (UINT i = 0; i < count; ++i)
        if (!names[i]) ThrowInvalidArgument(L"A request for names passes a missing name");
}

HRESULT ErrorInfoFrom(REFIID iid, HRESULT hr, EXCEPINFO& own) {
    if (hr == DISP_E_EXCEPTION) {
        if (own.pfnDeferredFillIn) own.pfnDeferredFillIn(&own);
        HRESULT code = FAILED(own.scode) ? own.scode : E_FAIL;
        std::wstring description =
            own.bstrDescription ? TextOf(own.bstrDescription) : tk::SystemMessage(static_cast<DWORD>(code));
        hr = ReportError(iid, code, description);
    }
    SysFreeString(own.bstrSource);
    SysFreeString(own.bstrDescription);
    SysFreeString(own.bstrHelpFile);
    own = EXCEPINFO{};
    return hr;
}

}  // namespace corkbase
