#include "LateBoundCall.h"

#include <algorithm>

#include "Automation.h"
#include "Text.h"

namespace corkbase {
namespace {

VARIANT Missing() {
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_ERROR;
    v.scode = DISP_E_PARAMNOTFOUND;
    return v;
}

bool IsMissing(const VARIANT& v) { return v.vt == VT_ERROR && v.scode == DISP_E_PARAMNOTFOUND; }

// A type the system's conversions turn any value into.
bool IsSimple(VARTYPE t) {
    return t != VT_EMPTY && t != VT_VARIANT && t != VT_PTR && t != VT_USERDEFINED && t != VT_DISPATCH &&
           t != VT_UNKNOWN;
}

// What a by-reference parameter points at when that is a simple type; VT_EMPTY otherwise.
VARTYPE SimplePointee(const ELEMDESC& element) {
    const TYPEDESC& t = element.tdesc;
    if (t.vt != VT_PTR || !t.lptdesc || !IsSimple(t.lptdesc->vt)) return VT_EMPTY;
    return t.lptdesc->vt;
}

bool IsByValue(const ELEMDESC& element) { return element.tdesc.vt != VT_PTR; }

bool HasDefault(const PARAMDESC& desc) { return (desc.wParamFlags & PARAMFLAG_FHASDEFAULT) && desc.pparamdescex; }

// The parameters a caller gives: all but a trailing result.
UINT CallerParameters(const FUNCDESC& func) {
    UINT count = static_cast<UINT>(func.cParams);
    if (count && (func.lprgelemdescParam[count - 1].paramdesc.wParamFlags & PARAMFLAG_FRETVAL)) --count;
    return count;
}

std::optional<Refusal> FaultOf(const VARIANT& v) {
    static constexpr VARTYPE kKnown[] = {
        VT_I2,      VT_I4,      VT_R4, VT_R8,  VT_CY,  VT_DATE, VT_BSTR, VT_DISPATCH, VT_ERROR, VT_BOOL, VT_VARIANT,
        VT_UNKNOWN, VT_DECIMAL, VT_I1, VT_UI1, VT_UI2, VT_UI4,  VT_I8,   VT_UI8,      VT_INT,   VT_UINT, VT_RECORD};
    const Refusal unknown{DISP_E_BADVARTYPE, std::nullopt, L"a value given is of a type automation does not know"};
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
        if (!v.byref) return Refusal{DISP_E_TYPEMISMATCH, std::nullopt, L"a value given by reference points nowhere"};
        if (base == VT_VARIANT && !array) {
            const VARIANT& inner = *v.pvarVal;
            if (inner.vt == (VT_BYREF | VT_VARIANT))
                return Refusal{DISP_E_TYPEMISMATCH, std::nullopt,
                               L"a value given by reference refers to another reference"};
            return FaultOf(inner);
        }
        return std::nullopt;
    }
    if ((array && !v.parray) || (base == VT_RECORD && !v.pRecInfo))
        return Refusal{DISP_E_TYPEMISMATCH, std::nullopt, L"a value given holds no data"};
    return std::nullopt;
}

// "\"abc\" is not a number": what a value that does not convert to type is.
std::wstring ConversionFailure(const VARIANT& value, VARTYPE type, HRESULT hr) {
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
    return shown + L" " + what;
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
    tk::Bstr name;
    if (FAILED(info->GetDocumentation(member, name.put(), nullptr, nullptr, nullptr)) || !name.get()) return L"?";
    return name.str();
}

// Step 3's other half: the property's object, called with all the arguments.
HRESULT InvokeDefaultMemberOf(ITypeInfo* vtable, void* object, DISPID member, DISPPARAMS& params, VARIANT* result,
                              EXCEPINFO* excep, UINT* argErr) {
    tk::Variant got;
    DISPPARAMS noArguments{};
    HRESULT hr = InvokeDual(vtable, object, member, DISPATCH_PROPERTYGET, &noArguments, got.get(), excep, argErr);
    if (FAILED(hr)) return hr;
    if (got->vt != VT_DISPATCH || !got->pdispVal) return DISP_E_BADPARAMCOUNT;
    return got->pdispVal->Invoke(DISPID_VALUE, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD | DISPATCH_PROPERTYGET,
                                 &params, result, excep, argErr);
}

}  // namespace

