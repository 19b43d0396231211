#include "Accessible.h"

#include <algorithm>
#include <atomic>

#include "Control.h"
#include "Failure.h"
#include "WindowText.h"
#include "WindowedControl.h"

namespace tk {

const IID AccessibleIid = {0x618736E0, 0x3C3D, 0x11CF, {0x81, 0x0C, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}};

namespace {

std::atomic<long> g_accessibleObjects{0};

HRESULT Report(HRESULT hr, const std::wstring& description) {
    ComPtr<ICreateErrorInfo> create;
    if (SUCCEEDED(CreateErrorInfo(create.put()))) {
        create->SetGUID(AccessibleIid);
        create->SetSource(const_cast<LPOLESTR>(L"Quillpost"));
        create->SetDescription(const_cast<LPOLESTR>(description.c_str()));
        auto info = create.as<IErrorInfo>(IID_IErrorInfo);
        SetErrorInfo(0, info.get());
    }
    return hr;
}

HRESULT Text(BSTR* out, const std::wstring& text) {
    if (!out) return E_POINTER;
    *out = Bstr(text).release();
    return S_OK;
}

VARIANT Long(long value) {
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_I4;
    v.lVal = value;
    return v;
}

}  // namespace

ComPtr<AccessibleForm> AccessibleForm::Create(HWND form, std::function<std::wstring()> name,
                                              std::vector<AccessiblePart> parts, AccessibleSelf self) {
    ComPtr<IAccessible> system;
    Check(CreateStdAccessibleObject(form, OBJID_CLIENT, AccessibleIid, reinterpret_cast<void**>(system.put())),
          L"Cannot create the window's accessible object");
    return ComPtr<AccessibleForm>::Attach(
        new AccessibleForm(form, std::move(name), std::move(parts), std::move(self), std::move(system)));
}

AccessibleForm::AccessibleForm(HWND form, std::function<std::wstring()> name, std::vector<AccessiblePart> parts,
                               AccessibleSelf self, ComPtr<IAccessible> system)
    : form_(form),
      name_(std::move(name)),
      parts_(std::move(parts)),
      self_(std::move(self)),
      system_(std::move(system)) {
    ++g_accessibleObjects;
}

AccessibleForm::~AccessibleForm() { --g_accessibleObjects; }

long LiveAccessibleObjects() { return g_accessibleObjects; }

void AccessibleForm::Disconnect() {
    form_ = nullptr;
    parts_.clear();
    name_ = nullptr;
    self_ = {};
    system_.reset();
    CoDisconnectObject(static_cast<IAccessible*>(this), 0);
}

template <class F>
HRESULT AccessibleForm::Guarded(F&& body) const {
    try {
        if (!form_ || !IsWindow(form_)) return Report(CO_E_OBJNOTCONNECTED, L"The window is gone");
        HRESULT hr = body();
        SetErrorInfo(0, nullptr);
        return hr;
    } catch (const Failure& e) {
        return Report(e.hr(), e.description());
    } catch (const std::bad_alloc&) {
        return Report(E_OUTOFMEMORY, L"Out of memory");
    } catch (...) {
        return Report(E_UNEXPECTED, L"Unexpected internal error");
    }
}

const AccessiblePart* AccessibleForm::PartOf(const VARIANT& child) const {
    if (child.vt != VT_I4) throw Failure(E_INVALIDARG, L"A child is named by a number");
    if (child.lVal == CHILDID_SELF) return nullptr;
    if (child.lVal < 1 || static_cast<size_t>(child.lVal) > parts_.size())
        throw Failure(E_INVALIDARG, L"The window has no child " + std::to_wstring(child.lVal));
    return &parts_[static_cast<size_t>(child.lVal) - 1];
}

HWND AccessibleForm::WindowOf(const AccessiblePart& part) const {
    return part.windowed ? part.windowed->hWnd() : nullptr;
}

RECT AccessibleForm::ScreenRectOf(const AccessiblePart& part) const {
    RECT rc{};
    if (part.windowed) {
        GetWindowRect(WindowOf(part), &rc);
        return rc;
    }
    rc = part.drawn->PixelRect();
    MapWindowPoints(form_, nullptr, reinterpret_cast<POINT*>(&rc), 2);
    return rc;
}

std::wstring AccessibleForm::NameOf(const AccessiblePart& part) const {
    if (part.name) return part.name();
    if (part.drawn) return part.drawn->Caption();
    std::wstring text = WindowTextOf(WindowOf(part));
    std::erase(text, L'&');
    return text;
}

HRESULT AccessibleForm::QueryInterface(REFIID iid, void** out) {
    if (!out) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IDispatch || iid == AccessibleIid) {
        *out = static_cast<IAccessible*>(this);
        AddRef();
        return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
}

ULONG AccessibleForm::AddRef() { return static_cast<ULONG>(InterlockedIncrement(&refs_)); }

ULONG AccessibleForm::Release() {
    LONG left = InterlockedDecrement(&refs_);
    if (left == 0) delete this;
    return static_cast<ULONG>(left);
}

HRESULT AccessibleForm::GetTypeInfoCount(UINT* count) {
    if (!count) return E_POINTER;
    *count = 0;
    return S_OK;
}
HRESULT AccessibleForm::GetTypeInfo(UINT, LCID, ITypeInfo**) { return E_NOTIMPL; }
HRESULT AccessibleForm::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) { return E_NOTIMPL; }
HRESULT AccessibleForm::Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) {
    return E_NOTIMPL;
}

