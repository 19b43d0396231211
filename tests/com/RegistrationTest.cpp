// Self-registration without administrator rights, and its symmetric removal.
#include <gtest/gtest.h>

#include "Support.h"

using namespace test;

namespace {

using Entry = HRESULT(STDAPICALLTYPE*)();

Entry Export(HMODULE module, const char* name) {
    return reinterpret_cast<Entry>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

std::wstring ReadValue(HKEY root, const std::wstring& key, const wchar_t* name = nullptr) {
    wchar_t buffer[1024] = {};
    DWORD size = sizeof(buffer);
    if (RegGetValueW(root, key.c_str(), name, RRF_RT_REG_SZ, nullptr, buffer, &size) != ERROR_SUCCESS)
        return L"<missing>";
    return buffer;
}

bool KeyExists(HKEY root, const std::wstring& key) {
    HKEY h;
    if (RegOpenKeyExW(root, key.c_str(), 0, KEY_READ, &h) != ERROR_SUCCESS) return false;
    RegCloseKey(h);
    return true;
}

std::wstring GuidText(const GUID& g) {
    wchar_t text[40];
    StringFromGUID2(g, text, 40);
    return text;
}

struct Library {
    tk::UniqueModule module{LoadLibraryW(LibraryPath().c_str())};
    Entry Register() { return Export(module.get(), "DllRegisterServer"); }
    Entry Unregister() { return Export(module.get(), "DllUnregisterServer"); }
};

}  // namespace

TEST(Registration, WritesBothClassesForTheCurrentUser) {
    Library lib;
    ASSERT_TRUE(lib.module);
    ASSERT_EQ(lib.Register()(), S_OK);
    const std::wstring classes = L"Software\\Classes\\";
    for (auto [clsid, progId] :
         {std::pair{&CLSID_Notes, L"NoteLibrary.Notes"}, std::pair{&CLSID_Note, L"NoteLibrary.Note"}}) {
        std::wstring key = classes + L"CLSID\\" + GuidText(*clsid);
        EXPECT_EQ(ReadValue(HKEY_CURRENT_USER, key + L"\\InprocServer32"), LibraryPath());
        EXPECT_EQ(ReadValue(HKEY_CURRENT_USER, key + L"\\InprocServer32", L"ThreadingModel"), L"Apartment");
        EXPECT_EQ(ReadValue(HKEY_CURRENT_USER, key + L"\\ProgID"), progId);
        EXPECT_EQ(ReadValue(HKEY_CURRENT_USER, key + L"\\TypeLib"), GuidText(LIBID_NoteLibrary));
        EXPECT_EQ(ReadValue(HKEY_CURRENT_USER, key + L"\\Version"), L"1.3");
        EXPECT_EQ(ReadValue(HKEY_CURRENT_USER, classes + progId + L"\\CLSID"), GuidText(*clsid));
        CLSID found;
        ASSERT_EQ(CLSIDFromProgID(progId, &found), S_OK) << "COM activation sees the class";
        EXPECT_TRUE(IsEqualCLSID(found, *clsid));
    }
    ComPtr<ITypeLib> registered;
    EXPECT_EQ(LoadRegTypeLib(LIBID_NoteLibrary, 1, 3, 0x409, registered.put()), S_OK);
}

TEST(Registration, UnregisteringRemovesEverythingAndIsSafeToRepeat) {
    Library lib;
    ASSERT_EQ(lib.Register()(), S_OK);
    ASSERT_EQ(lib.Unregister()(), S_OK);
    for (auto* clsid : {&CLSID_Notes, &CLSID_Note}) {
        std::wstring key = L"Software\\Classes\\CLSID\\" + GuidText(*clsid);
        EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, key));
        EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, key));
    }
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, L"Software\\Classes\\NoteLibrary.Notes"));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, L"NoteLibrary.Notes"));
    CLSID found;
    EXPECT_TRUE(FAILED(CLSIDFromProgID(L"NoteLibrary.Notes", &found)));
    ComPtr<ITypeLib> registered;
    EXPECT_TRUE(FAILED(LoadRegTypeLib(LIBID_NoteLibrary, 1, 3, 0x409, registered.put())));

    EXPECT_EQ(lib.Unregister()(), S_OK) << "keys already gone count as removed";

    ASSERT_EQ(lib.Register()(), S_OK);
    auto notes = NewNotes();
    EXPECT_TRUE(notes) << "registering again brings activation back";
}

