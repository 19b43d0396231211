// What a careless or hostile automation client can do to the library: wrong argument types,
// missing arguments, stale notes, huge inputs, many notes, windows the system refuses.
// Each call fails clearly or does its designed thing, and no note is lost or changed.
#include <gtest/gtest.h>

#include <memory>

#include "Support.h"

using namespace test;

namespace {

// A late-bound call, as a script makes it. Arguments in their natural order.
struct Call {
    HRESULT hr = E_FAIL;
    std::unique_ptr<tk::Variant> result = std::make_unique<tk::Variant>();
    std::wstring description;  // of the exception, when the member raised one
};

// Without excepInfo, as C++ and .NET clients often call: the failure's code is the
// result, and its description is the thread's error info.
Call Invoke(IUnknown* object, const wchar_t* name, WORD flags, std::vector<VARIANT> args = {}, bool excepInfo = true) {
    ComPtr<IDispatch> dispatch;
    EXPECT_EQ(object->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(dispatch.put())), S_OK);
    Call call;
    DISPID id = 0;
    auto* names = const_cast<LPOLESTR>(name);
    call.hr = dispatch->GetIDsOfNames(IID_NULL, &names, 1, LOCALE_USER_DEFAULT, &id);
    if (FAILED(call.hr)) return call;
    std::vector<VARIANT> reversed(args.rbegin(), args.rend());
    DISPID put = DISPID_PROPERTYPUT;
    DISPPARAMS params{reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
    if (flags == DISPATCH_PROPERTYPUT) {
        params.rgdispidNamedArgs = &put;
        params.cNamedArgs = 1;
    }
    EXCEPINFO info{};
    UINT argErr = 0;
    call.hr = dispatch->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, call.result->get(),
                               excepInfo ? &info : nullptr, &argErr);
    call.description = excepInfo ? Str(info.bstrDescription) : LastErrorDescription();
    SysFreeString(info.bstrDescription);
    SysFreeString(info.bstrSource);
    SysFreeString(info.bstrHelpFile);
    return call;
}

VARIANT Long(long v) {
    VARIANT var;
    VariantInit(&var);
    var.vt = VT_I4;
    var.lVal = v;
    return var;
}

// The string stays owned by the caller's Bstr.
VARIANT Text(const tk::Bstr& s) {
    VARIANT var;
    VariantInit(&var);
    var.vt = VT_BSTR;
    var.bstrVal = s.get();
    return var;
}

long LeftOf(_Note* note) {
    long left = -1;
    EXPECT_EQ(note->get_Left(&left), S_OK);
    return left;
}

}  // namespace

TEST(HostileClient, DeletingADeletedNoteAgainRemovesNoOtherNote) {
    auto notes = NewNotes();
    auto a = AddNote(notes.get()), b = AddNote(notes.get()), c = AddNote(notes.get());
    ASSERT_EQ(a->Delete(), S_OK);
    // b now has a's old number 1.
    EXPECT_TRUE(FAILED(a->Delete()));
    EXPECT_EQ(LastErrorDescription(), L"The note belongs to no collection");
    EXPECT_EQ(CountOf(notes.get()), 2);
    EXPECT_EQ(NoteAt(notes.get(), 1).get(), b.get());
    EXPECT_EQ(NoteAt(notes.get(), 2).get(), c.get());
    ComPtr<_Notes> parent;
    ASSERT_EQ(a->get_Parent(parent.put()), S_OK);
    EXPECT_FALSE(parent) << "a deleted note is in no collection";

    // Nor does it reach its old collection once that is gone.
    notes.reset();
    EXPECT_TRUE(FAILED(a->Delete()));
    EXPECT_EQ(a->put_Left(300), S_OK);
    EXPECT_EQ(LeftOf(a.get()), 300);
}