HRESULT AccessibleForm::get_accParent(IDispatch** parent) {
    return Guarded([&] { return system_->get_accParent(parent); });
}

HRESULT AccessibleForm::get_accChildCount(long* count) {
    return Guarded([&] {
        if (!count) return E_POINTER;
        *count = static_cast<long>(parts_.size());
        return S_OK;
    });
}

// Every part is a child element of this object, answered here.
HRESULT AccessibleForm::get_accChild(VARIANT child, IDispatch** object) {
    return Guarded([&] {
        if (!object) return E_POINTER;
        *object = nullptr;
        PartOf(child);
        return S_FALSE;
    });
}

HRESULT AccessibleForm::get_accName(VARIANT child, BSTR* name) {
    return Guarded([&] {
        const AccessiblePart* part = PartOf(child);
        if (!part) return name_ ? Text(name, name_()) : system_->get_accName(child, name);
        return Text(name, NameOf(*part));
    });
}

HRESULT AccessibleForm::get_accValue(VARIANT child, BSTR* value) {
    return Guarded([&] {
        const AccessiblePart* part = PartOf(child);
        if (!part) return self_.value ? Text(value, self_.value()) : system_->get_accValue(child, value);
        if (part->value) return Text(value, part->value());
        if (part->windowed && part->role == ROLE_SYSTEM_TEXT) return Text(value, WindowTextOf(WindowOf(*part)));
        if (value) *value = nullptr;
        return DISP_E_MEMBERNOTFOUND;
    });
}

HRESULT AccessibleForm::get_accDescription(VARIANT child, BSTR* description) {
    return Guarded([&] {
        const AccessiblePart* part = PartOf(child);
        if (!part) return system_->get_accDescription(child, description);
        if (part->drawn && part->drawn->ToolTip()) return Text(description, part->drawn->ToolTip());
        if (description) *description = nullptr;
        return S_FALSE;
    });
}

HRESULT AccessibleForm::get_accRole(VARIANT child, VARIANT* role) {
    return Guarded([&] {
        const AccessiblePart* part = PartOf(child);
        if (!part && !self_.role) return system_->get_accRole(child, role);
        if (!role) return E_POINTER;
        *role = Long(part ? part->role : self_.role);
        return S_OK;
    });
}

HRESULT AccessibleForm::get_accState(VARIANT child, VARIANT* state) {
    return Guarded([&] {
        const AccessiblePart* part = PartOf(child);
        if (!part) return system_->get_accState(child, state);
        if (!state) return E_POINTER;
        long bits = 0;
        if (part->windowed) {
            HWND hwnd = WindowOf(*part);
            if (!IsWindowVisible(hwnd)) bits |= STATE_SYSTEM_INVISIBLE;
            if (!IsWindowEnabled(hwnd)) bits |= STATE_SYSTEM_UNAVAILABLE;
            if (GetWindowLongW(hwnd, GWL_STYLE) & WS_TABSTOP) bits |= STATE_SYSTEM_FOCUSABLE;
            if (GetFocus() == hwnd) bits |= STATE_SYSTEM_FOCUSED;
            if (part->role == ROLE_SYSTEM_CHECKBUTTON && SendMessageW(hwnd, BM_GETCHECK, 0, 0) == BST_CHECKED)
                bits |= STATE_SYSTEM_CHECKED;
        } else {
            RECT rc = part->drawn->PixelRect();
            if (!IsWindowVisible(form_) || rc.right <= rc.left || rc.bottom <= rc.top) bits |= STATE_SYSTEM_INVISIBLE;
            if (part->role == ROLE_SYSTEM_STATICTEXT || part->role == ROLE_SYSTEM_TITLEBAR)
                bits |= STATE_SYSTEM_READONLY;
        }
        *state = Long(bits);
        return S_OK;
    });
}

HRESULT AccessibleForm::get_accHelp(VARIANT child, BSTR* help) {
    return Guarded([&] {
        if (help) *help = nullptr;
        return PartOf(child) ? S_FALSE : system_->get_accHelp(child, help);
    });
}

HRESULT AccessibleForm::get_accHelpTopic(BSTR* file, VARIANT child, long* topic) {
    return Guarded([&] {
        if (file) *file = nullptr;
        return PartOf(child) ? S_FALSE : system_->get_accHelpTopic(file, child, topic);
    });
}

HRESULT AccessibleForm::get_accKeyboardShortcut(VARIANT child, BSTR* shortcut) {
    return Guarded([&] {
        if (shortcut) *shortcut = nullptr;
        return PartOf(child) ? S_FALSE : system_->get_accKeyboardShortcut(child, shortcut);
    });
}

