#include "ExportFile.h"

#include <windows.h>

#include "Failure.h"
#include "Handles.h"
#include "NoteAccess.h"

namespace qpost {

std::wstring ExportText(_Notes* notes) {
    auto list = ListOf(notes);
    long count = 0;
    tk::CheckCall(list->get_Count(&count));
    std::wstring text;
    for (long i = 1; i <= count; ++i) {
        auto note = ItemOf(list.get(), i);
        text += L"\r\nNote #" + std::to_wstring(Read(note.get(), &_Note::get_NoteID)) + L"\r\n";
        text += L"\r\nTitle" + Read(note.get(), &_Note::get_Title) + L"\r\n";
        text += L"-----------\r\n\r\n";
        text += Read(note.get(), &_Note::get_Text) + L"\r\n";
    }
    return text;
}

std::string EncodeExport(const std::wstring& text) {
    if (text.empty()) return {};
    BOOL lossy = FALSE;
    int n = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                nullptr, &lossy);
    std::string bytes;
    if (!lossy && n > 0) {
        bytes.resize(static_cast<size_t>(n));
        WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text.data(), static_cast<int>(text.size()), bytes.data(), n,
                            nullptr, &lossy);
        if (!lossy) return bytes;
    }
    n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    bytes.assign("\xEF\xBB\xBF");
    size_t start = bytes.size();
    bytes.resize(start + static_cast<size_t>(n));
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), bytes.data() + start, n, nullptr,
                        nullptr);
    return bytes;
}

namespace {

// Puts the complete new file in the old one's place. ReplaceFileW keeps the old file's
// attributes and security; it gets a backup name of ours, as without one Wine leaves a
// temporary file of its own behind when it fails. A name no file has yet is taken by a move.
void PutInPlace(const std::wstring& temporary, const std::wstring& path, const std::wstring& failed) {
    if (GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES) {
        if (!MoveFileExW(temporary.c_str(), path.c_str(), MOVEFILE_WRITE_THROUGH)) tk::ThrowLastError(failed);
        return;
    }
    std::wstring backup;
    for (int n = 0; backup.empty() || GetFileAttributesW(backup.c_str()) != INVALID_FILE_ATTRIBUTES; ++n)
        backup = path + L"." + std::to_wstring(n) + L".qpb";
    if (ReplaceFileW(path.c_str(), temporary.c_str(), backup.c_str(), REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr,
                     nullptr)) {
        DeleteFileW(backup.c_str());
        return;
    }
    DWORD error = GetLastError();
    if (GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES) {
        DeleteFileW(backup.c_str());
    } else if (MoveFileExW(temporary.c_str(), path.c_str(), MOVEFILE_WRITE_THROUGH)) {
        // The failure had taken the old file from its name: the complete new one takes it.
        DeleteFileW(backup.c_str());
        return;
    } else {
        MoveFileExW(backup.c_str(), path.c_str(), MOVEFILE_WRITE_THROUGH);  // the old file comes back
    }
    SetLastError(error);
    tk::ThrowLastError(failed);
}

}  // namespace

void WriteExportFile(const std::wstring& path, const std::string& bytes) {
    const std::wstring failed = L"Quillpost could not save the notes to " + path;
    // A read-only file is one its owner means to keep as it is.
    DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) {
        SetLastError(ERROR_ACCESS_DENIED);
        tk::ThrowLastError(failed);
    }
    // The new file is named after the chosen one, so a folder as deep as the chosen file
    // allows is deep enough; a name another file already has is passed over.
    std::wstring temporary;
    tk::UniqueFile file;
    for (int n = 0; !file; ++n) {
        temporary = path + L"." + std::to_wstring(n) + L".qpe";
        file.reset(CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                               nullptr));
        if (!file && (GetLastError() != ERROR_FILE_EXISTS || n == 99)) tk::ThrowLastError(failed);
    }
    try {
        DWORD written = 0;
        if (!bytes.empty() &&
            (!::WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) ||
             written != bytes.size()))
            tk::ThrowLastError(failed);
        if (!FlushFileBuffers(file.get())) tk::ThrowLastError(failed);
        file.reset();
        PutInPlace(temporary, path, failed);
    } catch (...) {
        file.reset();
        DeleteFileW(temporary.c_str());
        throw;
    }
}

}  // namespace qpost
