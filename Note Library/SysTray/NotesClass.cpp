#include "NotesClass.h"

#include <objbase.h>

#include <string>
#include <vector>

#include "Module.h"
#include "Registry.h"

namespace qpost {
namespace {

std::wstring GuidText(const GUID& guid) {
    wchar_t text[40];
    StringFromGUID2(guid, text, 40);
    return text;
}

struct ClassValue {
    std::wstring key;  // below Software\Classes
    std::wstring value;
};

const wchar_t kName[] = L"Quillpost Notes";

std::wstring ServerKey() { return L"CLSID\\" + GuidText(CLSID_QuillpostNotes) + L"\\LocalServer32"; }

// Quoted: the program's folder may hold spaces, and the platform adds its own arguments.
std::wstring ServerCommand() { return L"\"" + tk::ModuleFileName(nullptr) + L"\""; }

// Every default value the class's registration writes, in the order it writes them.
std::vector<ClassValue> ClassTable() {
    std::wstring clsid = GuidText(CLSID_QuillpostNotes);
    return {{L"CLSID\\" + clsid, kName},
            {ServerKey(), ServerCommand()},
            {L"CLSID\\" + clsid + L"\\ProgID", kNotesProgId},
            {kNotesProgId, kName},
            {std::wstring(kNotesProgId) + L"\\CLSID", clsid}};
}

LSTATUS WriteClass(HKEY root) {
    for (const ClassValue& v : ClassTable()) {
        LSTATUS status = tk::WriteRegistryText(root, L"Software\\Classes\\" + v.key, L"", v.value);
        if (status != ERROR_SUCCESS) return status;
    }
    return ERROR_SUCCESS;
}

bool PointsHere(HKEY root, const std::wstring& classes) {
    return _wcsicmp(tk::RegistryDefault(root, classes + ServerKey()).c_str(), ServerCommand().c_str()) == 0 &&
           tk::RegistryDefault(root, classes + kNotesProgId + L"\\CLSID") == GuidText(CLSID_QuillpostNotes);
}

}  // namespace

HRESULT RegisterNotesClass() {
    if (!PointsHere(HKEY_CURRENT_USER, L"Software\\Classes\\")) {
        LSTATUS status = WriteClass(HKEY_CURRENT_USER);
        if (status != ERROR_SUCCESS) return HRESULT_FROM_WIN32(status);
    }
    // Only where per-user classes are not merged into activation, and where it is permitted.
    if (!PointsHere(HKEY_CLASSES_ROOT, L"")) {
        LSTATUS status = WriteClass(HKEY_LOCAL_MACHINE);
        if (status != ERROR_SUCCESS && status != ERROR_ACCESS_DENIED) return HRESULT_FROM_WIN32(status);
    }
    return S_OK;
}

}  // namespace qpost