HRESULT InvokeDual(ITypeInfo* vtable, void* object, DISPID member, WORD flags, DISPPARAMS* params, VARIANT* result,
                   EXCEPINFO* excep, UINT* argErr) {
    DISPPARAMS none{};
    DISPPARAMS& given = params ? *params : none;
    auto refuse = [&](const Refusal& refusal) {
        if (argErr && refusal.argument) *argErr = *refusal.argument;
        if (refusal.description.empty()) return refusal.code;
        return Raise(excep, refusal.code, MemberName(vtable, member) + L": " + refusal.description);
    };

    if (auto refusal = ScreenArguments(given)) return refuse(*refusal);
    flags = MethodReadsProperty(flags);
    FuncDescOf func(vtable, member, flags);
    if (!func) return vtable->Invoke(object, member, flags, &given, result, excep, argErr);
    switch (SurplusOf(*func, given)) {
        case Surplus::Refused:
            return DISP_E_BADPARAMCOUNT;
        case Surplus::ForDefaultMember:
            return InvokeDefaultMemberOf(vtable, object, member, given, result, excep, argErr);
        case Surplus::None:
            break;
    }
    Arguments args(*func, given);
    for (auto step : {&Arguments::Place, &Arguments::SupplyOmitted, &Arguments::Convert})
        if (auto refusal = (args.*step)()) return refuse(*refusal);

    DISPPARAMS record = args.Record();
    UINT recordErr = UINT_MAX;
    HRESULT hr = vtable->Invoke(object, member, flags, &record, result, excep, &recordErr);
    if (argErr && recordErr != UINT_MAX)
        if (auto index = args.CallerIndex(recordErr)) *argErr = *index;
    if (SUCCEEDED(hr)) args.WriteBack();
    return WithErrorInfo(hr, excep);
}

namespace {

// The library's interface this one extends; empty for one that extends only the system's
// IDispatch, whose members no script calls through Invoke.
tk::ComPtr<ITypeInfo> BaseOf(ITypeInfo* info) {
    TYPEATTR* attr = nullptr;
    if (FAILED(info->GetTypeAttr(&attr))) return {};
    bool extends = attr->typekind == TKIND_INTERFACE && attr->cImplTypes > 0;
    info->ReleaseTypeAttr(attr);
    HREFTYPE ref = 0;
    tk::ComPtr<ITypeInfo> base;
    if (!extends || FAILED(info->GetRefTypeOfImplType(0, &ref)) || FAILED(info->GetRefTypeInfo(ref, base.put())) ||
        FAILED(base->GetTypeAttr(&attr)))
        return {};
    bool system = IsEqualGUID(attr->guid, IID_IDispatch) || IsEqualGUID(attr->guid, IID_IUnknown);
    base->ReleaseTypeAttr(attr);
    return system ? tk::ComPtr<ITypeInfo>() : base;
}

}  // namespace

// An interface that extends another holds the other's members too: they are looked for there.
FuncDescOf::FuncDescOf(ITypeInfo* info, DISPID member, WORD flags) {
    for (tk::ComPtr<ITypeInfo> at(info); at && !desc_; at = BaseOf(at.get())) {
        TYPEATTR* attr = nullptr;
        tk::Check(at->GetTypeAttr(&attr), L"Cannot read the interface's type");
        for (UINT i = 0; i < attr->cFuncs && !desc_; ++i) {
            FUNCDESC* f = nullptr;
            if (FAILED(at->GetFuncDesc(i, &f))) continue;
            if (f->memid == member && (f->invkind & flags))
                desc_ = f;
            else
                at->ReleaseFuncDesc(f);
        }
        at->ReleaseTypeAttr(attr);
        if (desc_) info_ = at;
    }
}

