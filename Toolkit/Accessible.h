#pragma once
// What a screen reader is told of a form: the form's own client object, as the system
// builds it, with the form's parts as its children, in the order a person meets them.
// Windowless controls have no object of their own, so the form describes them; controls
// with a window are described from their window, with the name (and value) the form
// gives them where the system would find none.
#include <windows.h>

#include <oleacc.h>

#include <functional>
#include <string>
#include <vector>

#include "Handles.h"

namespace tk {

class Control;
class WindowedControl;

// oleacc's IID_IAccessible, as mingw links it, is its import thunk, not the GUID.
extern const IID AccessibleIid;

struct AccessiblePart {
    // Exactly one of the two.
    Control* drawn = nullptr;
    WindowedControl* windowed = nullptr;
    long role = ROLE_SYSTEM_STATICTEXT;
    // Empty: a drawn control's caption, or a window's text without its access-key mark.
    std::function<std::wstring()> name;
    // Empty: none for a drawn control; a text box's text for a windowed one.
    std::function<std::wstring()> value;
    // Empty: none, or a push button's own press.
    const wchar_t* defaultAction = nullptr;
    std::function<void()> DoDefault;
};

// What a window itself is and holds, where the system's object cannot say.
struct AccessibleSelf {
    long role = 0;                        // 0: the system's
    std::function<std::wstring()> value;  // empty: the system's
};

class AccessibleForm final : public IAccessible {
public:
    // The form's window, its name (empty: the system's, the window text) and its parts.
    static ComPtr<AccessibleForm> Create(HWND form, std::function<std::wstring()> name,
                                         std::vector<AccessiblePart> parts, AccessibleSelf self = {});
    // The window goes: every later call fails, and clients lose their proxies.
    void Disconnect();

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    // IDispatch: readers use the interface itself.
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override;
    // IAccessible
    HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override;
    HRESULT STDMETHODCALLTYPE get_accChildCount(long* count) override;
    HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** object) override;
    HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override;
    HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* value) override;
    HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* description) override;
    HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) override;
    HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* state) override;
    HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT child, BSTR* help) override;
    HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT child, long* topic) override;
    HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT child, BSTR* shortcut) override;
    HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* focus) override;
    HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* selection) override;
    HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* action) override;
    HRESULT STDMETHODCALLTYPE accSelect(long flags, VARIANT child) override;
    HRESULT STDMETHODCALLTYPE accLocation(long* left, long* top, long* width, long* height, VARIANT child) override;
    HRESULT STDMETHODCALLTYPE accNavigate(long direction, VARIANT start, VARIANT* end) override;
    HRESULT STDMETHODCALLTYPE accHitTest(long x, long y, VARIANT* child) override;
    HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override;
    HRESULT STDMETHODCALLTYPE put_accName(VARIANT child, BSTR name) override;
    HRESULT STDMETHODCALLTYPE put_accValue(VARIANT child, BSTR value) override;

private:
    AccessibleForm(HWND form, std::function<std::wstring()> name, std::vector<AccessiblePart> parts,
                   AccessibleSelf self, ComPtr<IAccessible> system);
    ~AccessibleForm();

    // The part a child id names, nullptr for the form itself; a Failure for no part.
    const AccessiblePart* PartOf(const VARIANT& child) const;
    HWND WindowOf(const AccessiblePart& part) const;
    RECT ScreenRectOf(const AccessiblePart& part) const;
    std::wstring NameOf(const AccessiblePart& part) const;
    // Runs a member's body: a gone window or an unknown child fail it, nothing escapes.
    template <class F>
    HRESULT Guarded(F&& body) const;

    LONG refs_ = 1;
    HWND form_;
    std::function<std::wstring()> name_;
    std::vector<AccessiblePart> parts_;
    AccessibleSelf self_;
    ComPtr<IAccessible> system_;  // the system's client object of the form's window
};

// How many accessible objects of this module live, handed out or not: the module's code
// must stay loaded while a reader still holds one.
long LiveAccessibleObjects();

// Tells readers that the name of the form's client (child 0) or of one of its parts changed.
void NotifyNameChange(HWND form, long child = CHILDID_SELF);

}  // namespace tk
