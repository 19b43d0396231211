// Speed and cost of the note library and the tray program, for 10, 100 and 1,000 notes.
// Prints one line per measurement:
//   "<operation> <notes> <seconds> <floor seconds> <ratio> <lowest ratio> <highest ratio>",
// where the floor is the same platform work done bare, without the library. Each turn
// measures the operation and its floor one right after the other, in alternating order;
// the seconds are the medians of each side's turns, the ratio the median of the turns'
// ratios, and the lowest and highest ratio their spread. Operations without a floor print
// "-" for the floor and the ratios. The tray's start-up has its floor in barestartup.exe,
// a bare program started the same way. Arguments are the numbers of notes to measure
// (10, 100 and 1,000 when none are given); "objects" measures instead the objects and
// memory one note costs.
//
// It writes the store of whichever Wine prefix it runs in: run it through scripts/bench,
// which gives it a prefix of its own and each size a desktop of its own.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "Gdi.h"
#include "Note.h"
#include "Notes.h"
#include "StoreKey.h"
#include "ThrowawayPrefix.h"
#include "frmNote.h"
#include "modAutoSave.h"

namespace {

const int kSizes[] = {10, 100, 1000};

double Now() {
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return static_cast<double>(t.QuadPart) / static_cast<double>(frequency.QuadPart);
}

void Pump() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// The median of a few runs, after one that is not counted: a first run also pays for
// what later ones find ready (the heap grown, code paged in, the registry's keys cached).
double Typical(int runs, const std::function<double()>& run) {
    run();
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) times.push_back(run());
    return Median(times);
}

struct Paired {
    double seconds, floor, ratio, lowest, highest;
};

// Turns of the operation and its floor one right after the other, the first of each pair
// taking turns, after a pair that is not counted: whatever the machine does meanwhile
// weighs on both sides of a pair alike, and the spread of the pairs' ratios says how much
// it still moves the figure.
Paired Pairs(int turns, const std::function<double()>& operation, const std::function<double()>& floor) {
    operation();
    floor();
    std::vector<double> seconds, floors, ratios;
    for (int i = 0; i < turns; ++i) {
        double a, b;
        if (i % 2 == 0) {
            a = operation();
            b = floor();
        } else {
            b = floor();
            a = operation();
        }
        seconds.push_back(a);
        floors.push_back(b);
        ratios.push_back(a / b);
    }
    return {Median(seconds), Median(floors), Median(ratios), *std::min_element(ratios.begin(), ratios.end()),
            *std::max_element(ratios.begin(), ratios.end())};
}

int TurnsFor(int notes) { return notes >= 1000 ? 3 : 7; }

void Check(HRESULT hr, const char* what) {
    if (FAILED(hr)) {
        std::fprintf(stderr, "bench: %s failed: 0x%08lx\n", what, static_cast<unsigned long>(hr));
        std::exit(1);
    }
}

void ClearStore() { RegDeleteTreeW(HKEY_CURRENT_USER, corkbase::StoreKey().c_str()); }

// A store of this many visible notes, spread over the screen, each with a few lines of text.
void WriteStore(int count) {
    ClearStore();
    auto notes = corkbase::Notes::Create();
    for (int i = 0; i < count; ++i) {
        tk::ComPtr<_Note> note;
        Check(notes->AddNote(note.put()), "AddNote");
        tk::Bstr title(L"Note " + std::to_wstring(i + 1));
        tk::Bstr text(L"Buy milk\r\nCall the plumber about the kitchen tap\r\nNote " + std::to_wstring(i));
        BSTR raw = text.get();
        Check(note->put_Title(title.get()), "Title");
        Check(note->put_Left((i * 331) % 12000), "Left");
        Check(note->put_Top((i * 197) % 8000), "Top");
        Check(note->put_Color(0xC0FFFF), "Color");
        Check(note->put_Text(&raw), "Text");
        Check(note->Show(), "Show");
    }
    long ignored = 0;
    Check(notes->SaveAll(&ignored), "SaveAll");
}

tk::ComPtr<corkbase::Notes> Loaded() {
    auto notes = corkbase::Notes::Create();
    Check(notes->LoadAll(), "LoadAll");
    return notes;
}

// ---- The bare platform work each operation is made of ----