TEST(HostileClient, LateBoundCallsWithWrongArgumentsFailAndChangeNothing) {
    auto notes = NewNotes();
    auto note = AddNote(notes.get());
    ASSERT_EQ(note->put_Left(600), S_OK);

    EXPECT_EQ(Invoke(notes.get(), L"AddNote", DISPATCH_METHOD, {Long(1)}).hr, DISP_E_BADPARAMCOUNT);
    EXPECT_EQ(Invoke(notes.get(), L"DeleteNote", DISPATCH_METHOD).hr, DISP_E_PARAMNOTOPTIONAL);
    tk::Bstr abc(L"abc");
    EXPECT_EQ(Invoke(notes.get(), L"DeleteNote", DISPATCH_METHOD, {Text(abc)}).hr, DISP_E_TYPEMISMATCH);
    EXPECT_EQ(Invoke(notes.get(), L"NoSuchMember", DISPATCH_METHOD).hr, DISP_E_UNKNOWNNAME);
    EXPECT_EQ(CountOf(notes.get()), 1);

    auto deleted = Invoke(notes.get(), L"DeleteNote", DISPATCH_METHOD, {Long(7)});
    EXPECT_EQ(deleted.hr, S_OK) << "an unknown number is only a warning";
    EXPECT_EQ(deleted.result->get()->vt, VT_I4);
    EXPECT_EQ(deleted.result->get()->lVal, 0);
    EXPECT_EQ(CountOf(notes.get()), 1);

    auto notNumber = Invoke(note.get(), L"Left", DISPATCH_PROPERTYPUT, {Text(abc)});
    EXPECT_EQ(notNumber.hr, DISP_E_EXCEPTION);
    EXPECT_EQ(notNumber.description, L"Left: \"abc\" is not a number");
    EXPECT_EQ(LeftOf(note.get()), 600);
    tk::Bstr number(L"120");
    EXPECT_EQ(Invoke(note.get(), L"Left", DISPATCH_PROPERTYPUT, {Text(number)}).hr, S_OK) << "a number in text";
    EXPECT_EQ(LeftOf(note.get()), 120);

    long width = 0;
    ASSERT_EQ(note->get_Width(&width), S_OK);
    auto negative = Invoke(note.get(), L"Width", DISPATCH_PROPERTYPUT, {Long(-1)});
    EXPECT_EQ(negative.hr, DISP_E_EXCEPTION);
    EXPECT_EQ(negative.description, L"Invalid property value: a size cannot be negative");
    long after = 0;
    ASSERT_EQ(note->get_Width(&after), S_OK);
    EXPECT_EQ(after, width);

    EXPECT_EQ(Invoke(note.get(), L"Text", DISPATCH_PROPERTYPUT, {Long(12)}).hr, S_OK) << "a number is text too";
    EXPECT_EQ(TextOf(note.get()), L"12");

    EXPECT_EQ(Invoke(notes.get(), L"TransparencyLevel", DISPATCH_PROPERTYPUT, {Long(300)}).hr, S_OK);
    long level = 0;
    ASSERT_EQ(notes->get_TransparencyLevel(&level), S_OK);
    EXPECT_EQ(level, 300) << "the level is stored unchecked";

    auto list = Invoke(notes.get(), L"Notes", DISPATCH_PROPERTYGET);
    ASSERT_EQ(list.result->get()->vt, VT_DISPATCH);
    VARIANT empty;
    VariantInit(&empty);
    auto item = Invoke(list.result->get()->pdispVal, L"Item", DISPATCH_PROPERTYGET | DISPATCH_METHOD, {empty});
    EXPECT_EQ(item.hr, DISP_E_EXCEPTION);
    EXPECT_FALSE(item.description.empty());
    item = Invoke(list.result->get()->pdispVal, L"Item", DISPATCH_PROPERTYGET | DISPATCH_METHOD, {Long(0)});
    EXPECT_EQ(item.hr, DISP_E_EXCEPTION);
    EXPECT_EQ(item.description, L"There is no note 0 among 1 notes");
}

TEST(HostileClient, ACallerWithoutExcepInfoGetsTheFailuresOwnCodeAndDescription) {
    auto notes = NewNotes();
    auto note = AddNote(notes.get());
    auto list = Invoke(notes.get(), L"Notes", DISPATCH_PROPERTYGET);
    ASSERT_EQ(list.result->get()->vt, VT_DISPATCH);
    auto item =
        Invoke(list.result->get()->pdispVal, L"Item", DISPATCH_PROPERTYGET | DISPATCH_METHOD, {Long(99)}, false);
    EXPECT_EQ(item.hr, DISP_E_BADINDEX);
    EXPECT_EQ(item.description, L"There is no note 99 among 1 notes");

    auto negative = Invoke(note.get(), L"Width", DISPATCH_PROPERTYPUT, {Long(-1)}, false);
    EXPECT_EQ(negative.hr, static_cast<HRESULT>(0x800A017C));
    EXPECT_EQ(negative.description, L"Invalid property value: a size cannot be negative");

    tk::Bstr abc(L"abc");
    auto notNumber = Invoke(note.get(), L"Left", DISPATCH_PROPERTYPUT, {Text(abc)}, false);
    EXPECT_EQ(notNumber.hr, DISP_E_TYPEMISMATCH);
    EXPECT_EQ(notNumber.description, L"Left: \"abc\" is not a number");
    auto notFlag = Invoke(note.get(), L"Collapsed", DISPATCH_PROPERTYPUT, {Text(abc)}, false);
    EXPECT_EQ(notFlag.hr, DISP_E_TYPEMISMATCH);
    EXPECT_EQ(notFlag.description, L"Collapsed: \"abc\" is neither True nor False");
    auto done = Invoke(notes.get(), L"HideAll", DISPATCH_METHOD, {}, false);
    EXPECT_EQ(done.hr, S_OK);
    EXPECT_EQ(done.description, L"") << "success leaves no error behind";
}