FuncDescOf::~FuncDescOf() {
    if (desc_) info_->ReleaseFuncDesc(desc_);
}

std::optional<Refusal> ScreenArguments(const DISPPARAMS& params) {
    for (UINT j = 0; j < params.cArgs; ++j) {
        if (auto fault = FaultOf(params.rgvarg[j])) {
            fault->argument = j;
            return fault;
        }
    }
    return std::nullopt;
}

WORD MethodReadsProperty(WORD flags) { return flags & DISPATCH_METHOD ? flags | DISPATCH_PROPERTYGET : flags; }

Surplus SurplusOf(const FUNCDESC& func, const DISPPARAMS& params) {
    UINT count = CallerParameters(func);
    if (params.cArgs - params.cNamedArgs <= count) return Surplus::None;
    bool givesResult = count < static_cast<UINT>(func.cParams);
    if (func.invkind != INVOKE_PROPERTYGET || !givesResult || params.cNamedArgs != 0) return Surplus::Refused;
    return Surplus::ForDefaultMember;
}

Arguments::Arguments(const FUNCDESC& func, const DISPPARAMS& params)
    : func_(func), params_(params), count_(CallerParameters(func)), values_(count_, Missing()), given_(count_) {}

std::optional<Refusal> Arguments::Place() {
    UINT named = params_.cNamedArgs, positional = params_.cArgs - named;
    for (UINT p = 0; p < positional && p < count_; ++p) given_[p] = params_.cArgs - 1 - p;
    bool put = (func_.invkind & (INVOKE_PROPERTYPUT | INVOKE_PROPERTYPUTREF)) != 0;
    for (UINT j = 0; j < named; ++j) {
        DISPID name = params_.rgdispidNamedArgs[j];
        if (name == DISPID_PROPERTYPUT && put && count_) name = static_cast<DISPID>(count_ - 1);
        if (name < 0 || static_cast<UINT>(name) >= count_ || given_[name]) return Refusal{DISP_E_PARAMNOTFOUND, j, {}};
        given_[name] = j;
    }
    for (UINT p = 0; p < count_; ++p) {
        if (!given_[p]) continue;
        // Visual Basic passes an empty place in the list as "missing": left out, like one not given.
        if (IsMissing(params_.rgvarg[*given_[p]]))
            given_[p].reset();
        else
            values_[p] = params_.rgvarg[*given_[p]];
    }
    return std::nullopt;
}

std::optional<Refusal> Arguments::SupplyOmitted() {
    for (UINT p = 0; p < count_; ++p) {
        if (given_[p]) continue;
        const ELEMDESC& element = func_.lprgelemdescParam[p];
        const PARAMDESC& desc = element.paramdesc;
        if (!(desc.wParamFlags & (PARAMFLAG_FOPT | PARAMFLAG_FHASDEFAULT)))
            return Refusal{DISP_E_PARAMNOTOPTIONAL, {}, {}};
        VARTYPE pointee = SimplePointee(element);
        if (pointee != VT_EMPTY && HasDefault(desc)) {
            HRESULT hr = ByReference(p, desc.pparamdescex->varDefaultValue, pointee);
            if (FAILED(hr)) return Refusal{hr, {}, {}};
        }
    }
    return std::nullopt;
}