struct BareNote {
    HWND window = nullptr, text = nullptr;
    std::wstring title;
};

const wchar_t kBareClass[] = L"QuillpostBenchBare";

void RegisterBareClass() {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = kBareClass;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    RegisterClassExW(&wc);
}

std::wstring ReadValue(HKEY key, const wchar_t* name) {
    wchar_t buffer[4096];
    DWORD size = sizeof(buffer), type = 0;
    if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size) != ERROR_SUCCESS)
        return L"";
    return std::wstring(buffer, size / sizeof(wchar_t));
}

void WriteValue(HKEY key, const wchar_t* name, const std::wstring& value) {
    RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}

const wchar_t* const kKeys[] = {L"title", L"left", L"top", L"width", L"height", L"color", L"text", L"visible"};

// Foreground, then the layered style, opacity and click-through, as applying an option does.
void ApplyOptions(HWND window) {
    SetForegroundWindow(window);
    LONG style = GetWindowLongA(window, GWL_EXSTYLE);
    SetWindowLongA(window, GWL_EXSTYLE, style | WS_EX_LAYERED);
    SetLayeredWindowAttributes(window, 0, 255, LWA_ALPHA);
    SetWindowLongA(window, GWL_EXSTYLE, WS_EX_LAYERED);
}

std::vector<BareNote> BareLoad() {
    HKEY general = nullptr;
    RegOpenKeyExW(HKEY_CURRENT_USER, (corkbase::StoreKey() + L"\\General").c_str(), 0, KEY_READ, &general);
    int count = _wtoi(ReadValue(general, L"notes").c_str());
    ReadValue(general, L"level");
    ReadValue(general, L"clickthrough");
    RegCloseKey(general);
    std::vector<BareNote> notes;
    for (int i = 1; i <= count; ++i) {
        HKEY section = nullptr;
        std::wstring path = corkbase::StoreKey() + L"\\note" + std::to_wstring(i);
        RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &section);
        std::map<std::wstring, std::wstring> values;
        for (auto* key : kKeys) values[key] = ReadValue(section, key);
        RegCloseKey(section);
        BareNote note;
        note.title = values[L"title"];
        note.window = CreateWindowExW(0, kBareClass, L"", WS_POPUP | WS_CLIPCHILDREN,
                                      _wtoi(values[L"left"].c_str()) / 15, _wtoi(values[L"top"].c_str()) / 15, 166, 86,
                                      nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
        note.text = CreateWindowExW(0, L"EDIT", values[L"text"].c_str(),
                                    WS_CHILD | WS_VISIBLE | ES_MULTILINE | ES_AUTOVSCROLL | WS_VSCROLL, 8, 18, 150, 60,
                                    note.window, nullptr, GetModuleHandleW(nullptr), nullptr);
        ShowWindow(note.window, SW_SHOW);
        ApplyOptions(note.window);  // click-through
        ApplyOptions(note.window);  // level
        notes.push_back(note);
    }
    return notes;
}

void BareSave(const std::vector<BareNote>& notes) {
    HKEY general = nullptr;
    RegCreateKeyExW(HKEY_CURRENT_USER, (corkbase::StoreKey() + L"\\General").c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &general,
                    nullptr);
    WriteValue(general, L"level", L"255");
    WriteValue(general, L"clickthrough", L"False");
    for (size_t i = 0; i < notes.size(); ++i) {
        RECT rc;
        GetWindowRect(notes[i].window, &rc);
        std::wstring text(static_cast<size_t>(GetWindowTextLengthW(notes[i].text)), L'\0');
        GetWindowTextW(notes[i].text, text.data(), static_cast<int>(text.size()) + 1);
        bool visible = IsWindowVisible(notes[i].window);
        HKEY section = nullptr;
        std::wstring path = corkbase::StoreKey() + L"\\note" + std::to_wstring(i + 1);
        RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &section, nullptr);
        WriteValue(section, L"title", notes[i].title);
        WriteValue(section, L"left", std::to_wstring(rc.left * 15));
        WriteValue(section, L"top", std::to_wstring(rc.top * 15));
        WriteValue(section, L"width", std::to_wstring((rc.right - rc.left) * 15));
        WriteValue(section, L"height", std::to_wstring((rc.bottom - rc.top) * 15));
        WriteValue(section, L"color", L"12648447");
        WriteValue(section, L"text", text);
        WriteValue(section, L"visible", visible ? L"-1" : L"0");
        RegCloseKey(section);
    }
    WriteValue(general, L"notes", std::to_wstring(notes.size()));
    RegCloseKey(general);
}

