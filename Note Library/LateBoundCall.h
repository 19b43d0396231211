#pragma once
// A late-bound call on a dual interface: ITypeInfo::Invoke, with the steps around it that
// serve how clients really call. Script hosts call a property get as a method (JScript's
// Enumerator), pass variables by reference as VT_BYREF|VT_VARIANT (VBScript) and pass an
// item's number to the property that gives the list (notes.Notes(1)); other clients name
// arguments by their parameter's number.
#include <windows.h>

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "Handles.h"

namespace corkbase {

// The call, as the steps below in order. An argument that does not convert fails with a
// description naming the member and the value. excep must not be null.
HRESULT InvokeDual(ITypeInfo* vtable, void* object, DISPID member, WORD flags, DISPPARAMS* params, VARIANT* result,
                   EXCEPINFO* excep, UINT* argErr);

// Why a call is refused before the member runs. With a description it reaches the caller
// as the member's exception ("<member>: <description>"); without one, code is the call's
// own result.
struct Refusal {
    HRESULT code;
    std::optional<UINT> argument;  // the refused argument's index in rgvarg, for puArgErr
    std::wstring description;
};

// A member's description, released when it goes; empty when the interface has no member
// of that id callable with these flags.
class FuncDescOf {
public:
    FuncDescOf(ITypeInfo* info, DISPID member, WORD flags);
    ~FuncDescOf();
    FuncDescOf(const FuncDescOf&) = delete;
    FuncDescOf& operator=(const FuncDescOf&) = delete;
    const FUNCDESC& operator*() const { return *desc_; }
    const FUNCDESC* operator->() const { return desc_; }
    explicit operator bool() const { return desc_ != nullptr; }

private:
    tk::ComPtr<ITypeInfo> info_;  // the interface, or the one it extends, that declares the member
    FUNCDESC* desc_ = nullptr;
};

// Step 1: an argument unusable before anything reads it: a type automation does not know,
// a reference that points nowhere, an array or record that is not there. The system's
// conversions and ITypeInfo::Invoke would read through such a value.
std::optional<Refusal> ScreenArguments(const DISPPARAMS& params);

// Step 2: a method call on a property get reads the property, as Visual Basic clients expect.
WORD MethodReadsProperty(WORD flags);

// Step 3: more arguments by position than the member has parameters. On a property get
// that gives an object they go to that object's default member, as in notes.Notes(1)
// (the system's Invoke would take them for the result); anything else is refused.
enum class Surplus { None, ForDefaultMember, Refused };
Surplus SurplusOf(const FUNCDESC& func, const DISPPARAMS& params);

// Steps 4 to 7: the arguments as ITypeInfo::Invoke takes them, one for each parameter a
// caller gives (the result is not one), first parameter first.
class Arguments {
public:
    Arguments(const FUNCDESC& func, const DISPPARAMS& params);
    Arguments(const Arguments&) = delete;
    Arguments& operator=(const Arguments&) = delete;

    // Step 4: which parameter each argument is for: by position, then by name (the
    // parameter's number, or DISPID_PROPERTYPUT for the value of a property put). A name
    // the member does not have, or a parameter given twice, is DISP_E_PARAMNOTFOUND. An
    // argument marked missing counts as not given.
    std::optional<Refusal> Place();
    // Step 5: each parameter no argument gives. A by-reference one with a default gets
    // it through a temporary (the default itself, where a pointer is expected, would be a
    // bad pointer); another optional one is left to ITypeInfo::Invoke as missing; a
    // required one is DISP_E_PARAMNOTOPTIONAL.
    std::optional<Refusal> SupplyOmitted();
    // Step 6: each argument given in its parameter's type. A by-value one is converted
    // here, so that a failure can say what failed; a by-reference one goes through a
    // typed temporary, whose value a VT_BYREF|VT_VARIANT variable gets back after the call.
    std::optional<Refusal> Convert();

    // The record to pass: valid while this lives and nothing above runs again.
    DISPPARAMS Record();
    // The caller's index of the argument at this place of Record(), if the caller gave it.
    std::optional<UINT> CallerIndex(UINT recordIndex) const;
    // Step 7, after the member succeeded: each in/out result back into the caller's variable.
    void WriteBack();

private:
    struct Written {
        VARIANT* variable;  // the caller's, given as VT_BYREF|VT_VARIANT
        VARIANT* temp;
    };

    const FUNCDESC& func_;
    const DISPPARAMS& params_;
    UINT count_;                              // the parameters a caller gives
    std::vector<VARIANT> values_;             // by parameter; shallow copies or temporaries
    std::vector<std::optional<UINT>> given_;  // each parameter's argument, as its index in rgvarg
    std::deque<tk::Variant> temps_;           // stable addresses for by-reference temporaries
    std::vector<Written> written_;
    std::vector<VARIANT> record_;
    DISPID propertyPut_ = DISPID_PROPERTYPUT;

    VARIANT* Temporary();
    HRESULT ByReference(UINT parameter, const VARIANT& value, VARTYPE type);
    HRESULT ByValue(UINT parameter, VARTYPE type);
};

// Step 8: a member's failure whose description the member left as the thread's error
// info reaches the caller through EXCEPINFO, which is where a script reads it.
HRESULT WithErrorInfo(HRESULT hr, EXCEPINFO* excep);

}  // namespace corkbase
