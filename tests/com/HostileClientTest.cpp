// What a careless or hostile automation client can do to the library: wrong argument types,
// missing arguments, stale notes, huge inputs, many notes, windows the system refuses.
// Each call fails clearly or does its designed thing, and no note is lost or changed.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <random>

#include "Support.h"
#include "ThrowawayStore.h"

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
    auto notNumberId = Invoke(notes.get(), L"DeleteNote", DISPATCH_METHOD, {Text(abc)});
    EXPECT_EQ(notNumberId.hr, DISP_E_EXCEPTION);
    EXPECT_EQ(notNumberId.description, L"DeleteNote: \"abc\" is not a number");
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

namespace {

DISPID IdOf(IDispatch* object, const wchar_t* name) {
    DISPID id = DISPID_UNKNOWN;
    auto* names = const_cast<LPOLESTR>(name);
    EXPECT_EQ(object->GetIDsOfNames(IID_NULL, &names, 1, LOCALE_USER_DEFAULT, &id), S_OK);
    return id;
}

ComPtr<IDispatch> DispatchOf(IUnknown* object) {
    ComPtr<IDispatch> dispatch;
    EXPECT_EQ(object->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(dispatch.put())), S_OK);
    return dispatch;
}

// A late-bound call exactly as given, with no help from the client's side.
struct RawCall {
    HRESULT hr;
    VARTYPE resultType;
};
RawCall Raw(IDispatch* object, DISPID id, WORD flags, DISPPARAMS* params, REFIID riid = IID_NULL) {
    tk::Variant result;
    EXCEPINFO info{};
    HRESULT hr = object->Invoke(id, riid, LOCALE_USER_DEFAULT, flags, params, result.get(), &info, nullptr);
    SysFreeString(info.bstrDescription);
    SysFreeString(info.bstrSource);
    SysFreeString(info.bstrHelpFile);
    return {hr, result->vt};
}

}  // namespace