HRESULT AccessibleForm::get_accFocus(VARIANT* focus) {
    return Guarded([&] {
        if (!focus) return E_POINTER;
        HWND has = GetFocus();
        for (size_t i = 0; i < parts_.size(); ++i)
            if (parts_[i].windowed && WindowOf(parts_[i]) == has) {
                *focus = Long(static_cast<long>(i) + 1);
                return S_OK;
            }
        return system_->get_accFocus(focus);
    });
}

HRESULT AccessibleForm::get_accSelection(VARIANT* selection) {
    return Guarded([&] {
        if (!selection) return E_POINTER;
        VariantInit(selection);
        return S_FALSE;
    });
}

HRESULT AccessibleForm::get_accDefaultAction(VARIANT child, BSTR* action) {
    return Guarded([&] {
        const AccessiblePart* part = PartOf(child);
        if (!part) return system_->get_accDefaultAction(child, action);
        if (part->defaultAction) return Text(action, part->defaultAction);
        if (action) *action = nullptr;
        return S_FALSE;
    });
}

HRESULT AccessibleForm::accSelect(long flags, VARIANT child) {
    return Guarded([&] {
        const AccessiblePart* part = PartOf(child);
        if (!part) return system_->accSelect(flags, child);
        // A hidden control never takes the focus.
        if (!(flags & SELFLAG_TAKEFOCUS) || !part->windowed || !part->windowed->Shown()) return S_FALSE;
        part->windowed->SetFocus();
        return S_OK;
    });
}

HRESULT AccessibleForm::accLocation(long* left, long* top, long* width, long* height, VARIANT child) {
    return Guarded([&] {
        const AccessiblePart* part = PartOf(child);
        if (!part) return system_->accLocation(left, top, width, height, child);
        if (!left || !top || !width || !height) return E_POINTER;
        RECT rc = ScreenRectOf(*part);
        *left = rc.left;
        *top = rc.top;
        *width = rc.right - rc.left;
        *height = rc.bottom - rc.top;
        return S_OK;
    });
}

// Through the parts in order; the form itself reaches its first and last part.
HRESULT AccessibleForm::accNavigate(long direction, VARIANT start, VARIANT* end) {
    return Guarded([&] {
        if (!end) return E_POINTER;
        VariantInit(end);
        const AccessiblePart* part = PartOf(start);
        long count = static_cast<long>(parts_.size()), to = 0;
        if (!part) {
            if (direction == NAVDIR_FIRSTCHILD)
                to = count ? 1 : 0;
            else if (direction == NAVDIR_LASTCHILD)
                to = count;
            else {
                HRESULT hr = system_->accNavigate(direction, start, end);
                // Wine's client object navigates nowhere: then nothing is known to lie that way.
                return FAILED(hr) ? S_FALSE : hr;
            }
        } else if (direction == NAVDIR_NEXT || direction == NAVDIR_DOWN || direction == NAVDIR_RIGHT) {
            to = start.lVal < count ? start.lVal + 1 : 0;
        } else if (direction == NAVDIR_PREVIOUS || direction == NAVDIR_UP || direction == NAVDIR_LEFT) {
            to = start.lVal - 1;
        }
        if (to == 0) return S_FALSE;
        *end = Long(to);
        return S_OK;
    });
}

// The last part drawn lies on top: search from the end.
HRESULT AccessibleForm::accHitTest(long x, long y, VARIANT* child) {
    return Guarded([&] {
        if (!child) return E_POINTER;
        VariantInit(child);
        POINT at{x, y};
        for (size_t i = parts_.size(); i-- > 0;) {
            const AccessiblePart& part = parts_[i];
            RECT rc = ScreenRectOf(part);
            bool shown = part.windowed ? IsWindowVisible(WindowOf(part)) != FALSE : true;
            if (shown && PtInRect(&rc, at)) {
                *child = Long(static_cast<long>(i) + 1);
                return S_OK;
            }
        }
        return system_->accHitTest(x, y, child);
    });
}

HRESULT AccessibleForm::accDoDefaultAction(VARIANT child) {
    return Guarded([&] {
        const AccessiblePart* part = PartOf(child);
        if (!part) return system_->accDoDefaultAction(child);
        if (part->DoDefault) {
            part->DoDefault();
            return S_OK;
        }
        if (part->windowed && part->role == ROLE_SYSTEM_PUSHBUTTON) {
            // Posted: a button's command may open a modal loop, which must not run inside the call.
            PostMessageW(WindowOf(*part), BM_CLICK, 0, 0);
            return S_OK;
        }
        return DISP_E_MEMBERNOTFOUND;
    });
}

HRESULT AccessibleForm::put_accName(VARIANT, BSTR) { return E_NOTIMPL; }
HRESULT AccessibleForm::put_accValue(VARIANT, BSTR) { return E_NOTIMPL; }

void NotifyNameChange(HWND form, long child) { NotifyWinEvent(EVENT_OBJECT_NAMECHANGE, form, OBJID_CLIENT, child); }

}  // namespace tk
