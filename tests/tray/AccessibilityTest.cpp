// What a screen reader finds in qpost's windows from another process, through oleacc, and
// the keyboard's way to a note's menu.
#include "Accessible.h"
#include "Person.h"
#include "TrayFixture.h"

#include <commctrl.h>

#include <algorithm>

using namespace tray;

namespace {

// A window's accessible object, read as a reader reads it.
class Reader {
public:
    explicit Reader(HWND window) {
        EXPECT_EQ(AccessibleObjectFromWindow(window, OBJID_CLIENT, tk::AccessibleIid,
                                             reinterpret_cast<void**>(object_.put())),
                  S_OK);
    }
    bool Ok() const { return static_cast<bool>(object_); }
    long Count() const {
        long n = -1;
        object_->get_accChildCount(&n);
        return n;
    }
    std::wstring Name(long child) const { return Text(&IAccessible::get_accName, child); }
    std::wstring Value(long child) const { return Text(&IAccessible::get_accValue, child); }
    std::wstring Description(long child) const { return Text(&IAccessible::get_accDescription, child); }
    std::wstring DefaultAction(long child) const { return Text(&IAccessible::get_accDefaultAction, child); }
    long Role(long child) const { return Number(&IAccessible::get_accRole, child); }
    long State(long child) const { return Number(&IAccessible::get_accState, child); }
    RECT Location(long child) const {
        long l = 0, t = 0, w = 0, h = 0;
        object_->accLocation(&l, &t, &w, &h, Id(child));
        return {l, t, l + w, t + h};
    }
    long HitTest(POINT at) const {
        tk::Variant v;
        object_->accHitTest(at.x, at.y, v.get());
        return v->vt == VT_I4 ? v->lVal : -1;
    }
    long Navigate(long direction, long from) const {
        tk::Variant v;
        return object_->accNavigate(direction, Id(from), v.get()) == S_OK && v->vt == VT_I4 ? v->lVal : -1;
    }
    HRESULT Press(long child) const { return object_->accDoDefaultAction(Id(child)); }
    HRESULT TakeFocus(long child) const { return object_->accSelect(SELFLAG_TAKEFOCUS, Id(child)); }
    // The child with this role and name, 0 when there is none.
    long Find(long role, const std::wstring& name) const {
        for (long i = 1; i <= Count(); ++i)
            if (Role(i) == role && Name(i) == name) return i;
        return 0;
    }

private:
    static VARIANT Id(long child) {
        VARIANT v;
        v.vt = VT_I4;
        v.lVal = child;
        return v;
    }
    std::wstring Text(HRESULT (STDMETHODCALLTYPE IAccessible::*get)(VARIANT, BSTR*), long child) const {
        tk::Bstr b;
        (object_.get()->*get)(Id(child), b.put());
        return b.str();
    }
    long Number(HRESULT (STDMETHODCALLTYPE IAccessible::*get)(VARIANT, VARIANT*), long child) const {
        tk::Variant v;
        (object_.get()->*get)(Id(child), v.get());
        return v->vt == VT_I4 ? v->lVal : -1;
    }
    tk::ComPtr<IAccessible> object_;
};

std::wstring NoteText(HWND note) {
    wchar_t text[256] = {};
    SendMessageW(test::FindChild(note, L"Edit"), WM_GETTEXT, 256, reinterpret_cast<LPARAM>(text));
    return text;
}

// The window that has the keyboard focus in the note's thread.
HWND FocusOf(HWND note) {
    GUITHREADINFO info{sizeof(info)};
    GetGUIThreadInfo(GetWindowThreadProcessId(note, nullptr), &info);
    return info.hwndFocus;
}

// Name changes of qpost's windows, as a reader hears of them.
std::vector<HWND> renamed;
void CALLBACK NameChanged(HWINEVENTHOOK, DWORD, HWND hwnd, LONG object, LONG child, DWORD, DWORD) {
    if (object == OBJID_CLIENT && child == CHILDID_SELF) renamed.push_back(hwnd);
}

bool Renamed(HWND hwnd) { return std::find(renamed.begin(), renamed.end(), hwnd) != renamed.end(); }

// Waits while dispatching, as a reader's out-of-process hook needs.
bool PumpUntil(const std::function<bool()>& ready) {
    for (int i = 0; i < 200; ++i) {
        if (ready()) return true;
        test::Pump(50);
    }
    return false;
}

}  // namespace