TEST(HostileClient, MalformedLateBoundCallsAreRefusedAndTheLibraryGoesOn) {
    auto notes = NewNotes();
    auto note = AddNote(notes.get());
    ASSERT_EQ(note->put_Left(600), S_OK);
    SetText(note.get(), L"kept");
    auto dispatch = DispatchOf(note.get());
    DISPID left = IdOf(dispatch.get(), L"Left"), text = IdOf(dispatch.get(), L"Text");
    DISPID put = DISPID_PROPERTYPUT;

    VARIANT nowhere;
    VariantInit(&nowhere);
    nowhere.vt = VT_BYREF | VT_BSTR;
    nowhere.pbstrVal = nullptr;
    DISPPARAMS byRefNull{&nowhere, &put, 1, 1};
    auto refused = Raw(dispatch.get(), left, DISPATCH_PROPERTYPUT, &byRefNull);
    EXPECT_EQ(refused.hr, DISP_E_EXCEPTION);
    EXPECT_EQ(refused.resultType, VT_EMPTY);
    EXPECT_EQ(Raw(dispatch.get(), text, DISPATCH_PROPERTYPUT, &byRefNull).hr, DISP_E_EXCEPTION);
    nowhere.vt = VT_BYREF | VT_VARIANT;
    EXPECT_EQ(Raw(dispatch.get(), text, DISPATCH_PROPERTYPUT, &byRefNull).hr, DISP_E_EXCEPTION);
    nowhere.vt = 0x7FF;
    EXPECT_EQ(Raw(dispatch.get(), left, DISPATCH_PROPERTYPUT, &byRefNull).hr, DISP_E_EXCEPTION);

    VARIANT number = Long(900);
    DISPPARAMS moreNamed{&number, &put, 1, 2};
    EXPECT_EQ(Raw(dispatch.get(), left, DISPATCH_PROPERTYPUT, &moreNamed).hr, E_INVALIDARG);
    DISPPARAMS noArgs{nullptr, &put, 1, 1};
    EXPECT_EQ(Raw(dispatch.get(), left, DISPATCH_PROPERTYPUT, &noArgs).hr, E_INVALIDARG);
    DISPPARAMS noNames{&number, nullptr, 1, 1};
    EXPECT_EQ(Raw(dispatch.get(), left, DISPATCH_PROPERTYPUT, &noNames).hr, E_INVALIDARG);
    DISPPARAMS good{&number, &put, 1, 1};
    EXPECT_EQ(Raw(dispatch.get(), left, DISPATCH_PROPERTYPUT, &good, IID_IDispatch).hr, DISP_E_UNKNOWNINTERFACE);
    DISPID id = 0;
    auto* name = const_cast<LPOLESTR>(L"Left");
    EXPECT_EQ(dispatch->GetIDsOfNames(IID_IDispatch, &name, 1, LOCALE_USER_DEFAULT, &id), DISP_E_UNKNOWNINTERFACE);
    EXPECT_EQ(dispatch->GetIDsOfNames(IID_NULL, nullptr, 1, LOCALE_USER_DEFAULT, &id), E_INVALIDARG);
    EXPECT_EQ(LeftOf(note.get()), 600) << "no refused call changed the note";

    // A string given by value to the in/out Text stays the caller's.
    tk::Bstr mine(L"the caller's own string");
    VARIANT given = Text(mine);
    DISPPARAMS byValue{&given, &put, 1, 1};
    EXPECT_EQ(Raw(dispatch.get(), text, DISPATCH_PROPERTYPUT, &byValue).hr, S_OK);
    EXPECT_EQ(given.vt, VT_BSTR);
    EXPECT_EQ(given.bstrVal, mine.get());
    EXPECT_EQ(Str(mine.get()), L"the caller's own string");
    EXPECT_EQ(TextOf(note.get()), L"the caller's own string");

    DISPPARAMS nothing{};
    auto shown = Raw(dispatch.get(), IdOf(dispatch.get(), L"Left"), DISPATCH_PROPERTYGET, &nothing);
    EXPECT_EQ(shown.hr, S_OK);
    EXPECT_EQ(shown.resultType, VT_I4);
    EXPECT_EQ(Raw(dispatch.get(), left, DISPATCH_PROPERTYGET, nullptr).hr, S_OK) << "no record is no arguments";

    // Arguments beyond a property's own go to the default member of the object it gives.
    VARIANT one = Long(1);
    DISPPARAMS first{&one, nullptr, 1, 0};
    auto item =
        Raw(DispatchOf(notes.get()).get(), IdOf(DispatchOf(notes.get()).get(), L"Notes"), DISPATCH_METHOD, &first);
    EXPECT_EQ(item.hr, S_OK);
    EXPECT_EQ(item.resultType, VT_DISPATCH);
    ComPtr<_Note> alone = NewNote();
    ASSERT_TRUE(alone);
    auto noParent = DispatchOf(alone.get());
    EXPECT_EQ(Raw(noParent.get(), IdOf(noParent.get(), L"Parent"), DISPATCH_METHOD, &first).hr, DISP_E_BADPARAMCOUNT)
        << "a note in no collection gives no object to pass them to";
    EXPECT_EQ(CountOf(notes.get()), 1);
}