void BareShow(const std::vector<BareNote>& notes) {
    for (auto& note : notes) {
        ShowWindow(note.window, SW_SHOW);
        ApplyOptions(note.window);
        ApplyOptions(note.window);
    }
}

void BareDestroy(std::vector<BareNote>& notes) {
    for (auto& note : notes) DestroyWindow(note.window);
    notes.clear();
    Pump();
}

// ---- Measurements ----

void PrintRatio(const char* operation, int notes, const Paired& p) {
    std::printf("%s %d %.4f %.4f %.2f %.2f %.2f\n", operation, notes, p.seconds, p.floor, p.ratio, p.lowest,
                p.highest);
    std::fflush(stdout);
}

void PrintAbsolute(const char* operation, int notes, double seconds) {
    std::printf("%s %d %.9f - - - -\n", operation, notes, seconds);
    std::fflush(stdout);
}

void LoadSaveShow(int count) {
    WriteStore(count);
    int turns = TurnsFor(count);

    PrintRatio("LoadAll", count,
               Pairs(
                   turns,
                   [] {
                       double start = Now();
                       auto notes = Loaded();
                       double t = Now() - start;
                       notes.reset();
                       Pump();
                       return t;
                   },
                   [] {
                       double start = Now();
                       auto notes = BareLoad();
                       double t = Now() - start;
                       BareDestroy(notes);
                       return t;
                   }));

    // Saved as qpost saves, keeping the store: the floor's bare writes are no other writer's.
    auto notes = Loaded();
    tk::ComPtr<IStoreKeeper> keeper;
    Check(notes->QueryInterface(IID_IStoreKeeper, reinterpret_cast<void**>(keeper.put())), "IStoreKeeper");
    Check(keeper->KeepStore(), "KeepStore");
    auto bare = BareLoad();
    PrintRatio("SaveAll", count,
               Pairs(
                   turns,
                   [&] {
                       long ignored = 0;
                       double start = Now();
                       Check(notes->SaveAll(&ignored), "SaveAll");
                       return Now() - start;
                   },
                   [&] {
                       double start = Now();
                       BareSave(bare);
                       return Now() - start;
                   }));

    PrintRatio("ShowAll", count,
               Pairs(
                   turns,
                   [&] {
                       Check(notes->HideAll(), "HideAll");
                       Pump();
                       double start = Now();
                       Check(notes->ShowAll(), "ShowAll");
                       return Now() - start;
                   },
                   [&] {
                       for (auto& note : bare) ShowWindow(note.window, SW_HIDE);
                       Pump();
                       double start = Now();
                       BareShow(bare);
                       return Now() - start;
                   }));
    BareDestroy(bare);

    // A note dragged by its title bar and let go: the release snaps it against every note.
    tk::ComPtr<_NoteList> list;
    Check(notes->get_Notes(list.put()), "Notes");
    VARIANT index;
    VariantInit(&index);
    index.vt = VT_I4;
    index.lVal = 1;
    tk::ComPtr<_Note> first;
    Check(list->get_Item(index, first.put()), "Item");
    HWND window = static_cast<corkbase::Note*>(first.get())->Window().hWnd();
    double snap = Typical(turns, [&] {
        RECT rc;
        GetWindowRect(window, &rc);
        POINT grab{rc.left + 20, rc.top + 5};
        SetCursorPos(grab.x, grab.y);
        SendMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(20, 5));
        SetCursorPos(grab.x + 37, grab.y + 23);
        SendMessageW(window, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(57, 28));
        double start = Now();
        SendMessageW(window, WM_LBUTTONUP, 0, MAKELPARAM(57, 28));
        double t = Now() - start;
        Pump();
        return t;
    });
    PrintAbsolute("SnapRelease", count, snap);

    double check = Typical(turns, [&] {
        double start = Now();
        qpost::modAutoSave::Fingerprint(notes.get());
        return Now() - start;
    });
    PrintAbsolute("AutosaveCheck", count, check);
    if (count == 1000)
        std::printf("autosave check share of one core at 1000 notes: %.2f%% (one check a second)\n", check * 100.0);

    // Find in Notes looking through notes of 1 KB of text each for a text that none holds:
    // the search itself; showing what matches is Show All's work for those notes.
    std::wstring kilobyte;
    while (kilobyte.size() < 1024) kilobyte += L"Call the plumber about the kitchen tap on Tuesday\r\n";
    for (const auto& note : notes->List()) {
        tk::Bstr text(kilobyte);
        BSTR raw = text.get();
        Check(note->put_Text(&raw), "Text");
    }
    tk::Bstr absent(L"Wednesday");
    double find = Typical(turns, [&] {
        long found = 0;
        double start = Now();
        Check(notes->FindInNotes(absent.get(), &found), "FindInNotes");
        return Now() - start;
    });
    PrintAbsolute("FindInNotes", count, find);

    // Deleting a note and bringing it back, with 50 deleted notes kept: the deleted notes'
    // own work, since neither waits for a window to close or paint.
    tk::ComPtr<_Notes2> deleted;
    Check(notes->QueryInterface(IID__Notes2, reinterpret_cast<void**>(deleted.put())), "_Notes2");
    for (int i = 0; i < 50; ++i) {
        tk::ComPtr<_Note> extra;
        Check(notes->AddNote(extra.put()), "AddNote");
        long last = count + 1, ignored = 0;
        Check(notes->DeleteNote(&last, &ignored), "DeleteNote");
    }
    Pump();
    // Each turn deletes the first note and brings it back; one of the two is timed.
    auto turn = [&](bool timeDelete) {
        long first = 1, ignored = 0;
        tk::ComPtr<_Note> back;
        double start = Now();
        Check(notes->DeleteNote(&first, &ignored), "DeleteNote");
        double deleting = Now() - start;
        start = Now();
        Check(deleted->RestoreDeleted(1, back.put()), "RestoreDeleted");
        double restoring = Now() - start;
        Pump();
        return timeDelete ? deleting : restoring;
    };
    PrintAbsolute("DeleteNote", count, Typical(turns, [&] { return turn(true); }));
    PrintAbsolute("RestoreDeleted", count, Typical(turns, [&] { return turn(false); }));
    deleted.reset();

    notes.reset();
    list.reset();
    first.reset();
    Pump();
}

