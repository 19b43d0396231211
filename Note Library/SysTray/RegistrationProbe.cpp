#include "RegistrationProbe.h"

#include <windows.h>

#include <optional>
#include <tuple>

#include "Handles.h"
#include "Module.h"
#include "NoteLibrary.h"
#include "Registry.h"

namespace qpost {
namespace {

std::wstring ProgramFolder() {
    std::wstring path = tk::ModuleFileName(nullptr);
    return path.substr(0, path.find_last_of(L'\\') + 1);
}

// The file's identity, whatever the spelling of its path (case, short names).
std::optional<std::tuple<DWORD, DWORD, DWORD>> FileIdentity(const std::wstring& path) {
    tk::UniqueFile file(CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, 0, nullptr));
    BY_HANDLE_FILE_INFORMATION info{};
    if (!file || !GetFileInformationByHandle(file.get(), &info)) return std::nullopt;
    return std::tuple{info.dwVolumeSerialNumber, info.nFileIndexHigh, info.nFileIndexLow};
}

bool RegisteredHere() {
    wchar_t clsid[40];
    StringFromGUID2(CLSID_Notes, clsid, 40);
    std::wstring registered =
        tk::RegistryDefault(HKEY_CLASSES_ROOT, L"CLSID\\" + std::wstring(clsid) + L"\\InprocServer32");
    auto own = FileIdentity(ProgramFolder() + L"Corkbase2.dll");
    return own && own == FileIdentity(registered);
}

}  // namespace

bool LibraryRegisteredHere() {
    CLSID clsid;
    tk::ComPtr<_Notes> notes;
    if (SUCCEEDED(CLSIDFromProgID(L"NoteLibrary.Notes", &clsid)) && RegisteredHere())
        CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID__Notes, reinterpret_cast<void**>(notes.put()));
    return static_cast<bool>(notes);
}

HRESULT RegisterLibraryBesideProgram() {
    tk::UniqueModule library(LoadLibraryExW((ProgramFolder() + L"Corkbase2.dll").c_str(), nullptr,
                                            LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR | LOAD_LIBRARY_SEARCH_DEFAULT_DIRS));
    if (!library) return HRESULT_FROM_WIN32(GetLastError());
    auto entry = reinterpret_cast<HRESULT(STDAPICALLTYPE*)()>(
        reinterpret_cast<void*>(GetProcAddress(library.get(), "DllRegisterServer")));
    if (!entry) return HRESULT_FROM_WIN32(GetLastError());
    return entry();
}

}  // namespace qpost