class Accessibility : public Tray {
protected:
    HWND ShownNote(Qpost& q) {
        auto notes = q.WaitForNotes(1);
        EXPECT_EQ(notes.size(), 1u);
        if (notes.empty()) return nullptr;
        EXPECT_TRUE(WaitFor([&] { return IsWindowVisible(notes[0]) != FALSE; }));
        return notes[0];
    }
};

TEST_F(Accessibility, ANoteReadsAsItsTitleBarItsHideButtonAndItsText) {
    store.Put(L"General", L"notes", L"1");
    store.Put(L"note1", L"title", L"Shopping");
    store.Put(L"note1", L"text", L"milk");
    store.Put(L"note1", L"visible", L"-1");
    auto q = Start();
    HWND note = ShownNote(*q);
    ASSERT_NE(note, nullptr);
    EXPECT_EQ(test::WindowText(note), L"Shopping") << "the window's own text is its title";
    Reader r(note);
    ASSERT_TRUE(r.Ok());
    EXPECT_EQ(r.Name(CHILDID_SELF), L"Shopping");
    ASSERT_EQ(r.Count(), 3);
    EXPECT_EQ(r.Role(1), ROLE_SYSTEM_TITLEBAR);
    EXPECT_EQ(r.Name(1), L"Shopping");
    EXPECT_EQ(r.Description(1), L"Right Click for Menu");
    EXPECT_EQ(r.Role(2), ROLE_SYSTEM_PUSHBUTTON);
    EXPECT_EQ(r.Name(2), L"Hide");
    EXPECT_EQ(r.DefaultAction(2), L"Press");
    EXPECT_EQ(r.Role(3), ROLE_SYSTEM_TEXT);
    EXPECT_EQ(r.Name(3), L"Shopping");
    EXPECT_EQ(r.Value(3), L"milk");
    EXPECT_TRUE(r.State(3) & STATE_SYSTEM_FOCUSABLE);
    EXPECT_FALSE(r.State(1) & STATE_SYSTEM_INVISIBLE);
    // What a reader that follows the focus asks: the text box's own object.
    Reader text(test::FindChild(note, L"Edit"));
    EXPECT_EQ(text.Name(CHILDID_SELF), L"Shopping");
    EXPECT_EQ(text.Role(CHILDID_SELF), ROLE_SYSTEM_TEXT);
    EXPECT_EQ(text.Value(CHILDID_SELF), L"milk");

    RECT rc = RectOf(note), bar = r.Location(1), close = r.Location(2), area = r.Location(3);
    EXPECT_EQ(bar.left, rc.left);
    EXPECT_EQ(bar.top, rc.top);
    EXPECT_EQ(close.right, rc.right) << "the close label ends the title bar";
    EXPECT_EQ(bar.right, close.left);
    EXPECT_EQ(area.top, bar.bottom) << "the text lies below the title bar";
    EXPECT_EQ(r.HitTest({(close.left + close.right) / 2, (close.top + close.bottom) / 2}), 2);
    EXPECT_EQ(r.HitTest({(area.left + area.right) / 2, (area.top + area.bottom) / 2}), 3);
    EXPECT_EQ(r.Navigate(NAVDIR_FIRSTCHILD, CHILDID_SELF), 1);
    EXPECT_EQ(r.Navigate(NAVDIR_NEXT, 1), 2);
    EXPECT_EQ(r.Navigate(NAVDIR_NEXT, 2), 3);
    EXPECT_EQ(r.Navigate(NAVDIR_NEXT, 3), -1);

    EXPECT_EQ(r.Press(2), S_OK);
    EXPECT_TRUE(WaitFor([&] { return !IsWindowVisible(note); })) << "pressing Hide hides the note";
    EXPECT_TRUE(r.State(CHILDID_SELF) & STATE_SYSTEM_INVISIBLE);
    EXPECT_TRUE(r.State(1) & STATE_SYSTEM_INVISIBLE);
}