void AddNotes(int count) {
    double add = Typical(3, [count] {
        auto notes = corkbase::Notes::Create();
        double start = Now();
        for (int i = 0; i < count; ++i) {
            tk::ComPtr<_Note> note;
            Check(notes->AddNote(note.put()), "AddNote");
        }
        return Now() - start;
    });
    PrintAbsolute("AddNote", count, add / count);
}

int WindowsOfThread() {
    int count = 0;
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND hwnd, LPARAM lp) -> BOOL {
            auto* n = reinterpret_cast<int*>(lp);
            ++*n;
            EnumChildWindows(
                hwnd,
                [](HWND, LPARAM inner) -> BOOL {
                    ++*reinterpret_cast<int*>(inner);
                    return TRUE;
                },
                lp);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&count));
    return count;
}

// Committed private memory, summed over the address space: Wine's process memory
// counters leave the private figures at zero.
SIZE_T PrivateBytes() {
    SIZE_T total = 0;
    MEMORY_BASIC_INFORMATION info{};
    for (char* at = nullptr; VirtualQuery(at, &info, sizeof(info)) == sizeof(info);
         at = static_cast<char*>(info.BaseAddress) + info.RegionSize) {
        if (info.State == MEM_COMMIT && info.Type == MEM_PRIVATE) total += info.RegionSize;
        if (reinterpret_cast<uintptr_t>(at) > 0x7FFFFFFEFFFFull) break;
    }
    return total;
}