TEST(HostileClient, TenThousandNotesFromAScriptGetWindowsOnlyWhenTouched) {
    {
        auto notes = NewNotes();
        for (int i = 0; i < 10000; ++i) ASSERT_TRUE(AddNote(notes.get())) << i;
        EXPECT_EQ(CountOf(notes.get()), 10000);
        // One more could be saved but never loaded again.
        ComPtr<_Note> beyond;
        EXPECT_EQ(notes->AddNote(beyond.put()), E_FAIL);
        EXPECT_EQ(LastErrorDescription(),
                  L"There are already 10000 notes, the most a collection keeps; delete one to add another");
        EXPECT_EQ(CountOf(notes.get()), 10000);
        EXPECT_TRUE(WindowsOfClass(L"CorkbaseNote").empty());
        auto touched = NoteAt(notes.get(), 5000);
        EXPECT_EQ(touched->put_Left(1200), S_OK);
        EXPECT_EQ(WindowsOfClass(L"CorkbaseNote").size(), 1u);
        long first = 1, result = -1;
        ASSERT_EQ(notes->DeleteNote(&first, &result), S_OK);
        long id = 0;
        ASSERT_EQ(touched->get_NoteID(&id), S_OK);
        EXPECT_EQ(id, 4999);
    }
    Pump(50);
    EXPECT_TRUE(WindowsOfClass(L"CorkbaseNote").empty()) << "every window went with its note";
    auto canUnload = reinterpret_cast<HRESULT(STDAPICALLTYPE*)()>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"Corkbase2.dll"), "DllCanUnloadNow")));
    ASSERT_TRUE(canUnload);
    EXPECT_EQ(canUnload(), S_OK);
}

TEST(HostileClient, AMegabyteOfTextAndOfTitleRoundTrips) {
    std::wstring text;
    while (text.size() < 1024 * 1024)
        text += L"A line of a very long note, number " + std::to_wstring(text.size()) + L"\r\n";
    std::wstring title(1024 * 1024, L'T');
    auto notes = NewNotes();
    auto note = AddNote(notes.get());
    SetText(note.get(), text);
    tk::Bstr b(title);
    ASSERT_EQ(note->put_Title(b.get()), S_OK);
    EXPECT_EQ(TextOf(note.get()), text);
    tk::Bstr back;
    ASSERT_EQ(note->get_Title(back.put()), S_OK);
    EXPECT_EQ(back.str(), title);
    ASSERT_EQ(note->Show(), S_OK);
    Pump(100);
    EXPECT_EQ(TextOf(note.get()), text);
}

namespace {

// Refuses, on this thread, to create any window of the class while it lives: the system
// answers a creation this way when a process has used up its windows.
class RefuseWindows {
public:
    explicit RefuseWindows(const wchar_t* className) {
        refused_ = className;
        hook_ = SetWindowsHookExW(WH_CBT, &Hook, nullptr, GetCurrentThreadId());
        EXPECT_NE(hook_, nullptr);
    }
    ~RefuseWindows() { UnhookWindowsHookEx(hook_); }

private:
    static LRESULT CALLBACK Hook(int code, WPARAM wp, LPARAM lp) {
        if (code == HCBT_CREATEWND) {
            wchar_t name[64] = {};
            GetClassNameW(reinterpret_cast<HWND>(wp), name, 64);
            if (_wcsicmp(name, refused_) == 0) return 1;
        }
        return CallNextHookEx(nullptr, code, wp, lp);
    }
    static inline const wchar_t* refused_ = nullptr;
    HHOOK hook_ = nullptr;
};

}  // namespace

TEST(HostileClient, ANoteWhoseWindowCannotBeCreatedFailsClearlyAndWorksOnceItCan) {
    auto notes = NewNotes();
    auto note = AddNote(notes.get());
    {
        RefuseWindows refuse(L"CorkbaseNote");
        EXPECT_TRUE(FAILED(note->put_Left(300)));
        EXPECT_EQ(LastErrorDescription().rfind(L"Cannot create the window: ", 0), 0u) << Narrow(LastErrorDescription());
    }
    EXPECT_EQ(note->put_Left(300), S_OK);
    EXPECT_EQ(LeftOf(note.get()), 300);
    EXPECT_EQ(WindowsOfClass(L"CorkbaseNote").size(), 1u);
}

TEST(HostileClient, ANoteWhoseTextBoxCannotBeCreatedKeepsNoHalfWindowAndLosesNoText) {
    auto notes = NewNotes();
    auto note = AddNote(notes.get());
    {
        RefuseWindows refuse(L"Edit");
        tk::Bstr b(L"written while the window is refused");
        BSTR raw = b.get();
        EXPECT_TRUE(FAILED(note->put_Text(&raw)));
        EXPECT_EQ(LastErrorDescription().rfind(L"Cannot create a control: ", 0), 0u) << Narrow(LastErrorDescription());
        EXPECT_TRUE(WindowsOfClass(L"CorkbaseNote").empty()) << "no window short of its text box";
    }
    SetText(note.get(), L"written later");
    EXPECT_EQ(TextOf(note.get()), L"written later");
}
