// The in-process server: one class factory for the table of creatable classes, the
// registration written from one table of keys, and the library's unloading.
#include <string>
#include <vector>

#include "Accessible.h"
#include "Automation.h"
#include "Module.h"
#include "Note.h"
#include "NoteOwner.h"
#include "Notes.h"
#include "Registry.h"

extern "C" {
// oleaut32 exports these; mingw's headers do not declare them.
HRESULT WINAPI RegisterTypeLibForUser(ITypeLib* lib, OLECHAR* path, OLECHAR* helpDir);
HRESULT WINAPI UnRegisterTypeLibForUser(REFGUID libid, WORD major, WORD minor, LCID lcid, SYSKIND syskind);
}

namespace corkbase {
namespace {

HMODULE g_module = nullptr;

struct CreatableClass {
    const CLSID* clsid;
    const wchar_t* progId;
    const wchar_t* name;
    ComPtr<IUnknown> (*create)();
};

const CreatableClass kClasses[] = {
    {&CLSID_Notes, L"NoteLibrary.Notes", L"Notes",
     [] { return ComPtr<IUnknown>(static_cast<_Notes*>(Notes::Create().get())); }},
    {&CLSID_Note, L"NoteLibrary.Note", L"Note",
     [] { return ComPtr<IUnknown>(static_cast<_Note*>(Note::Create().get())); }},
};

// The type library's version, the same as the one widl gives it.
constexpr WORD kLibMajor = NOTELIBRARY_VERSION_MAJOR, kLibMinor = NOTELIBRARY_VERSION_MINOR;
constexpr LCID kLibLcid = 0x409;

class ClassFactory final : public IClassFactory {
public:
    explicit ClassFactory(const CreatableClass& cls) : class_(cls) {}
    bool Serves(REFCLSID clsid) const { return IsEqualCLSID(clsid, *class_.clsid) != FALSE; }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
        if (!ppv) return E_POINTER;
        if (riid == IID_IUnknown || riid == IID_IClassFactory) {
            *ppv = static_cast<IClassFactory*>(this);
            AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    // The factories are static, but a caller holding one still needs the code: every
    // reference counts as a lock on the library.
    ULONG STDMETHODCALLTYPE AddRef() override {
        corkbase::LockServer(true);
        return static_cast<ULONG>(++refs_);
    }
    ULONG STDMETHODCALLTYPE Release() override {
        long left = DropOne(refs_);
        if (left < 0) return 0;
        corkbase::LockServer(false);
        return static_cast<ULONG>(left);
    }

    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID riid, void** ppv) override {
        if (!ppv) return E_POINTER;
        *ppv = nullptr;
        if (outer) return CLASS_E_NOAGGREGATION;
        HRESULT hr = E_FAIL;
        HRESULT guard = Guard(IID_IClassFactory, [&] { hr = class_.create()->QueryInterface(riid, ppv); });
        return FAILED(guard) ? guard : hr;
    }
    // An unlock without a lock of its own is ignored: counted, it would release a lock
    // another caller holds and let the library unload under that caller.
    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
        if (lock) {
            ++locks_;
            corkbase::LockServer(true);
        } else if (DropOne(locks_) >= 0) {
            corkbase::LockServer(false);
        }
        return S_OK;
    }

private:
    // Takes one from a count that is above zero; returns what is left, or -1 when the
    // count was already zero and stays so.
    static long DropOne(std::atomic<long>& count) {
        long now = count.load();
        while (now > 0 && !count.compare_exchange_weak(now, now - 1)) {
        }
        return now > 0 ? now - 1 : -1;
    }

