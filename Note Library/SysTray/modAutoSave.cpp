#include "modAutoSave.h"

#include "Failure.h"
#include "NoteAccess.h"
#include "NoteFields.h"

namespace qpost::modAutoSave {

namespace {

// FNV-1a over everything the store would hold.
class Hash {
public:
    void Add(const void* data, size_t size) {
        auto* p = static_cast<const unsigned char*>(data);
        for (size_t i = 0; i < size; ++i) value_ = (value_ ^ p[i]) * 1099511628211ull;
    }
    void Add(long v) { Add(&v, sizeof(v)); }
    void Add(const std::wstring& s) {
        Add(static_cast<long>(s.size()));
        Add(s.data(), s.size() * sizeof(wchar_t));
    }
    uint64_t value() const { return value_; }

private:
    uint64_t value_ = 14695981039346656037ull;
};

}  // namespace

uint64_t Fingerprint(_Notes* notes) {
    Hash hash;
    long level = 0, count = 0;
    VARIANT_BOOL through = VARIANT_FALSE;
    tk::CheckCall(notes->get_TransparencyLevel(&level));
    tk::CheckCall(notes->get_ThroughClicks(&through));
    auto list = ListOf(notes);
    tk::CheckCall(list->get_Count(&count));
    hash.Add(level);
    hash.Add(static_cast<long>(through));
    hash.Add(count);
    // What the store would hold of each note, field by field.
    for (long i = 1; i <= count; ++i) {
        auto note = ItemOf(list.get(), i);
        for (const corkbase::NoteField& f : corkbase::kNoteFields) hash.Add(f.stored(note.get()));
    }
    // The deleted notes: every change of the list changes their count or the newest one.
    tk::ComPtr<_Notes2> deleted;
    if (SUCCEEDED(notes->QueryInterface(IID__Notes2, reinterpret_cast<void**>(deleted.put())))) {
        long kept = 0;
        tk::CheckCall(deleted->get_DeletedCount(&kept));
        hash.Add(kept);
        if (kept > 0) hash.Add(Read(deleted.get(), &_Notes2::get_DeletedID, 1));
    }
    return hash.value();
}

namespace {

bool IsClass(HWND hwnd, const wchar_t* className) {
    wchar_t name[32] = {};
    GetClassNameW(hwnd, name, 32);
    return wcscmp(name, className) == 0;
}

// The first visible, enabled window of this thread that matches.
HWND ThreadWindow(bool (*match)(HWND)) {
    struct Search {
        bool (*match)(HWND);
        HWND found = nullptr;
    } search{match};
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND hwnd, LPARAM lp) -> BOOL {
            auto* s = reinterpret_cast<Search*>(lp);
            if (!IsWindowVisible(hwnd) || !IsWindowEnabled(hwnd) || !s->match(hwnd)) return TRUE;
            s->found = hwnd;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

}  // namespace

// A save must not interleave with what the user is in the middle of.
bool ModalOpen(HWND main) {
    GUITHREADINFO info{};
    info.cbSize = sizeof(info);
    if (GetGUIThreadInfo(GetCurrentThreadId(), &info) && (info.flags & (GUI_INMENUMODE | GUI_POPUPMENUMODE)))
        return true;
    return !IsWindowEnabled(main) || OpenDialog() || ThreadWindow([](HWND w) { return IsClass(w, L"#32768"); });
}

HWND OpenDialog() {
    return ThreadWindow([](HWND w) {
        HWND owner = GetWindow(w, GW_OWNER);
        return IsClass(w, L"#32770") || (owner && !IsWindowEnabled(owner));
    });
}

}  // namespace qpost::modAutoSave