std::optional<Refusal> Arguments::Convert() {
    for (UINT p = 0; p < count_; ++p) {
        if (!given_[p]) continue;
        const ELEMDESC& element = func_.lprgelemdescParam[p];
        const PARAMDESC& desc = element.paramdesc;
        VARTYPE pointee = SimplePointee(element), declared = element.tdesc.vt;
        VARIANT& arg = values_[p];
        VARIANT given = arg;
        HRESULT hr = S_OK;
        if (arg.vt == (VT_BYREF | VT_VARIANT)) {
            VARIANT* variable = arg.pvarVal;
            given = *variable;
            if (pointee != VT_EMPTY) {
                hr = ByReference(p, *variable, pointee);
                if (SUCCEEDED(hr) && (desc.wParamFlags & PARAMFLAG_FOUT))
                    written_.push_back({variable, temps_.back().get()});
            } else if (IsByValue(element)) {
                VARIANT* copy = Temporary();
                hr = VariantCopyInd(copy, variable);
                arg = given = *copy;
                if (SUCCEEDED(hr) && IsSimple(declared) && arg.vt != declared) hr = ByValue(p, declared);
            }
        } else if (pointee != VT_EMPTY && arg.vt != (VT_BYREF | pointee)) {
            // The system's Invoke writes an in/out result back over a value the caller gave
            // by value, freeing the caller's string; a temporary of our own takes it instead.
            if (arg.vt & VT_BYREF)
                return Refusal{DISP_E_TYPEMISMATCH, *given_[p],
                               L"a value given by reference must be of the parameter's type"};
            hr = ByReference(p, given, pointee);
        } else if (IsByValue(element) && IsSimple(declared) && arg.vt != declared) {
            hr = ByValue(p, declared);
        }
        if (FAILED(hr))
            return Refusal{hr == DISP_E_OVERFLOW ? hr : DISP_E_TYPEMISMATCH, *given_[p],
                           ConversionFailure(given, pointee != VT_EMPTY ? pointee : declared, hr)};
    }
    return std::nullopt;
}

DISPPARAMS Arguments::Record() {
    // Last parameter first, as rgvarg holds arguments; a property's value keeps its name.
    record_.assign(values_.rbegin(), values_.rend());
    bool put = (func_.invkind & (INVOKE_PROPERTYPUT | INVOKE_PROPERTYPUTREF)) && !record_.empty();
    return {record_.data(), put ? &propertyPut_ : nullptr, static_cast<UINT>(record_.size()), put ? 1u : 0u};
}

std::optional<UINT> Arguments::CallerIndex(UINT recordIndex) const {
    if (recordIndex >= count_) return std::nullopt;
    return given_[count_ - 1 - recordIndex];
}

void Arguments::WriteBack() {
    for (const Written& w : written_) {
        VariantClear(w.variable);
        VariantCopy(w.variable, w.temp);
    }
}

VARIANT* Arguments::Temporary() { return temps_.emplace_back().get(); }

HRESULT Arguments::ByReference(UINT parameter, const VARIANT& value, VARTYPE type) {
    VARIANT* temp = Temporary();
    HRESULT hr = VariantChangeType(temp, const_cast<VARIANT*>(&value), 0, type);
    if (FAILED(hr)) return hr;
    VARIANT& arg = values_[parameter];
    arg.vt = VT_BYREF | type;
    arg.byref = &temp->lVal;  // the union's storage, whatever the type
    return S_OK;
}

HRESULT Arguments::ByValue(UINT parameter, VARTYPE type) {
    VARIANT* temp = Temporary();
    HRESULT hr = VariantChangeType(temp, &values_[parameter], 0, type);
    if (SUCCEEDED(hr)) values_[parameter] = *temp;
    return hr;
}

HRESULT WithErrorInfo(HRESULT hr, EXCEPINFO* excep) {
    if (SUCCEEDED(hr) || hr == DISP_E_EXCEPTION || HRESULT_FACILITY(hr) == FACILITY_DISPATCH) return hr;
    ComPtr<IErrorInfo> error;
    if (GetErrorInfo(0, error.put()) != S_OK || !error) return hr;
    *excep = EXCEPINFO{};
    error->GetSource(&excep->bstrSource);
    error->GetDescription(&excep->bstrDescription);
    excep->scode = hr;
    return DISP_E_EXCEPTION;
}

}  // namespace corkbase