    const CreatableClass& class_;
    std::atomic<long> refs_{0};
    // Shared by the factories: a lock taken through one may be given back through another.
    static inline std::atomic<long> locks_{0};
};

std::wstring GuidText(const GUID& guid) {
    wchar_t text[40];
    StringFromGUID2(guid, text, 40);
    return text;
}

std::wstring ModulePath() { return tk::ModuleFileName(g_module); }

struct RegistryValue {
    std::wstring key;   // below Software\Classes
    std::wstring name;  // empty: the key's default value
    std::wstring value;
};

// Every key and value registration writes, in the order it writes them.
std::vector<RegistryValue> RegistrationTable() {
    std::wstring path = ModulePath();
    std::wstring libid = GuidText(LIBID_NoteLibrary);
    std::vector<RegistryValue> table;
    for (const CreatableClass& cls : kClasses) {
        std::wstring clsidKey = L"CLSID\\" + GuidText(*cls.clsid);
        table.push_back({clsidKey, L"", cls.name});
        table.push_back({clsidKey + L"\\InprocServer32", L"", path});
        table.push_back({clsidKey + L"\\InprocServer32", L"ThreadingModel", L"Apartment"});
        table.push_back({clsidKey + L"\\ProgID", L"", cls.progId});
        table.push_back({clsidKey + L"\\TypeLib", L"", libid});
        table.push_back({clsidKey + L"\\Version", L"", L"" NOTELIBRARY_VERSION});
        table.push_back({cls.progId, L"", cls.name});
        table.push_back({std::wstring(cls.progId) + L"\\CLSID", L"", GuidText(*cls.clsid)});
    }
    return table;
}

bool SameText(const std::wstring& a, const std::wstring& b) { return _wcsicmp(a.c_str(), b.c_str()) == 0; }

// The keys under root the table creates whose removal takes everything below them, of
// those that point at this copy or at none: a class registered from another copy stays
// with its ProgID, and so does a ProgID that names another class.
std::vector<std::wstring> RegistrationRoots(HKEY root) {
    const std::wstring classes = L"Software\\Classes\\", path = ModulePath();
    std::vector<std::wstring> roots;
    for (const CreatableClass& cls : kClasses) {
        std::wstring clsid = GuidText(*cls.clsid), clsidKey = L"CLSID\\" + clsid;
        std::wstring server = tk::RegistryDefault(root, classes + clsidKey + L"\\InprocServer32");
        if (!server.empty() && !SameText(server, path)) continue;
        roots.push_back(clsidKey);
        std::wstring named = tk::RegistryDefault(root, classes + cls.progId + L"\\CLSID");
        if (named.empty() || SameText(named, clsid)) roots.push_back(cls.progId);
    }
    return roots;
}

// Whether the registered type library is this copy's, or none is registered.
bool TypeLibraryHere() {
    tk::Bstr registered;
    return FAILED(QueryPathOfRegTypeLib(LIBID_NoteLibrary, kLibMajor, kLibMinor, kLibLcid, registered.put())) ||
           SameText(registered.get(), ModulePath());
}

LSTATUS WriteTable(HKEY root, const std::vector<RegistryValue>& table) {
    for (const RegistryValue& v : table) {
        LSTATUS status = tk::WriteRegistryText(root, L"Software\\Classes\\" + v.key, v.name, v.value);
        if (status != ERROR_SUCCESS) return status;
    }
    return ERROR_SUCCESS;
}

LSTATUS RemoveTable(HKEY root) {
    auto roots = RegistrationRoots(root);
    for (auto it = roots.rbegin(); it != roots.rend(); ++it) {
        LSTATUS status = RegDeleteTreeW(root, (L"Software\\Classes\\" + *it).c_str());
        if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND) return status;
    }
    return ERROR_SUCCESS;
}

// Whether COM activation sees the ProgID pointing at this class and the class at this
// file. Where the platform does not see per-user classes (Wine), it sees only
// machine-wide keys: none, or those of a copy registered earlier from another folder.
bool ActivationSees(const CreatableClass& cls, const std::wstring& path) {
    CLSID found;
    return SUCCEEDED(CLSIDFromProgID(cls.progId, &found)) && IsEqualCLSID(found, *cls.clsid) &&
           _wcsicmp(
               tk::RegistryDefault(HKEY_CLASSES_ROOT, L"CLSID\\" + GuidText(*cls.clsid) + L"\\InprocServer32").c_str(),
               path.c_str()) == 0;
}