namespace {

// A copy of the built library in a folder of its own, removed again when it goes.
struct Copy {
    std::wstring folder, path;
    explicit Copy(const wchar_t* name) {
        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        folder = std::wstring(temp) + name;
        CreateDirectoryW(folder.c_str(), nullptr);
        path = folder + L"\\Corkbase2.dll";
        EXPECT_TRUE(CopyFileW(LibraryPath().c_str(), path.c_str(), FALSE));
    }
    ~Copy() {
        DeleteFileW(path.c_str());
        RemoveDirectoryW(folder.c_str());
    }
    HRESULT Register() { return Call("DllRegisterServer"); }
    HRESULT Unregister() { return Call("DllUnregisterServer"); }
    HRESULT Call(const char* entry) {
        tk::UniqueModule module(LoadLibraryW(path.c_str()));
        return module ? Export(module.get(), entry)() : E_FAIL;
    }
};

}  // namespace

TEST(Registration, RegisteringASecondCopyPointsEveryRegistrationAtIt) {
    const std::wstring classes = L"Software\\Classes\\";
    {
        Copy first(L"quillpost-first-copy"), second(L"quillpost-second-copy");
        for (Copy* copy : {&first, &second}) {
            ASSERT_EQ(copy->Register(), S_OK);
            for (auto* clsid : {&CLSID_Notes, &CLSID_Note}) {
                std::wstring key = L"CLSID\\" + GuidText(*clsid) + L"\\InprocServer32";
                EXPECT_EQ(ReadValue(HKEY_CURRENT_USER, classes + key), copy->path);
                EXPECT_EQ(ReadValue(HKEY_CLASSES_ROOT, key), copy->path) << "activation loads the copy registered last";
                std::wstring machine = ReadValue(HKEY_LOCAL_MACHINE, classes + key);
                EXPECT_TRUE(machine == L"<missing>" || machine == copy->path) << Narrow(machine);
            }
        }
        // The first copy gone, activation still works: nothing points at it.
        ASSERT_TRUE(DeleteFileW(first.path.c_str()));
        ComPtr<_Notes> notes;
        EXPECT_EQ(CoCreateInstance(CLSID_Notes, nullptr, CLSCTX_INPROC_SERVER, IID__Notes,
                                   reinterpret_cast<void**>(notes.put())),
                  S_OK);
    }
    CoFreeUnusedLibrariesEx(0, 0);
    Library built;
    ASSERT_EQ(built.Register()(), S_OK) << "the other tests use the built library";
}

TEST(Registration, UnregisteringACopyLeavesWhatPointsAtAnother) {
    const std::wstring classes = L"Software\\Classes\\";
    {
        Copy first(L"quillpost-first-copy"), second(L"quillpost-second-copy");
        ASSERT_EQ(first.Register(), S_OK);
        ASSERT_EQ(second.Register(), S_OK);
        ASSERT_EQ(first.Unregister(), S_OK);
        for (auto [clsid, progId] :
             {std::pair{&CLSID_Notes, L"NoteLibrary.Notes"}, std::pair{&CLSID_Note, L"NoteLibrary.Note"}}) {
            std::wstring key = L"CLSID\\" + GuidText(*clsid) + L"\\InprocServer32";
            EXPECT_EQ(ReadValue(HKEY_CURRENT_USER, classes + key), second.path);
            EXPECT_EQ(ReadValue(HKEY_CLASSES_ROOT, key), second.path);
            EXPECT_EQ(ReadValue(HKEY_CLASSES_ROOT, std::wstring(progId) + L"\\CLSID"), GuidText(*clsid));
        }
        tk::Bstr registered;
        ASSERT_EQ(QueryPathOfRegTypeLib(LIBID_NoteLibrary, 1, 3, 0x409, registered.put()), S_OK);
        EXPECT_EQ(std::wstring(registered.get()), second.path) << "the type library stays the second copy's";
        {
            ComPtr<_Notes> notes;
            EXPECT_EQ(CoCreateInstance(CLSID_Notes, nullptr, CLSCTX_INPROC_SERVER, IID__Notes,
                                       reinterpret_cast<void**>(notes.put())),
                      S_OK);
        }
        CoFreeUnusedLibrariesEx(0, 0);

        // The copy the keys point at takes them away.
        ASSERT_EQ(second.Unregister(), S_OK);
        for (auto* clsid : {&CLSID_Notes, &CLSID_Note}) {
            std::wstring key = classes + L"CLSID\\" + GuidText(*clsid);
            EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, key));
            EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, key));
        }
        EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, L"NoteLibrary.Notes"));
        ComPtr<ITypeLib> gone;
        EXPECT_TRUE(FAILED(LoadRegTypeLib(LIBID_NoteLibrary, 1, 3, 0x409, gone.put())));
    }
    Library built;
    ASSERT_EQ(built.Register()(), S_OK) << "the other tests use the built library";
}
