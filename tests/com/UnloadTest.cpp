// The library unloads cleanly once its last object is gone, and loads again afterwards.
#include <gtest/gtest.h>

#include "Accessible.h"
#include "Support.h"

using namespace test;

namespace {

ComPtr<IClassFactory> NotesFactory() {
    CLSID clsid;
    ComPtr<IClassFactory> factory;
    EXPECT_EQ(CLSIDFromProgID(L"NoteLibrary.Notes", &clsid), S_OK);
    EXPECT_EQ(CoGetClassObject(clsid, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory,
                               reinterpret_cast<void**>(factory.put())),
              S_OK);
    return factory;
}

// Asks COM, twice a moment apart, to free the libraries that nothing uses.
void FreeUnusedLibraries() {
    CoFreeUnusedLibrariesEx(0, 0);
    Pump(50);
    CoFreeUnusedLibrariesEx(0, 0);
}

}  // namespace

TEST(Unload, TheLibraryAnswersBusyWhileObjectsLiveAndUnloadsWhenTheyAreGone) {
    HMODULE loaded = nullptr;
    {
        auto notes = NewNotes();
        auto note = AddNote(notes.get());
        ASSERT_EQ(note->Show(), S_OK);
        ComPtr<_NoteList> list;
        ASSERT_EQ(notes->get_Notes(list.put()), S_OK);

        HMODULE module = GetModuleHandleW(L"Corkbase2.dll");
        ASSERT_NE(module, nullptr);
        loaded = module;
        auto canUnload = reinterpret_cast<HRESULT(STDAPICALLTYPE*)()>(
            reinterpret_cast<void*>(GetProcAddress(module, "DllCanUnloadNow")));
        notes.reset();
        EXPECT_EQ(canUnload(), S_FALSE) << "the list and the note still live";
        list.reset();
        EXPECT_EQ(canUnload(), S_FALSE) << "the note still lives";
    }
    Pump(50);
    CoFreeUnusedLibrariesEx(0, 0);
    Pump(50);
    EXPECT_EQ(GetModuleHandleW(L"Corkbase2.dll"), nullptr) << "the library was unloaded";
    EXPECT_TRUE(WindowsOfClass(L"CorkbaseNote").empty());
    EXPECT_TRUE(WindowsOfClass(L"CorkbaseNoteOwner").empty());
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    EXPECT_FALSE(GetClassInfoExW(loaded, L"CorkbaseNote", &wc)) << "its window classes were unregistered";

    auto again = NewNotes();
    ASSERT_TRUE(again);
    auto note = AddNote(again.get());
    ASSERT_EQ(note->Show(), S_OK);
    Pump(200);
    VARIANT_BOOL visible = 0;
    EXPECT_EQ(note->get_IsVisible(&visible), S_OK);
    EXPECT_EQ(visible, VARIANT_TRUE);
}

TEST(Unload, AHeldClassFactoryOrServerLockKeepsTheLibraryLoaded) {
    RegisterLibrary();
    ComPtr<IClassFactory> factory = NotesFactory();
    ASSERT_TRUE(factory);
    FreeUnusedLibraries();
    ASSERT_NE(GetModuleHandleW(L"Corkbase2.dll"), nullptr) << "a held factory keeps its code";
    ASSERT_EQ(factory->LockServer(TRUE), S_OK);
    factory.reset();
    FreeUnusedLibraries();
    HMODULE module = GetModuleHandleW(L"Corkbase2.dll");
    ASSERT_NE(module, nullptr) << "a server lock keeps the library";

    // The lock goes through the factory, taken again while the library is still loaded.
    factory = NotesFactory();
    ASSERT_TRUE(factory);
    ComPtr<_Notes> notes;
    ASSERT_EQ(factory->CreateInstance(nullptr, IID__Notes, reinterpret_cast<void**>(notes.put())), S_OK);
    EXPECT_EQ(factory->LockServer(FALSE), S_OK);
    factory.reset();
    notes.reset();
    FreeUnusedLibraries();
    EXPECT_EQ(GetModuleHandleW(L"Corkbase2.dll"), nullptr) << "without locks or objects the library goes";
}

TEST(Unload, AnUnlockWithoutALockDoesNotLetTheLibraryGoUnderAHeldFactory) {
    RegisterLibrary();
    ComPtr<IClassFactory> factory = NotesFactory();
    ASSERT_TRUE(factory);
    // The held factory is the library's one lock: counted, this unlock would free it.
    EXPECT_EQ(factory->LockServer(FALSE), S_OK);
    FreeUnusedLibraries();
    ASSERT_NE(GetModuleHandleW(L"Corkbase2.dll"), nullptr) << "the held factory still needs its code";
    ComPtr<_Notes> notes;
    EXPECT_EQ(factory->CreateInstance(nullptr, IID__Notes, reinterpret_cast<void**>(notes.put())), S_OK);
    notes.reset();
    factory.reset();
    FreeUnusedLibraries();
    EXPECT_EQ(GetModuleHandleW(L"Corkbase2.dll"), nullptr) << "once nothing holds it, the library goes";
}

TEST(Unload, AReaderHoldingANotesAccessibleObjectKeepsTheLibraryLoaded) {
    RegisterLibrary();
    ComPtr<IAccessible> reader;
    {
        auto notes = NewNotes();
        auto note = AddNote(notes.get());
        ASSERT_EQ(note->put_Title(MakeBstr(L"held").get()), S_OK);
        ASSERT_EQ(note->Show(), S_OK);
        Pump(50);
        ASSERT_EQ(AccessibleObjectFromWindow(OnlyNoteWindow(), OBJID_CLIENT, tk::AccessibleIid,
                                             reinterpret_cast<void**>(reader.put())),
                  S_OK);
        VARIANT self;
        self.vt = VT_I4;
        self.lVal = CHILDID_SELF;
        tk::Bstr name;
        ASSERT_EQ(reader->get_accName(self, name.put()), S_OK);
        EXPECT_EQ(name.str(), L"held");
    }
    FreeUnusedLibraries();
    ASSERT_NE(GetModuleHandleW(L"Corkbase2.dll"), nullptr) << "the reader's object still needs its code";
    long children = 0;
    EXPECT_EQ(reader->get_accChildCount(&children), CO_E_OBJNOTCONNECTED) << "its note's window is gone";
    reader.reset();
    FreeUnusedLibraries();
    EXPECT_EQ(GetModuleHandleW(L"Corkbase2.dll"), nullptr) << "once the reader lets go, the library goes";
}
