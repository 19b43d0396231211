// The notes on the screen as other processes reach them: Quillpost.Notes through the
// running object table and by creation. Only the person's own session may reach them, the
// platform's default for a per-user local server; Wine has no sessions to show it.
#include <memory>

#include "TrayFixture.h"

using namespace tray;

namespace {

using test::ComPtr;

CLSID NotesClass() {
    CLSID clsid{};
    EXPECT_HRESULT_SUCCEEDED(CLSIDFromProgID(L"Quillpost.Notes", &clsid));
    return clsid;
}

// A late-bound call from another process, as a script host makes it.
struct Reply {
    HRESULT hr = E_FAIL;
    std::wstring description;
    ComPtr<IDispatch> object;
    VARIANT value{};
    ~Reply() { VariantClear(&value); }
};

std::unique_ptr<Reply> Call(IDispatch* on, const wchar_t* name, WORD kind, VARIANT* argument = nullptr) {
    auto reply = std::make_unique<Reply>();
    DISPID id = 0, named = DISPID_PROPERTYPUT;
    auto* names = const_cast<LPOLESTR>(name);
    reply->hr = on->GetIDsOfNames(IID_NULL, &names, 1, LOCALE_USER_DEFAULT, &id);
    if (FAILED(reply->hr)) return reply;
    DISPPARAMS params{argument, kind == DISPATCH_PROPERTYPUT ? &named : nullptr, argument ? 1u : 0u,
                      kind == DISPATCH_PROPERTYPUT ? 1u : 0u};
    EXCEPINFO failure{};
    reply->hr = on->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, kind, &params, &reply->value, &failure, nullptr);
    if (reply->hr == DISP_E_EXCEPTION) {
        reply->hr = failure.scode;
        reply->description = failure.bstrDescription ? failure.bstrDescription : L"";
    }
    SysFreeString(failure.bstrSource);
    SysFreeString(failure.bstrDescription);
    SysFreeString(failure.bstrHelpFile);
    if (reply->value.vt == VT_DISPATCH && reply->value.pdispVal) reply->object = ComPtr<IDispatch>(reply->value.pdispVal);
    return reply;
}

ComPtr<IDispatch> Get(IDispatch* on, const wchar_t* name) { return Call(on, name, DISPATCH_PROPERTYGET)->object; }

long CountOf(IDispatch* notes) { return Call(Get(notes, L"Notes").get(), L"Count", DISPATCH_PROPERTYGET)->value.lVal; }

std::wstring TextOf(IDispatch* notes, long i) {
    VARIANT index{};
    index.vt = VT_I4;
    index.lVal = i;
    auto note = Call(Get(notes, L"Notes").get(), L"Item", DISPATCH_PROPERTYGET, &index)->object;
    auto text = Call(note.get(), L"Text", DISPATCH_PROPERTYGET);
    return text->value.vt == VT_BSTR ? text->value.bstrVal : L"<no text>";
}

// As VBScript's GetObject(, "Quillpost.Notes") does; empty until qpost has loaded its notes.
ComPtr<IDispatch> Running() {
    ComPtr<IUnknown> found;
    if (FAILED(GetActiveObject(NotesClass(), nullptr, found.put()))) return {};
    return found.as<IDispatch>(IID_IDispatch);
}

testing::AssertionResult FailsSaying(HRESULT hr, const std::wstring& said, const std::wstring& part) {
    if (SUCCEEDED(hr)) return testing::AssertionFailure() << "the call succeeded";
    if (said.find(part) == std::wstring::npos) return testing::AssertionFailure() << "it said: " << test::Narrow(said);
    return testing::AssertionSuccess();
}

}  // namespace

class LiveNotes : public Tray {
protected:
    void StoreNotes(long count) {
        store.Put(L"General", L"notes", std::to_wstring(count));
        for (long i = 1; i <= count; ++i) store.Put(L"note" + std::to_wstring(i), L"text", L"stored " + std::to_wstring(i));
    }
    ComPtr<IDispatch> WaitForRunning() {
        ComPtr<IDispatch> live;
        EXPECT_TRUE(WaitFor([&] { return static_cast<bool>(live = Running()); })) << "no Quillpost.Notes is running";
        return live;
    }
};