// An argument named by its parameter's number reaches that parameter; any other name, or
// a parameter given twice, is refused with the argument's index, and nothing runs.
TEST(HostileClient, NamedArgumentsReachTheirParameterOrAreRefusedWithTheirIndex) {
    auto notes = NewNotes();
    auto note = AddNote(notes.get());
    auto dispatch = DispatchOf(notes.get());
    auto onTop = [&] {
        VARIANT_BOOL top = 0;
        EXPECT_EQ(note->get_OnTop(&top), S_OK);
        return top;
    };
    struct Outcome {
        HRESULT hr;
        UINT argErr;
    };
    auto call = [&](const wchar_t* member, std::vector<VARIANT> args, std::vector<DISPID> names) {
        DISPPARAMS params{args.data(), names.data(), static_cast<UINT>(args.size()), static_cast<UINT>(names.size())};
        Outcome out{E_FAIL, 99};
        tk::Variant result;
        EXCEPINFO info{};
        out.hr = dispatch->Invoke(IdOf(dispatch.get(), member), IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params,
                                  result.get(), &info, &out.argErr);
        SysFreeString(info.bstrDescription);
        SysFreeString(info.bstrSource);
        SysFreeString(info.bstrHelpFile);
        return out;
    };
    VARIANT off;
    VariantInit(&off);
    off.vt = VT_BOOL;
    off.boolVal = VARIANT_FALSE;

    ASSERT_EQ(onTop(), VARIANT_FALSE);
    for (DISPID stranger : {DISPID{1}, DISPID{DISPID_PROPERTYPUT}, DISPID{-1}, DISPID{77}}) {
        auto refused = call(L"SetOnTop", {off}, {stranger});
        EXPECT_EQ(refused.hr, DISP_E_PARAMNOTFOUND) << "named " << stranger;
        EXPECT_EQ(refused.argErr, 0u) << "named " << stranger;
    }
    auto twice = call(L"SetOnTop", {off, off}, {0});
    EXPECT_EQ(twice.hr, DISP_E_PARAMNOTFOUND) << "the one parameter given by position and by name";
    EXPECT_EQ(twice.argErr, 0u);
    auto none = call(L"HideAll", {off}, {0});
    EXPECT_EQ(none.hr, DISP_E_PARAMNOTFOUND) << "a member without parameters";
    EXPECT_EQ(none.argErr, 0u);
    EXPECT_EQ(onTop(), VARIANT_FALSE) << "no refused call ran";

    EXPECT_EQ(call(L"SetOnTop", {}, {}).hr, S_OK);
    EXPECT_EQ(onTop(), VARIANT_TRUE) << "the default, with nothing given";
    EXPECT_EQ(call(L"SetOnTop", {off}, {0}).hr, S_OK);
    EXPECT_EQ(onTop(), VARIANT_FALSE) << "named by its number";
    VARIANT on;
    VariantInit(&on);
    on.vt = VT_BOOL;
    on.boolVal = VARIANT_TRUE;
    VARIANT byRef;
    VariantInit(&byRef);
    byRef.vt = VT_BYREF | VT_VARIANT;
    byRef.pvarVal = &on;
    EXPECT_EQ(call(L"SetOnTop", {byRef}, {0}).hr, S_OK);
    EXPECT_EQ(onTop(), VARIANT_TRUE) << "a variable, named";
    EXPECT_EQ(on.vt, VT_BOOL);
}

TEST(HostileClient, AnEnumeratorSkippedPastItsEndStaysThere) {
    auto notes = NewNotes();
    for (int i = 0; i < 3; ++i) AddNote(notes.get());
    ComPtr<_NoteList> list;
    ASSERT_EQ(notes->get_Notes(list.put()), S_OK);
    ComPtr<IUnknown> unknown;
    ASSERT_EQ(list->get__NewEnum(unknown.put()), S_OK);
    auto items = unknown.as<IEnumVARIANT>(IID_IEnumVARIANT);
    ASSERT_EQ(items->Skip(2), S_OK);
    EXPECT_EQ(items->Skip(0xFFFFFFFF), S_FALSE);
    tk::Variant item;
    ULONG fetched = 9;
    EXPECT_EQ(items->Next(1, item.get(), &fetched), S_FALSE);
    EXPECT_EQ(fetched, 0u);
    VARIANT two[2];
    EXPECT_EQ(items->Next(2, two, nullptr), E_INVALIDARG) << "two items need a count fetched";
    ASSERT_EQ(items->Reset(), S_OK);
    EXPECT_EQ(items->Next(1, item.get(), nullptr), S_OK);
}

namespace {

// An object a client passes as an argument: the library must give back every reference
// it takes. It lives on the test's stack, so it never deletes itself.
class Counted final : public IDispatch {
public:
    long refs = 1;
    int invoked = 0;
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
        if (!ppv) return E_POINTER;
        *ppv = nullptr;
        if (riid != IID_IUnknown && riid != IID_IDispatch) return E_NOINTERFACE;
        *ppv = static_cast<IDispatch*>(this);
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++refs); }
    ULONG STDMETHODCALLTYPE Release() override { return static_cast<ULONG>(--refs); }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        if (count) *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
        return DISP_E_UNKNOWNNAME;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
        ++invoked;
        return DISP_E_MEMBERNOTFOUND;
    }
};