TEST_F(Accessibility, TheKeyboardOpensTheNotesMenuAtItsTitleBarAndTheDialogsNameTheirFields) {
    store.Put(L"General", L"notes", L"1");
    store.Put(L"note1", L"left", L"3000");
    store.Put(L"note1", L"top", L"3000");
    store.Put(L"note1", L"text", L"abc");
    store.Put(L"note1", L"visible", L"-1");
    auto q = Start();
    q->WaitUntilIdle();
    HWND note = ShownNote(*q);
    ASSERT_NE(note, nullptr);
    EXPECT_EQ(Reader(note).Name(1), L"Note 1") << "an untitled note is named by its number";

    test::Click(TextOf(note));
    test::KeyChord({VK_CONTROL, VK_END});
    ASSERT_TRUE(test::XKeyChord("shift+F10"));
    HWND menu = WaitForWindow(q->pid(), L"#32768");
    ASSERT_NE(menu, nullptr) << "Shift+F10 opens the note's menu";
    RECT at = RectOf(menu), bar = Reader(note).Location(1);
    EXPECT_EQ(at.left, bar.left) << "below the title bar";
    EXPECT_EQ(at.top, bar.bottom);
    Keys({VK_ESCAPE});
    EXPECT_TRUE(WaitFor([&] { return !IsWindowVisible(menu); }));
    test::TypeText(L"Z");
    EXPECT_TRUE(WaitFor([&] { return NoteText(note) == L"abcZ"; })) << "the caret is back where it was";
    ASSERT_TRUE(test::XKeyChord("Menu"));
    menu = WaitForWindow(q->pid(), L"#32768");
    ASSERT_NE(menu, nullptr) << "the menu key opens it too";
    EXPECT_EQ(RectOf(menu).top, bar.bottom);
    Keys({VK_ESCAPE});
    EXPECT_TRUE(WaitFor([&] { return !IsWindowVisible(menu); }));

    // A right click in the text keeps the text box's own menu: its Select All.
    RightClick(TextOf(note));
    ASSERT_NE(WaitForWindow(q->pid(), L"#32768"), nullptr);
    Keys({'A'});
    HWND edit = test::FindChild(note, L"Edit");
    EXPECT_TRUE(WaitFor([&] {
        DWORD start = 1, end = 0;
        SendMessageW(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
        return start == 0 && end == 4;
    })) << "the edit menu selected everything";

    HWINEVENTHOOK hook = SetWinEventHook(EVENT_OBJECT_NAMECHANGE, EVENT_OBJECT_NAMECHANGE, nullptr, &NameChanged,
                                         q->pid(), 0, WINEVENT_OUTOFCONTEXT);
    ASSERT_NE(hook, nullptr);
    renamed.clear();
    ASSERT_TRUE(test::XKeyChord("shift+F10"));
    ASSERT_NE(WaitForWindow(q->pid(), L"#32768"), nullptr);
    Keys({'T'});  // the items keep their access keys
    HWND box = WaitForWindow(q->pid(), L"CorkbaseInputbox");
    ASSERT_NE(box, nullptr) << "the title dialog opened";
    {
        Reader d(box);
        EXPECT_NE(d.Find(ROLE_SYSTEM_STATICTEXT, L"Please enter new Title:"), 0);
        long field = d.Find(ROLE_SYSTEM_TEXT, L"Please enter new Title:");
        EXPECT_NE(field, 0) << "the text box is named by its prompt";
        if (field) EXPECT_TRUE(d.State(field) & STATE_SYSTEM_FOCUSED);
        EXPECT_NE(d.Find(ROLE_SYSTEM_PUSHBUTTON, L"OK"), 0);
        EXPECT_NE(d.Find(ROLE_SYSTEM_PUSHBUTTON, L"Cancel"), 0);
    }
    test::TypeText(L"Groceries");
    Keys({VK_RETURN});
    EXPECT_TRUE(PumpUntil([&] { return Renamed(note) && Renamed(test::FindChild(note, L"Edit")); }))
        << "a reader hears of the new name of the note and of its text";
    UnhookWinEvent(hook);
    EXPECT_EQ(test::WindowText(note), L"Groceries");
    EXPECT_EQ(Reader(note).Name(1), L"Groceries");
    EXPECT_EQ(Reader(test::FindChild(note, L"Edit")).Name(CHILDID_SELF), L"Groceries");

    test::KeyChord({VK_CONTROL, 'F'});
    HWND find = WaitForWindow(q->pid(), L"CorkbaseInputbox");
    ASSERT_NE(find, nullptr);
    EXPECT_NE(Reader(find).Find(ROLE_SYSTEM_TEXT, L"Find what:"), 0);
    Keys({VK_ESCAPE});
    EXPECT_TRUE(WaitFor([&] { return !IsWindowVisible(find); }));

    // Collapsed, the focus is in nothing hidden, and the keyboard still reaches the menu.
    long height = RectOf(note).bottom - RectOf(note).top;
    test::Click(TitleBarOf(note), 2);
    ASSERT_TRUE(WaitFor([&] { return RectOf(note).bottom - RectOf(note).top < height; }));
    EXPECT_TRUE(WaitFor([&] { return FocusOf(note) == note || IsWindowVisible(FocusOf(note)); }));
    EXPECT_FALSE(IsWindowVisible(edit));
    EXPECT_TRUE(Reader(note).State(3) & STATE_SYSTEM_INVISIBLE);
    EXPECT_EQ(Reader(note).TakeFocus(3), S_FALSE) << "a reader moving the focus into the hidden text";
    EXPECT_NE(FocusOf(note), edit);
    ASSERT_TRUE(test::XKeyChord("shift+F10"));
    EXPECT_NE(WaitForWindow(q->pid(), L"#32768"), nullptr) << "Shift+F10 in a collapsed note";
    Keys({VK_ESCAPE});
    test::Click(TitleBarOf(note), 2);
    EXPECT_TRUE(WaitFor([&] { return FocusOf(note) == edit; })) << "expanded, the text has the focus again";
}

TEST_F(Accessibility, OptionsNameTheSliderByItsLabelWithTheLevelAsItsValue) {
    auto q = Start();
    Choose(*q, {L"Options..."});
    HWND options = WaitForWindow(q->pid(), L"QuillpostOptions");
    ASSERT_NE(options, nullptr);
    Reader r(options);
    ASSERT_TRUE(r.Ok());
    EXPECT_NE(r.Find(ROLE_SYSTEM_STATICTEXT, L"Transparency Level"), 0);
    long slider = r.Find(ROLE_SYSTEM_SLIDER, L"Transparency Level");
    ASSERT_NE(slider, 0);
    EXPECT_EQ(r.Value(slider), L"255");
    Keys({VK_TAB, VK_HOME});  // from OK to the slider, to its lower end
    EXPECT_TRUE(WaitFor([&] { return r.Value(slider) == L"25"; }));
    // A reader following the focus meets the slider through its own window.
    HWND focused = FocusOf(options);
    ASSERT_EQ(focused, test::FindChild(options, TRACKBAR_CLASSW));
    Reader own(focused);
    ASSERT_TRUE(own.Ok());
    EXPECT_EQ(own.Name(CHILDID_SELF), L"Transparency Level");
    EXPECT_EQ(own.Role(CHILDID_SELF), ROLE_SYSTEM_SLIDER);
    EXPECT_EQ(own.Value(CHILDID_SELF), L"25");
    long check = r.Find(ROLE_SYSTEM_CHECKBUTTON, L"Allow Through Clicks");
    ASSERT_NE(check, 0);
    EXPECT_FALSE(r.State(check) & STATE_SYSTEM_CHECKED);
    EXPECT_NE(r.Find(ROLE_SYSTEM_PUSHBUTTON, L"OK"), 0);
    long cancel = r.Find(ROLE_SYSTEM_PUSHBUTTON, L"Cancel");
    ASSERT_NE(cancel, 0);
    EXPECT_EQ(r.Press(cancel), S_OK);
    EXPECT_TRUE(WaitFor([&] { return !IsWindowVisible(options); }));
}