TEST_F(LiveNotes, AScriptChangesTheNotesOnTheScreenAndItsSavesStay) {
    StoreNotes(2);
    auto q = Start();
    auto live = WaitForRunning();
    ASSERT_TRUE(live);
    EXPECT_EQ(CountOf(live.get()), 2);
    EXPECT_EQ(TextOf(live.get(), 2), L"stored 2");

    auto added = Call(live.get(), L"AddNote", DISPATCH_METHOD)->object;
    ASSERT_TRUE(added);
    VARIANT text{};
    text.vt = VT_BSTR;
    text.bstrVal = SysAllocString(L"added by a script");
    EXPECT_HRESULT_SUCCEEDED(Call(added.get(), L"Text", DISPATCH_PROPERTYPUT, &text)->hr);
    VariantClear(&text);
    EXPECT_HRESULT_SUCCEEDED(Call(added.get(), L"Show", DISPATCH_METHOD)->hr);
    EXPECT_EQ(q->WaitForNotes(3, 1).size(), 3u) << "the script's note is not on the screen";
    EXPECT_TRUE(WaitFor([&] { return Stored(L"note3", L"text") == L"added by a script"; }))
        << "qpost's autosave did not keep the script's note";

    auto load = Call(live.get(), L"LoadAll", DISPATCH_METHOD);
    EXPECT_TRUE(FailsSaying(load->hr, load->description, L"second time"));

    // A collection of the script's own would overwrite the notes on the screen.
    auto before = store.Dump();
    auto own = test::NewNotes();
    test::AddNote(own.get());
    long ignored = 0;
    HRESULT saved = own->SaveAll(&ignored);
    EXPECT_TRUE(FailsSaying(saved, test::LastErrorDescription(), L"\"Quillpost.Notes\""));
    EXPECT_EQ(store.Dump(), before);

    // Inside the tray menu's loop, calls are held back; after it they run.
    q->TrayEvent(WM_RBUTTONDOWN);
    ASSERT_NE(WaitForMenu(q->pid()), nullptr) << "the menu did not open";
    // Wine refuses the call where Windows asks to retry it later.
    HRESULT held = Call(live.get(), L"Notes", DISPATCH_PROPERTYGET)->hr;
    EXPECT_TRUE(held == RPC_E_SERVERCALL_RETRYLATER || held == RPC_E_CALL_REJECTED) << std::hex << held;
    Keys({VK_ESCAPE});
    ComPtr<IDispatch> list;
    EXPECT_TRUE(WaitFor([&] { return static_cast<bool>(list = Get(live.get(), L"Notes")); }));

    // The script still holds the notes as qpost exits: qpost does not wait, and the next call fails.
    PostMessageW(q->MainWindow(), WM_CLOSE, 0, 0);
    EXPECT_TRUE(q->WaitForExit(5000));
    DWORD asked = GetTickCount();
    EXPECT_TRUE(FAILED(Call(list.get(), L"Count", DISPATCH_PROPERTYGET)->hr));
    EXPECT_LT(GetTickCount() - asked, 3000u) << "the call after the exit did not fail promptly";
    EXPECT_EQ(Stored(L"General", L"notes"), L"3");
    EXPECT_EQ(Stored(L"note3", L"text"), L"added by a script");
}

TEST_F(LiveNotes, CreatingStartsQpostWhichLoadsFirstAndStays) {
    // Enough notes that the creation has to wait for the load.
    StoreNotes(150);
    ComPtr<IDispatch> live;
    ASSERT_HRESULT_SUCCEEDED(CoCreateInstance(NotesClass(), nullptr, CLSCTX_LOCAL_SERVER, IID_IDispatch,
                                              reinterpret_cast<void**>(live.put())));
    EXPECT_EQ(CountOf(live.get()), 150);
    live.reset();
    HWND main = FindWindowW(L"QuillpostIcon", nullptr);
    ASSERT_NE(main, nullptr);
    DWORD pid = 0;
    GetWindowThreadProcessId(main, &pid);
    tk::UniqueHandle started(OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, pid));
    EXPECT_EQ(WaitForSingleObject(started.get(), 1500), static_cast<DWORD>(WAIT_TIMEOUT))
        << "qpost ended when the script let go";

    // Another copy started for a script ends without a word; the first keeps serving.
    {
        Qpost second(BinFolder() + L"qpost.exe", L"-Embedding");
        EXPECT_TRUE(second.WaitForExit());
        EXPECT_FALSE(WaitForDialog(second.pid(), L"", 1000));
    }
    EXPECT_EQ(CountOf(WaitForRunning().get()), 150);

    PostMessageW(main, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(started.get(), 10000) != WAIT_OBJECT_0) TerminateProcess(started.get(), 1);
}

TEST_F(LiveNotes, ACollectionThatLoadedBeforeQpostSavedIsRefused) {
    StoreNotes(1);
    auto own = test::NewNotes();
    ASSERT_HRESULT_SUCCEEDED(own->LoadAll());
    {
        auto q = Start();
        auto live = WaitForRunning();
        ASSERT_TRUE(live);
        EXPECT_HRESULT_SUCCEEDED(Call(live.get(), L"AddNote", DISPATCH_METHOD)->hr);
        PostMessageW(q->MainWindow(), WM_CLOSE, 0, 0);
        EXPECT_TRUE(q->WaitForExit());
    }
    auto saved = store.Dump();
    long ignored = 0;
    HRESULT refused = own->SaveAll(&ignored);
    EXPECT_TRUE(FailsSaying(refused, test::LastErrorDescription(), L"since this collection loaded them"));
    EXPECT_EQ(store.Dump(), saved);
    // A collection that loaded what is stored now saves as it always did.
    auto fresh = test::NewNotes();
    ASSERT_HRESULT_SUCCEEDED(fresh->LoadAll());
    EXPECT_HRESULT_SUCCEEDED(fresh->SaveAll(&ignored));
}
