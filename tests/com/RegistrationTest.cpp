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