// Under Wine GetGuiResources answers 0: windows are counted, menus exist only while open,
// and GDI objects are those the library creates.
void ObjectsPerNote() {
    const int count = 1000;
    WriteStore(count);
    // A first load creates what notes share, and stays loaded, so that the heap cannot
    // hand the second its memory back.
    auto first = Loaded();
    Pump();
    int windows = WindowsOfThread();
    int gdi = tk::CreatedGdiObjects();
    SIZE_T memory = PrivateBytes();
    auto second = Loaded();
    Pump();
    double user = static_cast<double>(WindowsOfThread() - windows) / count;
    double gdiPerNote = static_cast<double>(tk::CreatedGdiObjects() - gdi) / count;
    double kb = static_cast<double>(PrivateBytes() - memory) / count / 1024.0;
    std::printf("objects per note: USER %.2f GDI %.2f\n", user, gdiPerNote);
    std::printf("private memory per note: %.1f KB\n", kb);
}

// The deliverables, in the build's bin folder beside this program's folder.
std::wstring BenchFolder() {
    std::wstring path(MAX_PATH, L'\0');
    path.resize(GetModuleFileNameW(nullptr, path.data(), MAX_PATH));
    return path.substr(0, path.find_last_of(L'\\') + 1);
}

std::wstring BinFolder() {
    std::wstring path(MAX_PATH, L'\0');
    path.resize(GetModuleFileNameW(nullptr, path.data(), MAX_PATH));
    path.resize(path.find_last_of(L'\\'));
    return path.substr(0, path.find_last_of(L'\\') + 1) + L"bin\\";
}

// Asks a started program to end through its main window (titled "Quillpost"), as the
// person's Exit would. Ended by force, it would leave its tray icon behind, and Wine's
// desktop then works on that icon for minutes, slowing whatever runs next.
void EndProgram(const PROCESS_INFORMATION& pi) {
    struct Search {
        DWORD process;
        HWND found;
    } search{pi.dwProcessId, nullptr};
    EnumWindows(
        [](HWND window, LPARAM lp) -> BOOL {
            auto* s = reinterpret_cast<Search*>(lp);
            DWORD process = 0;
            wchar_t title[16] = L"";
            GetWindowThreadProcessId(window, &process);
            GetWindowTextW(window, title, 16);
            if (process != s->process || std::wstring(title) != L"Quillpost") return TRUE;
            s->found = window;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    if (!search.found || !PostMessageW(search.found, WM_CLOSE, 0, 0) ||
        WaitForSingleObject(pi.hProcess, 120000) != WAIT_OBJECT_0) {
        std::fprintf(stderr, "bench: a started program did not end when asked; ending it by force\n");
        TerminateProcess(pi.hProcess, 0);
        WaitForSingleObject(pi.hProcess, 10000);
    }
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
}

// From starting a program until it waits for input.
double StartUpToIdle(const std::wstring& exe) {
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi{};
    std::wstring command = L"\"" + exe + L"\"";
    double start = Now();
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
        std::fprintf(stderr, "bench: cannot start %s (error %lu)\n", std::string(exe.begin(), exe.end()).c_str(),
                     GetLastError());
        std::exit(1);
    }
    WaitForInputIdle(pi.hProcess, 120000);
    double t = Now() - start;
    EndProgram(pi);
    return t;
}

// qpost from its start until it waits for input, every note on screen and its icon in the
// tray, beside a bare program doing the same platform work.
void TrayStartUp(int count) {
    WriteStore(count);
    PrintRatio("TrayStartUp", count,
               Pairs(
                   TurnsFor(count), [] { return StartUpToIdle(BinFolder() + L"qpost.exe"); },
                   [] { return StartUpToIdle(BenchFolder() + L"barestartup.exe"); }));
}

// A late-bound property read, as a script host makes it: the result's number or text.
std::wstring Property(IDispatch* on, const wchar_t* name, tk::ComPtr<IDispatch>* object = nullptr, long index = 0) {
    DISPID id = 0;
    auto* names = const_cast<LPOLESTR>(name);
    Check(on->GetIDsOfNames(IID_NULL, &names, 1, LOCALE_USER_DEFAULT, &id), "GetIDsOfNames");
    VARIANT argument{};
    argument.vt = VT_I4;
    argument.lVal = index;
    DISPPARAMS params{&argument, nullptr, index ? 1u : 0u, 0};
    tk::Variant result;
    Check(on->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &params, result.get(), nullptr, nullptr),
          "Invoke");
    if (object) *object = tk::ComPtr<IDispatch>(result->vt == VT_DISPATCH ? result->pdispVal : nullptr);
    return result->vt == VT_BSTR ? std::wstring(result->bstrVal) : std::to_wstring(result->lVal);
}

