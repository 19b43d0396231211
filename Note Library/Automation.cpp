#include "Automation.h"

#include <algorithm>
#include <deque>
#include <map>
#include <optional>
#include <vector>

#include "Module.h"
#include "Text.h"

namespace corkbase {
namespace {

std::atomic<long> g_objects{0};
std::atomic<long> g_locks{0};

std::wstring TextOf(BSTR b) { return b ? std::wstring(b, SysStringLen(b)) : std::wstring(); }

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

namespace {

// A member's description, released when it goes.
// The interface an interface extends (_Notes for _Notes2); empty for none.
ComPtr<ITypeInfo> BaseOf(ITypeInfo* info) {
    HREFTYPE ref = 0;
    ComPtr<ITypeInfo> base;
    if (SUCCEEDED(info->GetRefTypeOfImplType(0, &ref))) info->GetRefTypeInfo(ref, base.put());
    return base;
}

// A member's description, looked for in the interface and then in those it extends: a
// type's own list holds only the members it adds.
class FuncDescOf {
public:
    FuncDescOf(ITypeInfo* info, DISPID member, WORD flags) : info_(info) {
        while (info_ && !desc_) {
            TYPEATTR* attr = nullptr;
            tk::Check(info_->GetTypeAttr(&attr), L"Cannot read the interface's type");
            for (UINT i = 0; i < attr->cFuncs && !desc_; ++i) {
                FUNCDESC* f = nullptr;
                if (FAILED(info_->GetFuncDesc(i, &f))) continue;
                if (f->memid == member && (f->invkind & flags))
                    desc_ = f;
                else
                    info_->ReleaseFuncDesc(f);
            }
            info_->ReleaseTypeAttr(attr);
            if (!desc_) info_ = BaseOf(info_.get());
        }
    }
    ~FuncDescOf() {
        if (desc_) info_->ReleaseFuncDesc(desc_);
    }
    FuncDescOf(const FuncDescOf&) = delete;
    FuncDescOf& operator=(const FuncDescOf&) = delete;
    const FUNCDESC* operator->() const { return desc_; }
    explicit operator bool() const { return desc_ != nullptr; }

private:
    ComPtr<ITypeInfo> info_;  // the interface that declares the member
    FUNCDESC* desc_ = nullptr;
};

bool IsMissing(const VARIANT& v) { return v.vt == VT_ERROR && v.scode == DISP_E_PARAMNOTFOUND; }

struct ArgumentFault {
    HRESULT code;
    const wchar_t* what;
};

// What makes an argument unusable before anything reads it: a type automation does not
// know, a reference that points nowhere, an array or record that is not there. The
// system's conversions and ITypeInfo::Invoke would read through such a value.
std::optional<ArgumentFault> FaultOf(const VARIANT& v) {
    static constexpr VARTYPE kKnown[] = {
        VT_I2,      VT_I4,      VT_R4, VT_R8,  VT_CY,  VT_DATE, VT_BSTR, VT_DISPATCH, VT_ERROR, VT_BOOL, VT_VARIANT,
        VT_UNKNOWN, VT_DECIMAL, VT_I1, VT_UI1, VT_UI2, VT_UI4,  VT_I8,   VT_UI8,      VT_INT,   VT_UINT, VT_RECORD};
    const ArgumentFault unknown{DISP_E_BADVARTYPE, L"a value given is of a type automation does not know"};
    VARTYPE base = v.vt & VT_TYPEMASK;
    bool byRef = (v.vt & VT_BYREF) != 0, array = (v.vt & VT_ARRAY) != 0;
    if (v.vt & ~(VT_TYPEMASK | VT_BYREF | VT_ARRAY)) return unknown;
    if (base == VT_EMPTY || base == VT_NULL) {
        if (byRef || array) return unknown;
        return std::nullopt;
    }
    if (std::find(std::begin(kKnown), std::end(kKnown), base) == std::end(kKnown)) return unknown;
    if (base == VT_VARIANT && !byRef && !array) return unknown;
    if (byRef) {
        if (!v.byref) return ArgumentFault{DISP_E_TYPEMISMATCH, L"a value given by reference points nowhere"};
        if (base == VT_VARIANT && !array) {
            const VARIANT& inner = *v.pvarVal;
            if (inner.vt == (VT_BYREF | VT_VARIANT))
                return ArgumentFault{DISP_E_TYPEMISMATCH, L"a value given by reference refers to another reference"};
            return FaultOf(inner);
        }
        return std::nullopt;
    }
    if ((array && !v.parray) || (base == VT_RECORD && !v.pRecInfo))
        return ArgumentFault{DISP_E_TYPEMISMATCH, L"a value given holds no data"};
    return std::nullopt;
}

// Fills excep with a failure of the member and returns DISP_E_EXCEPTION.
HRESULT Raise(EXCEPINFO* excep, HRESULT code, const std::wstring& description) {
    *excep = EXCEPINFO{};
    excep->bstrSource = SysAllocString(L"NoteLibrary");
    excep->bstrDescription = SysAllocStringLen(description.data(), static_cast<UINT>(description.size()));
    excep->scode = code;
    return DISP_E_EXCEPTION;
}

std::wstring MemberName(ITypeInfo* info, DISPID member) {
    for (ComPtr<ITypeInfo> at(info); at; at = BaseOf(at.get())) {
        tk::Bstr name;
        if (SUCCEEDED(at->GetDocumentation(member, name.put(), nullptr, nullptr, nullptr)) && name.get())
            return name.str();
    }
    return L"?";
}

// "Left: "abc" is not a number": what a value that does not convert to type is.
std::wstring ConversionFailure(const std::wstring& member, const VARIANT& value, VARTYPE type, HRESULT hr) {
    tk::Variant text;
    std::wstring shown = L"the value given";
    if (value.vt == VT_BSTR || value.vt == (VT_BYREF | VT_BSTR))
        shown = Quoted(value.vt == VT_BSTR ? TextOf(value.bstrVal) : TextOf(*value.pbstrVal));
    else if (SUCCEEDED(VariantChangeType(text.get(), const_cast<VARIANT*>(&value), 0, VT_BSTR)))
        shown = TextOf(text.get()->bstrVal);
    std::wstring what = hr == DISP_E_OVERFLOW ? L"is out of range"
                        : type == VT_BOOL     ? L"is neither True nor False"
                        : type == VT_BSTR     ? L"is not text"
                                              : L"is not a number";
    return member + L": " + shown + L" " + what;
}

}  // namespace

HRESULT InvokeDual(ITypeInfo* vtable, void* object, DISPID member, WORD flags, DISPPARAMS* params, VARIANT* result,
                   EXCEPINFO* excep, UINT* argErr) {
    DISPPARAMS none{};
    if (!params) params = &none;
    for (UINT j = 0; j < params->cArgs; ++j) {
        if (auto fault = FaultOf(params->rgvarg[j])) {
            if (argErr) *argErr = j;
            return Raise(excep, fault->code, MemberName(vtable, member) + L": " + fault->what);
        }
    }
    // A method call on a property get reads the property, as Visual Basic clients expect.
    if (flags & DISPATCH_METHOD) flags |= DISPATCH_PROPERTYGET;
    FuncDescOf func(vtable, member, flags);
    if (!func) return vtable->Invoke(object, member, flags, params, result, excep, argErr);

    // Arguments in the caller's order (rgvarg holds them last first).
    UINT named = params->cNamedArgs;
    int lastUser = func->cParams - 1;  // the last parameter a caller gives, before the result
    if (lastUser >= 0 && (func->lprgelemdescParam[lastUser].paramdesc.wParamFlags & PARAMFLAG_FRETVAL)) --lastUser;
    // Arguments beyond a property's own go to the default member of the object it gives,
    // as in a script's notes.Notes(1); the system's Invoke would take them for the result.
    if (params->cArgs > static_cast<UINT>(lastUser + 1)) {
        if (func->invkind != INVOKE_PROPERTYGET || lastUser + 1 == func->cParams || named != 0) return DISP_E_BADPARAMCOUNT;
        tk::Variant got;
        DISPPARAMS noArguments{};
        HRESULT hr = InvokeDual(vtable, object, member, DISPATCH_PROPERTYGET, &noArguments, got.get(), excep, argErr);
        if (FAILED(hr)) return hr;
        if (got->vt != VT_DISPATCH || !got->pdispVal) return DISP_E_BADPARAMCOUNT;
        return got->pdispVal->Invoke(DISPID_VALUE, IID_NULL, LOCALE_USER_DEFAULT,
                                     DISPATCH_METHOD | DISPATCH_PROPERTYGET, params, result, excep, argErr);
    }
    std::vector<VARIANT> args(params->rgvarg, params->rgvarg + params->cArgs);
    std::vector<int> paramOf(args.size());
    for (UINT j = 0; j < args.size(); ++j) {
        if (j < named)
            paramOf[j] =
                params->rgdispidNamedArgs[j] == DISPID_PROPERTYPUT ? func->cParams - 1 : params->rgdispidNamedArgs[j];
        else
            paramOf[j] = static_cast<int>(args.size() - 1 - j);
    }

    std::deque<tk::Variant> temps;  // stable addresses for by-reference temporaries
    struct WriteBack {
        VARIANT* target;
        VARIANT* temp;
    };
    std::vector<WriteBack> writeBacks;

    // A typed temporary holding value, passed by reference in place of `arg`.
    auto byReference = [&](VARIANT& arg, const VARIANT& value, VARTYPE type) -> HRESULT {
        VARIANT* temp = temps.emplace_back().get();
        HRESULT hr = VariantChangeType(temp, const_cast<VARIANT*>(&value), 0, type);
        if (FAILED(hr)) return hr;
        arg.vt = VT_BYREF | type;
        arg.byref = &temp->lVal;  // the union's storage, whatever the type
        return S_OK;
    };
    // The value converted to the parameter's type here, so a failure can say what failed.
    auto byValue = [&](VARIANT& arg, VARTYPE type) -> HRESULT {
        VARIANT* temp = temps.emplace_back().get();
        HRESULT hr = VariantChangeType(temp, &arg, 0, type);
        if (SUCCEEDED(hr)) arg = *temp;
        return hr;
    };

    // Optional by-reference parameters left out get their default through a temporary:
    // passing the default itself where a pointer is expected would hand over a bad pointer.
    if (named == 0) {
        for (int p = static_cast<int>(args.size()); p <= lastUser; ++p) {
            if (!(func->lprgelemdescParam[p].paramdesc.wParamFlags & (PARAMFLAG_FOPT | PARAMFLAG_FHASDEFAULT)))
                return DISP_E_PARAMNOTOPTIONAL;
            args.insert(args.begin(), VARIANT{});
            paramOf.insert(paramOf.begin(), p);
            VariantInit(&args.front());
            args.front().vt = VT_ERROR;
            args.front().scode = DISP_E_PARAMNOTFOUND;
        }
    }

    for (UINT j = 0; j < args.size(); ++j) {
        int p = paramOf[j];
        if (p < 0 || p > lastUser) continue;
        const ELEMDESC& element = func->lprgelemdescParam[p];
        const PARAMDESC& desc = element.paramdesc;
        auto simple = [](VARTYPE t) {
            return t != VT_EMPTY && t != VT_VARIANT && t != VT_PTR && t != VT_USERDEFINED && t != VT_DISPATCH &&
                   t != VT_UNKNOWN;
        };
        VARTYPE pointee = element.tdesc.vt == VT_PTR && element.tdesc.lptdesc ? element.tdesc.lptdesc->vt
                                                                              : static_cast<VARTYPE>(VT_EMPTY);
        bool simplePointee = pointee != VT_EMPTY && simple(pointee);
        VARIANT& arg = args[j];
        VARIANT given = arg;
        VARTYPE wanted = simplePointee ? pointee : element.tdesc.vt;
        HRESULT hr = S_OK;
        if (IsMissing(arg) && simplePointee && (desc.wParamFlags & PARAMFLAG_FHASDEFAULT) && desc.pparamdescex) {
            hr = byReference(arg, desc.pparamdescex->varDefaultValue, pointee);
        } else if (arg.vt == (VT_BYREF | VT_VARIANT) && arg.pvarVal) {
            VARIANT* inner = arg.pvarVal;
            given = *inner;
            if (simplePointee) {
                hr = byReference(arg, *inner, pointee);
                if (SUCCEEDED(hr) && (desc.wParamFlags & PARAMFLAG_FOUT))
                    writeBacks.push_back({inner, temps.back().get()});
            } else if (pointee == VT_EMPTY) {
                VARIANT* copy = temps.emplace_back().get();
                hr = VariantCopyInd(copy, inner);
                arg = *copy;
                given = *copy;
                if (SUCCEEDED(hr) && simple(element.tdesc.vt) && arg.vt != element.tdesc.vt)
                    hr = byValue(arg, element.tdesc.vt);
            }
        } else if (simplePointee && arg.vt != (VT_BYREF | pointee) && !IsMissing(arg)) {
            // The system's Invoke writes an in/out result back over a value the caller gave
            // by value, freeing the caller's string; a temporary of our own takes it instead.
            if (arg.vt & VT_BYREF) {
                if (argErr) *argErr = j;
                return Raise(
                    excep, DISP_E_TYPEMISMATCH,
                    MemberName(vtable, member) + L": a value given by reference must be of the parameter's type");
            }
            hr = byReference(arg, given, pointee);
        } else if (pointee == VT_EMPTY && simple(element.tdesc.vt) && arg.vt != element.tdesc.vt && !IsMissing(arg)) {
            hr = byValue(arg, element.tdesc.vt);
        }
        if (FAILED(hr)) {
            if (argErr) *argErr = j;
            return Raise(excep, hr == DISP_E_OVERFLOW ? hr : DISP_E_TYPEMISMATCH,
                         ConversionFailure(MemberName(vtable, member), given, wanted, hr));
        }
    }
    std::vector<DISPID> namedIds(params->rgdispidNamedArgs, params->rgdispidNamedArgs + named);
    DISPPARAMS adapted{args.data(), namedIds.data(), static_cast<UINT>(args.size()), named};

    HRESULT hr = vtable->Invoke(object, member, flags, &adapted, result, excep, argErr);

    if (SUCCEEDED(hr)) {
        for (auto& w : writeBacks) {
            VariantClear(w.target);
            VariantCopy(w.target, w.temp);
        }
    }

    // A failing member's description reaches the script through EXCEPINFO.
    if (FAILED(hr) && hr != DISP_E_EXCEPTION && HRESULT_FACILITY(hr) != FACILITY_DISPATCH) {
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