// Wrong and right types alike: the last three are no type a VARIANT may hold by value.
const VARTYPE kArgumentTypes[] = {VT_EMPTY, VT_NULL,          VT_I2,       VT_I4,      VT_R4,   VT_R8,      VT_CY,
                                  VT_DATE,  VT_BSTR,          VT_DISPATCH, VT_ERROR,   VT_BOOL, VT_UNKNOWN, VT_DECIMAL,
                                  VT_I1,    VT_UI1,           VT_UI2,      VT_UI4,     VT_I8,   VT_UI8,     VT_INT,
                                  VT_UINT,  VT_ARRAY | VT_I4, VT_RECORD,   VT_VARIANT, 0x7FF};

// A client making random late-bound calls, keeping every value it passes so that it can
// check afterwards that the library neither changed nor freed what was the client's.
class RandomClient {
public:
    explicit RandomClient(unsigned seed) : rng_(seed) {}
    Counted counted;

    // One call of a random member (or none) with random flags and arguments.
    void CallOn(IDispatch* object, const std::vector<DISPID>& members, std::vector<ComPtr<IDispatch>>& handedOut) {
        static const DISPID kStrangers[] = {DISPID_VALUE, DISPID_NEWENUM, DISPID_UNKNOWN, DISPID_PROPERTYPUT, 4242};
        DISPID member = Pick(4) ? members[Pick(static_cast<unsigned>(members.size()))] : kStrangers[Pick(5)];
        static const WORD kFlags[] = {DISPATCH_METHOD, DISPATCH_PROPERTYGET, DISPATCH_PROPERTYPUT,
                                      DISPATCH_METHOD | DISPATCH_PROPERTYGET};
        WORD flags = Pick(6) ? kFlags[Pick(4)] : static_cast<WORD>(Pick(16));
        UINT count = Pick(3) ? Pick(2) : Pick(4);
        args_.assign(count, Arg{});
        for (Arg& a : args_) Fill(a);
        // Names as callers give them: a property's value, a parameter's number, or a name
        // the member does not have.
        static const DISPID kNames[] = {DISPID_PROPERTYPUT, 0, 1, DISPID_UNKNOWN, 77};
        DISPID names[3] = {kNames[Pick(5)], kNames[Pick(5)], kNames[Pick(5)]};
        DISPPARAMS params{count ? &args_[0].value : nullptr, names, count, 0};
        if (flags & DISPATCH_PROPERTYPUT && count && Pick(4)) {
            names[0] = DISPID_PROPERTYPUT;
            params.cNamedArgs = 1;
        } else if (Pick(2)) {
            params.cNamedArgs = Pick(count + 1);
        }
        if (!Pick(10)) params.cNamedArgs = Pick(count + 2);
        if (!Pick(30)) params.rgvarg = nullptr;
        if (!Pick(30)) params.rgdispidNamedArgs = nullptr;
        std::vector<VARIANT> before;
        for (const Arg& a : args_) before.push_back(a.value);

        VARIANT result;
        VariantInit(&result);
        EXCEPINFO info{};
        UINT argErr = 0;
        bool wantResult = Pick(5), wantInfo = Pick(2);
        HRESULT hr = object->Invoke(member, Pick(40) ? IID_NULL : IID_IDispatch, LOCALE_USER_DEFAULT, flags,
                                    Pick(40) ? &params : nullptr, wantResult ? &result : nullptr,
                                    wantInfo ? &info : nullptr, Pick(2) ? &argErr : nullptr);
        if (FAILED(hr)) {
            EXPECT_EQ(result.vt, VT_EMPTY) << "a failed call leaves its result empty";
        } else if (result.vt == VT_DISPATCH && result.pdispVal && handedOut.size() < 12) {
            handedOut.push_back(ComPtr<IDispatch>(result.pdispVal));
        }
        EXPECT_EQ(VariantClear(&result), S_OK);
        if (hr == DISP_E_EXCEPTION && wantInfo) {
            EXPECT_TRUE(info.bstrDescription) << "an exception says what failed";
        }
        SysFreeString(info.bstrDescription);
        SysFreeString(info.bstrSource);
        SysFreeString(info.bstrHelpFile);
        ComPtr<IErrorInfo> error;
        GetErrorInfo(0, error.put());

        for (size_t i = 0; i < args_.size(); ++i) {
            EXPECT_EQ(memcmp(&args_[i].value, &before[i], sizeof(VARIANT)), 0) << "an argument is the caller's";
            Discard(args_[i]);
        }
        EXPECT_EQ(counted.refs, 1) << "every reference to the caller's object was given back";
        counted.refs = 1;
    }

private:
    struct Arg {
        VARIANT value;   // as given in rgvarg
        VARIANT target;  // what a by-reference value points at
    };