HRESULT FromStatus(LSTATUS status, const wchar_t* doing) {
    if (status == ERROR_SUCCESS) return S_OK;
    return ReportError(IID_IUnknown, HRESULT_FROM_WIN32(status),
                       std::wstring(doing) + L": " + tk::SystemMessage(static_cast<DWORD>(status)));
}

}  // namespace
}  // namespace corkbase

using namespace corkbase;

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        g_module = instance;
        DisableThreadLibraryCalls(instance);
    }
    return TRUE;
}

extern "C" HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID clsid, REFIID riid, void** ppv) {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    HRESULT hr = CLASS_E_CLASSNOTAVAILABLE;
    HRESULT guard = Guard(IID_IClassFactory, [&] {
        static std::vector<ClassFactory> factories(std::begin(kClasses), std::end(kClasses));
        for (ClassFactory& factory : factories)
            if (factory.Serves(clsid)) {
                hr = factory.QueryInterface(riid, ppv);
                return;
            }
    });
    return FAILED(guard) ? guard : hr;
}

extern "C" HRESULT STDAPICALLTYPE DllCanUnloadNow() {
    // A reader may hold a note's accessible object after the note itself is gone.
    if (LiveObjects() != 0 || ServerLocks() != 0 || tk::LiveAccessibleObjects() != 0) return S_FALSE;
    // Nothing may outlive the code: the library's windows, classes and cached types go now.
    ReleaseWindowResources();
    ReleaseTypeInfos();
    return S_OK;
}

extern "C" HRESULT STDAPICALLTYPE DllRegisterServer() {
    HRESULT hr = S_OK;
    HRESULT guard = Guard(IID_IUnknown, [&] {
        auto table = RegistrationTable();
        hr = FromStatus(WriteTable(HKEY_CURRENT_USER, table), L"Cannot register the classes for this user");
        if (FAILED(hr)) return;

        std::wstring path = ModulePath();
        ComPtr<ITypeLib> library;
        tk::Check(LoadTypeLibEx(path.c_str(), REGKIND_NONE, library.put()), L"Cannot load the type library");
        tk::Check(RegisterTypeLibForUser(library.get(), path.data(), nullptr), L"Cannot register the type library");

        // Only where per-user classes are not merged into activation (Wine) are they written
        // machine-wide as well, where that is permitted: on Windows an elevated client would
        // load a DLL from a folder the user can change.
        bool seen = true;
        for (const CreatableClass& cls : kClasses) seen = seen && ActivationSees(cls, path);
        if (!seen) {
            LSTATUS status = WriteTable(HKEY_LOCAL_MACHINE, table);
            if (status != ERROR_SUCCESS && status != ERROR_ACCESS_DENIED)
                hr = FromStatus(status, L"Cannot register the classes for this machine");
        }
    });
    return FAILED(guard) ? guard : hr;
}

extern "C" HRESULT STDAPICALLTYPE DllUnregisterServer() {
    HRESULT hr = S_OK;
    HRESULT guard = Guard(IID_IUnknown, [&] {
        hr = FromStatus(RemoveTable(HKEY_CURRENT_USER), L"Cannot remove the classes for this user");
        if (FAILED(hr)) return;
        LSTATUS machine = RemoveTable(HKEY_LOCAL_MACHINE);
        if (machine != ERROR_SUCCESS && machine != ERROR_ACCESS_DENIED) {
            hr = FromStatus(machine, L"Cannot remove the classes for this machine");
            return;
        }
        // Another copy's type library stays registered for that copy.
        if (!TypeLibraryHere()) return;
        HRESULT removed = UnRegisterTypeLibForUser(LIBID_NoteLibrary, kLibMajor, kLibMinor, kLibLcid, SYS_WIN64);
        // A type library that is already gone counts as removed.
        ComPtr<ITypeLib> still;
        if (FAILED(removed) && SUCCEEDED(LoadRegTypeLib(LIBID_NoteLibrary, kLibMajor, kLibMinor, kLibLcid, still.put())))
            hr = ReportError(IID_IUnknown, removed, L"Cannot remove the type library's registration");
    });
    return FAILED(guard) ? guard : hr;
}