// Reading Count and a note's Text from the running qpost's notes, beside the same reads
// from a collection in this process: what crossing into qpost adds to a script's call.
void ScriptCalls(int count) {
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi{};
    std::wstring command = L"\"" + BinFolder() + L"qpost.exe\"";
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) std::exit(1);
    CLSID clsid{};
    Check(CLSIDFromProgID(L"Quillpost.Notes", &clsid), "Quillpost.Notes");
    tk::ComPtr<IUnknown> running;
    for (int tries = 0; tries < 1200 && FAILED(GetActiveObject(clsid, nullptr, running.put())); ++tries) Sleep(100);
    auto remote = running.as<IDispatch>(IID_IDispatch);
    auto local = corkbase::Notes::Create();
    Check(local->LoadAll(), "LoadAll");
    const int calls = 200;
    auto perCall = [&](const std::function<void()>& call) {
        double start = Now();
        for (int i = 0; i < calls; ++i) call();
        return (Now() - start) / calls;
    };
    // The list and a note of a collection, and the read measured on them.
    struct Reads {
        tk::ComPtr<IDispatch> list, note;
        double Of(bool text, const std::function<double(const std::function<void()>&)>& perCall) {
            return perCall([&] { text ? Property(note.get(), L"Text") : Property(list.get(), L"Count"); });
        }
    };
    auto readsOf = [](IDispatch* notes) {
        Reads reads;
        Property(notes, L"Notes", &reads.list);
        Property(reads.list.get(), L"Item", &reads.note, 1);
        return reads;
    };
    {
        Reads across = readsOf(remote.get()), inProcess = readsOf(static_cast<_Notes*>(local.get()));
        for (bool text : {false, true}) {
            // The floor is the least a call into qpost costs: one that does no work there.
            IDispatch* on = text ? across.note.get() : across.list.get();
            PrintRatio(text ? "ScriptTextAcross" : "ScriptCountAcross", count,
                       Pairs(
                           TurnsFor(count), [&] { return across.Of(text, perCall); },
                           [&] {
                               return perCall([on] {
                                   UINT types = 0;
                                   on->GetTypeInfoCount(&types);
                               });
                           }));
            PrintAbsolute(text ? "ScriptTextInProcess" : "ScriptCountInProcess", count,
                          Typical(3, [&] { return inProcess.Of(text, perCall); }));
        }
    }
    remote.reset();
    running.reset();
    EndProgram(pi);
}

void RegisterLibrary() {
    HMODULE library = LoadLibraryW((BinFolder() + L"Corkbase2.dll").c_str());
    auto entry = library ? reinterpret_cast<HRESULT(STDAPICALLTYPE*)()>(
                               reinterpret_cast<void*>(GetProcAddress(library, "DllRegisterServer")))
                         : nullptr;
    Check(entry ? entry() : E_FAIL, "registering Corkbase2.dll");
    FreeLibrary(library);
}

}  // namespace

// Arguments: the numbers of notes to measure (10, 100 and 1000 when none are given), or
// "objects".
int wmain(int argc, wchar_t** argv) {
    if (!test::InThrowawayPrefix()) return 2;
    std::vector<int> sizes(std::begin(kSizes), std::end(kSizes));
    bool objects = argc == 2 && std::wstring(argv[1]) == L"objects";
    if (argc > 1) sizes.clear();
    for (int i = 1; i < argc && !objects; ++i) {
        int count = _wtoi(argv[i]);
        if (count < 1 || count > corkbase::Notes::kMostNotes) {
            std::fprintf(stderr, "bench: a number of notes from 1 to %d, or \"objects\"\n", corkbase::Notes::kMostNotes);
            return 2;
        }
        sizes.push_back(count);
    }
    OleInitialize(nullptr);
    RegisterBareClass();
    RegisterLibrary();
    if (objects) {
        ObjectsPerNote();
    } else {
        for (int count : sizes) {
            AddNotes(count);
            LoadSaveShow(count);
            TrayStartUp(count);
            ScriptCalls(count);
        }
    }
    ClearStore();
    return 0;
}