    unsigned Pick(unsigned n) { return n ? static_cast<unsigned>(rng_() % n) : 0; }

    void FillValue(VARIANT& v, VARTYPE type) {
        memset(&v, 0, sizeof v);
        static const wchar_t* kTexts[] = {L"", L"abc", L"120", L"-1", L"True", L"99999999999", L"1e400"};
        static const LONGLONG kNumbers[] = {0, 1, -1, 255, 300, 0x7FFFFFFF, -0x7FFFFFFF - 1, 0x7FFFFFFFFFFFFFFF};
        switch (type) {
            case VT_BSTR:
                v.bstrVal = Pick(8) ? SysAllocString(kTexts[Pick(7)]) : nullptr;
                break;
            case VT_DISPATCH:
            case VT_UNKNOWN:
                v.pdispVal = Pick(4) ? &counted : nullptr;
                if (v.pdispVal) counted.AddRef();
                break;
            case VT_ARRAY | VT_I4:
                v.parray = Pick(2) ? SafeArrayCreateVector(VT_I4, 0, 2) : nullptr;
                break;
            case VT_DECIMAL:
                VarDecFromI4(static_cast<LONG>(kNumbers[Pick(8)]), &v.decVal);
                break;
            case VT_R4:
                v.fltVal = static_cast<float>(kNumbers[Pick(8)]) * (Pick(2) ? 1.0f : 0.5f);
                break;
            case VT_R8:
            case VT_DATE:
                v.dblVal = static_cast<double>(kNumbers[Pick(8)]) * (Pick(2) ? 1.0 : 1e300);
                break;
            case VT_RECORD:
                break;
            default:
                v.llVal = kNumbers[Pick(8)];
        }
        v.vt = type;
    }

    void Fill(Arg& a) {
        VARTYPE type = kArgumentTypes[Pick(std::size(kArgumentTypes))];
        if (!Pick(3) && type != VT_RECORD && type != 0x7FF) {
            if (type == VT_VARIANT)
                FillValue(a.target, kArgumentTypes[Pick(std::size(kArgumentTypes) - 4)]);
            else
                FillValue(a.target, type);
            memset(&a.value, 0, sizeof a.value);
            a.value.vt = static_cast<VARTYPE>(VT_BYREF | type);
            void* where = type == VT_VARIANT   ? static_cast<void*>(&a.target)
                          : type == VT_DECIMAL ? static_cast<void*>(&a.target.decVal)
                                               : static_cast<void*>(&a.target.lVal);
            a.value.byref = Pick(5) ? where : nullptr;
            if (!a.value.byref) Discard(a.target), a.target.vt = VT_EMPTY;
        } else {
            FillValue(a.value, type == VT_VARIANT && Pick(2) ? static_cast<VARTYPE>(VT_I4) : type);
            a.target.vt = VT_EMPTY;
        }
    }

    // Frees what the client owns, as a client does once the call has returned.
    static void Discard(VARIANT& v) {
        if ((v.vt & VT_TYPEMASK) == VT_RECORD || v.vt == VT_VARIANT || v.vt == 0x7FF || (v.vt & VT_BYREF)) {
            v.vt = VT_EMPTY;
            return;
        }
        VariantClear(&v);
    }
    static void Discard(Arg& a) {
        if (a.value.vt & VT_BYREF && a.value.byref && (a.value.vt & VT_TYPEMASK) != VT_VARIANT) {
            EXPECT_EQ(a.target.vt, a.value.vt & ~VT_BYREF) << "a value given by reference keeps its type";
        }
        Discard(a.target);
        Discard(a.value);
    }

    std::mt19937 rng_;
    std::vector<Arg> args_;
};

// Every member but the one that waits for a person to answer its dialog (AskFindText):
// called at random, it would wait for ever.
std::vector<DISPID> MembersOf(IDispatch* object) {
    ComPtr<ITypeInfo> info;
    EXPECT_EQ(object->GetTypeInfo(0, LOCALE_USER_DEFAULT, info.put()), S_OK);
    TYPEATTR* attr = nullptr;
    EXPECT_EQ(info->GetTypeAttr(&attr), S_OK);
    std::vector<DISPID> members;
    for (UINT i = 0; i < attr->cFuncs; ++i) {
        FUNCDESC* f = nullptr;
        if (FAILED(info->GetFuncDesc(i, &f))) continue;
        tk::Bstr name;
        info->GetDocumentation(f->memid, name.put(), nullptr, nullptr, nullptr);
        if (name.str() != L"AskFindText") members.push_back(f->memid);
        info->ReleaseFuncDesc(f);
    }
    info->ReleaseTypeAttr(attr);
    return members;
}

}  // namespace

TEST(HostileClient, AnObjectGivenAsAnIndexIsRefusedWithoutAskingItForAValue) {
    // From another process, asking would have qpost wait on the caller's answer.
    auto notes = NewNotes();
    AddNote(notes.get());
    ComPtr<_NoteList> list;
    ASSERT_EQ(notes->get_Notes(list.put()), S_OK);
    Counted object;
    VARIANT index;
    VariantInit(&index);
    index.vt = VT_DISPATCH;
    index.pdispVal = &object;
    ComPtr<_Note> note;
    EXPECT_TRUE(FAILED(list->get_Item(index, note.put())));
    EXPECT_EQ(LastErrorDescription(), L"The index of a note must be a number");
    EXPECT_EQ(object.invoked, 0);
    EXPECT_EQ(object.refs, 1);
}

TEST(HostileClient, ThousandsOfRandomLateBoundCallsOnEveryObjectRunClean) {
    auto notes = NewNotes();
    ThrowawayStore store;  // the random calls save and load
    ComPtr<_Note> alone = NewNote();
    ASSERT_TRUE(alone);
    for (unsigned seed : {1u, 2u, 3u}) {
        RandomClient client(seed);
        std::vector<ComPtr<IDispatch>> handedOut;
        ComPtr<_NoteList> list;
        ASSERT_EQ(notes->get_Notes(list.put()), S_OK);
        auto note = AddNote(notes.get());
        std::vector<ComPtr<IDispatch>> objects = {DispatchOf(notes.get()), DispatchOf(list.get()),
                                                  DispatchOf(note.get()), DispatchOf(alone.get())};
        std::vector<std::vector<DISPID>> members;
        for (auto& o : objects) members.push_back(MembersOf(o.get()));
        for (int call = 0; call < 6000; ++call) {
            size_t which = static_cast<size_t>(call) % (objects.size() + 1);
            if (which < objects.size()) {
                client.CallOn(objects[which].get(), members[which], handedOut);
            } else if (!handedOut.empty()) {
                IDispatch* given = handedOut[static_cast<size_t>(call) % handedOut.size()].get();
                client.CallOn(given, MembersOf(given), handedOut);
            }
            ASSERT_FALSE(testing::Test::HasFailure()) << "seed " << seed << ", call " << call;
            // Saving and loading at random would double the notes each time.
            while (CountOf(notes.get()) > 20) {
                long first = 1, ignored = 0;
                ASSERT_EQ(notes->DeleteNote(&first, &ignored), S_OK);
            }
            if (call % 500 == 0) Pump(0);
        }
        handedOut.clear();
        long count = CountOf(notes.get());
        auto last = AddNote(notes.get());
        ASSERT_TRUE(last) << "the library still works after seed " << seed;
        EXPECT_EQ(CountOf(notes.get()), count + 1);
        SetText(last.get(), L"still here");
        EXPECT_EQ(TextOf(last.get()), L"still here");
    }
}
