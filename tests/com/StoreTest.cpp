// Saving and loading every note and both options in the per-user store, through COM,
// against a throwaway HKEY_CURRENT_USER.
#include <gtest/gtest.h>

#include <windows.h>

#include <sddl.h>

#include <functional>
#include <map>
#include <utility>

#include "NoteFields.h"
#include "Support.h"
#include "ThrowawayStore.h"
#include "modAutoSave.h"

using namespace test;

namespace {

class Store : public testing::Test {
protected:
    ComPtr<_Notes> notes = NewNotes();  // registered before the store is redirected
    ThrowawayStore store;

    static ThrowawayStore::Value Sz(const std::wstring& text) { return {REG_SZ, text}; }

    ComPtr<_Notes> Loaded(HRESULT expected = S_OK) {
        auto fresh = NewNotes();
        EXPECT_EQ(fresh->LoadAll(), expected) << Narrow(LastErrorDescription());
        return fresh;
    }

    void Save(_Notes* n) {
        long result = -1;
        ASSERT_EQ(n->SaveAll(&result), S_OK);
        EXPECT_EQ(result, 0);
    }
};

using corkbase::Read;

// A flag exactly as the interface gives it: True is -1, nothing else.
VARIANT_BOOL Visible(_Note* note) {
    VARIANT_BOOL value = 7;
    EXPECT_EQ(note->get_IsVisible(&value), S_OK);
    return value;
}

void SetTitle(_Note* note, const std::wstring& s) {
    tk::Bstr b(s);
    ASSERT_EQ(note->put_Title(b.get()), S_OK);
}

}  // namespace

TEST_F(Store, OneVisibleLightYellowNoteShoppingIsStoredExactlyAndReadBack) {
    auto note = AddNote(notes.get());
    SetTitle(note.get(), L"Shopping");
    note->put_Left(1200);
    note->put_Top(900);
    note->put_Color(0xC0FFFF);
    SetText(note.get(), L"milk\r\nbread");
    ASSERT_EQ(note->Show(), S_OK);
    notes->put_TransparencyLevel(200);
    Save(notes.get());

    std::map<std::wstring, ThrowawayStore::Section> expected{
        {L"General", {{L"notes", Sz(L"1")}, {L"level", Sz(L"200")}, {L"clickthrough", Sz(L"False")}}},
        {L"note1",
         {{L"title", Sz(L"Shopping")},
          {L"left", Sz(L"1200")},
          {L"top", Sz(L"900")},
          {L"width", Sz(L"2500")},
          {L"height", Sz(L"1300")},
          {L"color", Sz(L"12648447")},
          {L"text", Sz(L"milk\r\nbread")},
          {L"visible", Sz(L"-1")}}},
    };
    EXPECT_EQ(store.Dump(), expected);

    auto loaded = Loaded();
    ASSERT_EQ(CountOf(loaded.get()), 1);
    auto back = NoteAt(loaded.get(), 1);
    EXPECT_EQ(Read(back.get(), &_Note::get_Title), L"Shopping");
    EXPECT_EQ(Read(back.get(), &_Note::get_Text), L"milk\r\nbread");
    EXPECT_EQ(Read(back.get(), &_Note::get_Left), 1200);
    EXPECT_EQ(Read(back.get(), &_Note::get_Top), 900);
    EXPECT_EQ(Read(back.get(), &_Note::get_Width), 2500);
    EXPECT_EQ(Read(back.get(), &_Note::get_Height), 1300);
    EXPECT_EQ(Read(back.get(), &_Note::get_Color), 0xC0FFFF);
    EXPECT_EQ(Visible(back.get()), VARIANT_TRUE);
    long level = 0;
    loaded->get_TransparencyLevel(&level);
    EXPECT_EQ(level, 200);
    VARIANT_BOOL changed = 0;
    loaded->get_IsChanged(&changed);
    EXPECT_EQ(changed, VARIANT_TRUE) << "a loaded note with text reports changed";
}

TEST_F(Store, SystemColoursAndHiddenNotesAreStoredAsSignedNumbers) {
    auto a = AddNote(notes.get()), b = AddNote(notes.get());
    a->put_Color(static_cast<long>(0x8000000F));
    b->put_Color(static_cast<long>(0x80000001));
    b->Hide();
    notes->put_ThroughClicks(VARIANT_TRUE);
    Save(notes.get());
    auto dump = store.Dump();
    EXPECT_EQ(dump[L"note1"][L"color"], Sz(L"-2147483633"));
    EXPECT_EQ(dump[L"note2"][L"color"], Sz(L"-2147483647"));
    EXPECT_EQ(dump[L"note1"][L"visible"], Sz(L"0")) << "never shown";
    EXPECT_EQ(dump[L"note2"][L"visible"], Sz(L"0"));
    EXPECT_EQ(dump[L"General"][L"clickthrough"], Sz(L"True"));
}

TEST_F(Store, AnEmptyStoreLoadsNoNotesAndDefaultOptions) {
    auto loaded = Loaded();
    EXPECT_EQ(CountOf(loaded.get()), 0);
    long level = 0;
    loaded->get_TransparencyLevel(&level);
    EXPECT_EQ(level, 255);
    VARIANT_BOOL through = 1, changed = 1;
    loaded->get_ThroughClicks(&through);
    loaded->get_IsChanged(&changed);
    EXPECT_EQ(through, VARIANT_FALSE);
    EXPECT_EQ(changed, VARIANT_FALSE);
}

TEST_F(Store, StaleSectionsStayButAreNotLoaded) {
    for (int i = 0; i < 3; ++i) AddNote(notes.get());
    Save(notes.get());
    long id = 1, result = 0;
    notes->DeleteNote(&id, &result);
    Save(notes.get());
    auto dump = store.Dump();
    EXPECT_EQ(dump[L"General"][L"notes"], Sz(L"2"));
    EXPECT_TRUE(dump.count(L"note3")) << "saving deletes nothing";
    EXPECT_EQ(CountOf(Loaded().get()), 2);
}

TEST_F(Store, MissingSectionsAndKeysLoadTheirDefaults) {
    store.Put(L"General", L"notes", L"3");
    store.Put(L"note1", L"title", L"one");
    store.Put(L"note2", L"title", L"two");
    auto loaded = Loaded();
    ASSERT_EQ(CountOf(loaded.get()), 3);
    auto third = NoteAt(loaded.get(), 3);
    EXPECT_EQ(Read(third.get(), &_Note::get_Left), 0);
    EXPECT_EQ(Read(third.get(), &_Note::get_Top), 0);
    EXPECT_EQ(Read(third.get(), &_Note::get_Width), 2500);
    EXPECT_EQ(Read(third.get(), &_Note::get_Height), 1300);
    EXPECT_EQ(Read(third.get(), &_Note::get_Color), static_cast<long>(0x8000000F));
    EXPECT_EQ(Read(third.get(), &_Note::get_Title), L"");
    EXPECT_EQ(Read(third.get(), &_Note::get_Text), L"");
    EXPECT_EQ(Visible(third.get()), VARIANT_FALSE);
    VARIANT_BOOL changed = 1;
    loaded->get_IsChanged(&changed);
    EXPECT_EQ(changed, VARIANT_FALSE) << "notes with empty text load unchanged";
}

TEST_F(Store, VisibleUnlessEmptyOrExactlyZero) {
    const std::vector<std::pair<std::wstring, bool>> cases{{L"-1", true}, {L"1", true}, {L"False", true}, {L"x", true},
                                                           {L"0", false}, {L"", false}, {L" 0", true}};
    store.Put(L"General", L"notes", std::to_wstring(cases.size()));
    for (size_t i = 0; i < cases.size(); ++i) store.Put(L"note" + std::to_wstring(i + 1), L"visible", cases[i].first);
    auto loaded = Loaded();
    for (size_t i = 0; i < cases.size(); ++i)
        EXPECT_EQ(Visible(NoteAt(loaded.get(), static_cast<long>(i + 1)).get()),
                  cases[i].second ? VARIANT_TRUE : VARIANT_FALSE)
            << "visible = \"" << std::string(cases[i].first.begin(), cases[i].first.end()) << "\"";
}

TEST_F(Store, ClickThroughReadsTrueFalseInAnyCaseOrANumber) {
    for (auto [text, expected] : std::vector<std::pair<std::wstring, VARIANT_BOOL>>{{L"TRUE", VARIANT_TRUE},
                                                                                    {L"false", VARIANT_FALSE},
                                                                                    {L"0", VARIANT_FALSE},
                                                                                    {L"2", VARIANT_TRUE},
                                                                                    {L"-1", VARIANT_TRUE},
                                                                                    {L"0.0", VARIANT_FALSE},
                                                                                    {L"99999999999", VARIANT_TRUE}}) {
        store.Put(L"General", L"clickthrough", text);
        auto loaded = Loaded();
        VARIANT_BOOL through = 7;
        loaded->get_ThroughClicks(&through);
        EXPECT_EQ(through, expected) << std::string(text.begin(), text.end());
    }
    store.Put(L"General", L"clickthrough", L"maybe");
    Loaded(DISP_E_TYPEMISMATCH);
    EXPECT_EQ(LastErrorDescription(), L"General/clickthrough: \"maybe\" is neither True, False nor a number");
}

TEST_F(Store, ABadValueStopsLoadingAtThatNoteKeepingTheEarlierOnes) {
    store.Put(L"General", L"notes", L"3");
    store.Put(L"note1", L"title", L"first");
    store.Put(L"note3", L"left", L"abc");
    auto fresh = NewNotes();
    EXPECT_TRUE(FAILED(fresh->LoadAll()));
    EXPECT_EQ(LastErrorDescription(), L"note3/left: \"abc\" is not a number");
    EXPECT_EQ(CountOf(fresh.get()), 2);
}

TEST_F(Store, FractionsRoundHalfToEvenAndOtherTextFails) {
    store.Put(L"General", L"notes", L"1");
    for (auto [text, expected] : std::vector<std::pair<std::wstring, long>>{
             {L"2.5", 2}, {L"3.5", 4}, {L"-2.5", -2}, {L" +12 ", 12}, {L"7.51", 8}, {L"-2147483648", INT32_MIN}}) {
        store.Put(L"note1", L"left", text);
        auto loaded = Loaded();
        EXPECT_EQ(Read(NoteAt(loaded.get(), 1).get(), &_Note::get_Left), expected)
            << std::string(text.begin(), text.end());
    }
    for (std::wstring bad : {L"", L"1e3", L"0x10", L"1,000", L"2147483648", L"12abc"}) {
        store.Put(L"note1", L"left", bad);
        Loaded(DISP_E_TYPEMISMATCH);
        EXPECT_EQ(LastErrorDescription(), L"note1/left: \"" + bad + L"\" is not a number");
    }
}

TEST_F(Store, AValueThatIsNotTextFailsNamingIt) {
    store.Put(L"General", L"notes", L"1");
    store.PutDword(L"note1", L"width", 3000);
    Loaded(DISP_E_TYPEMISMATCH);
    EXPECT_EQ(LastErrorDescription(), L"note1/width: the stored value is not text");
}

TEST_F(Store, ANoteCountAboveTenThousandOrBelowZeroFailsBeforeAnyNote) {
    store.Put(L"General", L"notes", L"10001");
    store.Put(L"note1", L"title", L"one");
    auto fresh = Loaded(DISP_E_TYPEMISMATCH);
    EXPECT_EQ(LastErrorDescription(), L"General/notes: \"10001\" is more notes than the 10000 a collection keeps");
    EXPECT_EQ(CountOf(fresh.get()), 0);
    store.Put(L"General", L"notes", L"-1");
    fresh = Loaded(DISP_E_TYPEMISMATCH);
    EXPECT_EQ(LastErrorDescription(), L"General/notes: \"-1\" is fewer than no notes");
    EXPECT_EQ(CountOf(fresh.get()), 0);
}

TEST_F(Store, AStoredTextHoldingANulFailsNamingItAndNoNoteIsMade) {
    store.Put(L"General", L"notes", L"1");
    store.Put(L"note1", L"text", std::wstring(L"kept\0lost", 9));
    auto fresh = Loaded(DISP_E_TYPEMISMATCH);
    EXPECT_EQ(LastErrorDescription(), L"note1/text: the stored text holds a NUL character after 4 characters");
    EXPECT_EQ(CountOf(fresh.get()), 0);
}

TEST_F(Store, AnyTextAndTitleRoundTripUnchanged) {
    std::wstring longText;
    while (longText.size() < 60000) longText += L"line " + std::to_wstring(longText.size()) + L"\r\n";
    const std::vector<std::pair<std::wstring, std::wstring>> cases{
        {L"", L""},
        {L"\u4e2d\u6587 \u0416\u0443\u043a \u00e9\u00e8 \U0001F600", L"tabs\tand\r\nbreaks\r\n\r\n"},
        {L"\"quoted\" & <angled>", longText},
    };
    for (auto& [title, text] : cases) {
        auto n = AddNote(notes.get());
        SetTitle(n.get(), title);
        SetText(n.get(), text);
    }
    Save(notes.get());
    auto loaded = Loaded();
    ASSERT_EQ(CountOf(loaded.get()), static_cast<long>(cases.size()));
    for (size_t i = 0; i < cases.size(); ++i) {
        auto n = NoteAt(loaded.get(), static_cast<long>(i + 1));
        EXPECT_EQ(Read(n.get(), &_Note::get_Title), cases[i].first) << i;
        EXPECT_EQ(Read(n.get(), &_Note::get_Text), cases[i].second) << i;
    }
}

TEST_F(Store, LoadingAppendsAfterNotesAlreadyInTheList) {
    store.Put(L"General", L"notes", L"2");
    auto fresh = NewNotes();
    auto first = AddNote(fresh.get());
    ASSERT_EQ(fresh->LoadAll(), S_OK);
    EXPECT_EQ(CountOf(fresh.get()), 3);
    EXPECT_EQ(NoteAt(fresh.get(), 1).get(), first.get());
    EXPECT_EQ(Read(NoteAt(fresh.get(), 3).get(), &_Note::get_NoteID), 3);
}

TEST_F(Store, AStoreThatCannotBeWrittenFailsSaveAllWithTheReason) {
    AddNote(notes.get());
    store.MakeUnwritable();
    long result = -1;
    EXPECT_TRUE(FAILED(notes->SaveAll(&result)));
    EXPECT_NE(LastErrorDescription().find(L"General: cannot be written"), std::wstring::npos)
        << Narrow(LastErrorDescription());
}

TEST_F(Store, EveryCorruptNumberStopsLoadingNamingItsPlaceAndWritesNothing) {
    const std::vector<std::pair<std::wstring, std::wstring>> places{
        {L"General", L"notes"}, {L"General", L"level"}, {L"General", L"clickthrough"}, {L"note1", L"left"},
        {L"note1", L"top"},     {L"note1", L"width"},   {L"note1", L"height"},         {L"note1", L"color"}};
    const std::wstring huge(100 * 1024, L'7');
    for (auto& [section, key] : places) {
        // Any number is a flag, so a flag is out of range only beyond every number.
        std::wstring tooLarge = key == L"clickthrough" ? L"1" + std::wstring(400, L'0') : L"99999999999";
        for (const std::wstring& bad :
             {std::wstring(L"twelve"), tooLarge, std::wstring(L""), huge, std::wstring(L"<dword>")}) {
            store.Clear();
            store.Put(L"General", L"notes", L"1");
            store.Put(L"note1", L"title", L"kept");
            if (bad == L"<dword>")
                store.PutDword(section, key, 1);
            else
                store.Put(section, key, bad);
            auto before = store.Dump();
            auto fresh = NewNotes();
            std::string trace(section.begin(), section.end());
            trace += "/" + std::string(key.begin(), key.end()) + " = " +
                     std::string(bad.begin(), bad.begin() + std::min<size_t>(bad.size(), 20));
            EXPECT_TRUE(FAILED(fresh->LoadAll())) << trace;
            std::wstring description = LastErrorDescription();
            EXPECT_EQ(description.rfind(section + L"/" + key + L": ", 0), 0u)
                << trace << ": " << std::string(description.begin(), description.end());
            EXPECT_LT(description.size(), 200u) << trace << ": a long value is shortened in the message";
            EXPECT_EQ(store.Dump(), before) << trace;
        }
    }
}

TEST_F(Store, APositionOrSizeAWindowCannotGiveBackStopsLoadingAndCannotBeSet) {
    for (std::wstring key : {L"left", L"top", L"width", L"height"}) {
        store.Clear();
        store.Put(L"General", L"notes", L"1");
        store.Put(L"note1", key, L"2147483600");
        auto before = store.Dump();
        Loaded(DISP_E_TYPEMISMATCH);
        EXPECT_EQ(LastErrorDescription(),
                  L"note1/" + key + L": \"2147483600\" is more twips than a note can keep (at most 2147483583)");
        EXPECT_EQ(store.Dump(), before);
    }
    store.Put(L"note1", L"height", L"2147483583");
    auto loaded = Loaded();
    EXPECT_EQ(Read(NoteAt(loaded.get(), 1).get(), &_Note::get_Height), 2147483520) << "the nearest it keeps";

    auto note = AddNote(notes.get());
    EXPECT_EQ(note->put_Left(2147483600), static_cast<HRESULT>(0x800A017C));
    EXPECT_EQ(LastErrorDescription(), L"Left: 2147483600 is more twips than a note can keep (at most 2147483583)");
    EXPECT_EQ(Read(note.get(), &_Note::get_Left), 0);
    Save(notes.get());
}

TEST_F(Store, ANoteWhoseWindowWasDestroyedCannotBeReadNorSavedOverItsStoredSelf) {
    auto note = AddNote(notes.get());
    SetTitle(note.get(), L"Shopping");
    SetText(note.get(), L"milk");
    Save(notes.get());
    auto before = store.Dump();
    DestroyWindow(OnlyNoteWindow());
    const std::wstring lost =
        L"Note 1 (\"Shopping\") has lost its window: its text and place cannot be read, and what is stored of it "
        L"stays as it is";
    long left = -1;
    EXPECT_TRUE(FAILED(note->get_Left(&left)));
    EXPECT_EQ(LastErrorDescription(), lost);
    EXPECT_TRUE(WindowsOfClass(L"CorkbaseNote").empty()) << "no blank window takes its place";
    long result = -1;
    EXPECT_TRUE(FAILED(notes->SaveAll(&result)));
    EXPECT_EQ(LastErrorDescription(), lost);
    EXPECT_EQ(store.Dump(), before) << "nothing at all is written";
}

TEST_F(Store, AHiddenLoadedNotesWindowAlreadyStandsWhereItsNoteSaysUnderItsTitle) {
    // Screen readers and window lists see hidden windows too.
    long tpp = TwipsPerPixel();
    store.Put(L"General", L"notes", L"1");
    store.Put(L"note1", L"title", L"Planning");
    store.Put(L"note1", L"left", std::to_wstring(100 * tpp));
    store.Put(L"note1", L"top", std::to_wstring(50 * tpp));
    store.Put(L"note1", L"width", std::to_wstring(200 * tpp));
    store.Put(L"note1", L"height", std::to_wstring(120 * tpp));
    store.Put(L"note1", L"visible", L"0");
    auto loaded = Loaded();
    HWND hwnd = OnlyNoteWindow();
    EXPECT_FALSE(IsWindowVisible(hwnd));
    RECT rc{};
    GetWindowRect(hwnd, &rc);
    EXPECT_EQ(rc.left, 100);
    EXPECT_EQ(rc.top, 50);
    EXPECT_EQ(rc.right, 300);
    EXPECT_EQ(rc.bottom, 170);
    wchar_t title[32] = L"";
    GetWindowTextW(hwnd, title, 32);
    EXPECT_STREQ(title, L"Planning");
    // Shown, it stays there.
    ASSERT_EQ(NoteAt(loaded.get(), 1)->Show(), S_OK);
    RECT shown{};
    GetWindowRect(hwnd, &shown);
    EXPECT_TRUE(EqualRect(&shown, &rc));
}

TEST_F(Store, ANegativeStoredSizeStopsLoadingNamingItsPlace) {
    store.Put(L"General", L"notes", L"1");
    for (std::wstring key : {L"width", L"height"}) {
        store.Put(L"note1", L"width", L"2500");
        store.Put(L"note1", L"height", L"1300");
        store.Put(L"note1", key, L"-5");
        Loaded(static_cast<HRESULT>(0x800A017C));  // invalid property value
        EXPECT_EQ(LastErrorDescription(), L"note1/" + key + L": Invalid property value: a size cannot be negative");
    }
}

TEST_F(Store, ChangingAnyStoredFieldOrOptionChangesWhatSavingOnItsOwnLooksAt) {
    auto note = AddNote(notes.get());
    ASSERT_EQ(note->Show(), S_OK);
    // One change for each field the store keeps: a field added there needs one here.
    const std::map<std::wstring, std::function<void()>> changes{
        {L"title", [&] { SetTitle(note.get(), L"changed"); }},
        {L"left", [&] { note->put_Left(1515); }},
        {L"top", [&] { note->put_Top(1515); }},
        {L"width", [&] { note->put_Width(3000); }},
        {L"height", [&] { note->put_Height(2000); }},
        {L"color", [&] { note->put_Color(0xC0FFFF); }},
        {L"text", [&] { SetText(note.get(), L"changed"); }},
        {L"visible", [&] { note->Hide(); }},
        {L"zoom", [&] { ComPtr<_Note>(note.get()).as<_Note2>(IID__Note2)->put_Zoom(150); }},
    };
    for (const corkbase::NoteField& f : corkbase::kNoteFields) {
        SCOPED_TRACE(Narrow(f.key));
        auto change = changes.find(f.key);
        ASSERT_NE(change, changes.end()) << "no change written for this stored field";
        uint64_t before = qpost::modAutoSave::Fingerprint(notes.get());
        change->second();
        EXPECT_NE(qpost::modAutoSave::Fingerprint(notes.get()), before);
    }
    EXPECT_EQ(changes.size(), std::size(corkbase::kNoteFields));
    uint64_t before = qpost::modAutoSave::Fingerprint(notes.get());
    notes->put_TransparencyLevel(200);
    EXPECT_NE(qpost::modAutoSave::Fingerprint(notes.get()), before) << "the level";
    before = qpost::modAutoSave::Fingerprint(notes.get());
    notes->put_ThroughClicks(VARIANT_TRUE);
    EXPECT_NE(qpost::modAutoSave::Fingerprint(notes.get()), before) << "click-through";
}

namespace {

// A stored text for a field of the kind that differs from every field's default.
std::wstring SampleOf(corkbase::FieldKind kind) {
    switch (kind) {
        case corkbase::FieldKind::Text:
            return L"sample";
        case corkbase::FieldKind::Twips:
            return L"1230";
        case corkbase::FieldKind::Number:
            return L"1234";
        case corkbase::FieldKind::Flag:
            return L"-1";
        case corkbase::FieldKind::Zoom:
            return L"200";
    }
    return L"";
}

}  // namespace

TEST_F(Store, EveryStoredFieldIsLoadedSavedAndSeenBySavingOnItsOwn) {
    store.Put(L"General", L"notes", L"1");
    const uint64_t plain = qpost::modAutoSave::Fingerprint(Loaded().get());
    for (const corkbase::NoteField& f : corkbase::kNoteFields) {
        SCOPED_TRACE(Narrow(f.key));
        const std::wstring sample = SampleOf(f.kind);
        store.Clear();
        store.Put(L"General", L"notes", L"1");
        store.Put(L"note1", f.key, sample);
        auto loaded = Loaded();
        ASSERT_EQ(CountOf(loaded.get()), 1);
        EXPECT_EQ(f.stored(NoteAt(loaded.get(), 1).get()), sample) << "loaded into the note";
        EXPECT_NE(qpost::modAutoSave::Fingerprint(loaded.get()), plain) << "seen by saving on its own";
        store.Clear();
        Save(loaded.get());
        auto saved = store.Dump();
        EXPECT_EQ(saved[L"note1"][f.key], Sz(sample)) << "saved under its key";
    }
}

namespace {

ComPtr<_Notes2> Deleted(_Notes* notes) {
    ComPtr<_Notes2> deleted;
    EXPECT_EQ(notes->QueryInterface(IID__Notes2, reinterpret_cast<void**>(deleted.put())), S_OK);
    return deleted;
}

long DeletedCount(_Notes* notes) {
    long count = -1;
    EXPECT_EQ(Deleted(notes)->get_DeletedCount(&count), S_OK);
    return count;
}

void Delete(_Notes* notes, long id) {
    long result = -1;
    ASSERT_EQ(notes->DeleteNote(&id, &result), S_OK);
}

std::wstring DeletedName(_Notes* notes, long position) {
    return corkbase::Read(Deleted(notes).get(), &_Notes2::get_DeletedName, position);
}

// The time now as the store keeps when a note was deleted.
std::wstring StoredNow() {
    SYSTEMTIME now{};
    GetSystemTime(&now);
    wchar_t text[32];
    swprintf(text, 32, L"%04u-%02u-%02uT%02u:%02u:%02uZ", now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute,
             now.wSecond);
    return text;
}

// Denies this process reading a section of the store while it lives.
class UnreadableSection {
public:
    explicit UnreadableSection(const std::wstring& section) : path_(L"Software\\Corkbase\\" + section) {
        Secure(L"D:(D;;0x9;;;WD)(A;;KA;;;WD)");  // no values read, no sections listed
    }
    ~UnreadableSection() { Secure(L"D:(A;;KA;;;WD)"); }

private:
    void Secure(const wchar_t* sddl) {
        PSECURITY_DESCRIPTOR sd = nullptr;
        ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl, SDDL_REVISION_1, &sd, nullptr));
        HKEY key = nullptr;
        ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, path_.c_str(), 0, WRITE_DAC, &key), ERROR_SUCCESS);
        EXPECT_EQ(RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, sd), ERROR_SUCCESS);
        RegCloseKey(key);
        LocalFree(sd);
    }
    std::wstring path_;
};

// Deletes the first note of a collection while the next window is being made.
_Notes* deleteDuringNextWindow = nullptr;
LRESULT CALLBACK DeleteFirstNoteOnce(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_CREATEWND && deleteDuringNextWindow) {
        long id = 1, result = 0;
        std::exchange(deleteDuringNextWindow, nullptr)->DeleteNote(&id, &result);
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

}  // namespace

TEST_F(Store, AStoreOfTheDesignedLayoutLoadsAndSavesByteForByteUnchanged) {
    store.Put(L"General", L"notes", L"2");
    store.Put(L"General", L"level", L"200");
    store.Put(L"General", L"clickthrough", L"False");
    for (const wchar_t* section : {L"note1", L"note2"}) {
        store.Put(section, L"title", section);
        store.Put(section, L"left", L"1200");
        store.Put(section, L"top", L"900");
        store.Put(section, L"width", L"2500");
        store.Put(section, L"height", L"1300");
        store.Put(section, L"color", L"12648447");
        store.Put(section, L"text", L"milk\r\nbread");
        store.Put(section, L"visible", L"0");
    }
    auto before = store.Dump();
    auto loaded = Loaded();
    EXPECT_EQ(DeletedCount(loaded.get()), 0);
    Save(loaded.get());
    EXPECT_EQ(store.Dump(), before);
}

TEST_F(Store, ADeletedNoteIsKeptSavedApartAndBroughtBackWithAllItHad) {
    auto shopping = AddNote(notes.get());
    SetTitle(shopping.get(), L"Shopping");
    SetText(shopping.get(), L"milk\r\nbread");
    shopping->put_Left(1200);
    shopping->put_Top(900);
    shopping->put_Color(0xC0FFFF);
    AddNote(notes.get());
    Delete(notes.get(), 1);
    Save(notes.get());

    auto dump = store.Dump();
    EXPECT_EQ(dump[L"General"][L"notes"], Sz(L"1"));
    EXPECT_EQ(dump[L"note1"][L"title"], Sz(L"")) << "the designed sections hold the notes only";
    EXPECT_EQ(dump[L"deleted\\1"][L"title"], Sz(L"Shopping"));
    EXPECT_EQ(dump[L"deleted\\1"][L"text"], Sz(L"milk\r\nbread"));
    EXPECT_EQ(dump[L"deleted\\1"][L"color"], Sz(L"12648447"));
    EXPECT_EQ(dump[L"deleted\\1"][L"deleted"].text.size(), 20u) << Narrow(dump[L"deleted\\1"][L"deleted"].text);

    auto loaded = Loaded();
    auto deleted = Deleted(loaded.get());
    ASSERT_EQ(DeletedCount(loaded.get()), 1);
    EXPECT_EQ(corkbase::Read(deleted.get(), &_Notes2::get_DeletedName, 1), L"Shopping");
    ComPtr<_Note> back;
    ASSERT_EQ(deleted->RestoreDeleted(1, back.put()), S_OK) << Narrow(LastErrorDescription());
    EXPECT_EQ(Read(back.get(), &_Note::get_NoteID), 2) << "appended";
    EXPECT_EQ(Read(back.get(), &_Note::get_Text), L"milk\r\nbread");
    EXPECT_EQ(Read(back.get(), &_Note::get_Left), 1200);
    EXPECT_EQ(Read(back.get(), &_Note::get_Top), 900);
    EXPECT_EQ(Read(back.get(), &_Note::get_Color), 0xC0FFFF);
    EXPECT_EQ(Visible(back.get()), VARIANT_TRUE) << "shown";
    EXPECT_EQ(DeletedCount(loaded.get()), 0);
    Save(loaded.get());
    dump = store.Dump();
    EXPECT_FALSE(dump.contains(L"deleted")) << "nothing of the list is left";
    EXPECT_FALSE(dump.contains(L"deleted\\1"));
    EXPECT_EQ(dump[L"note2"][L"title"], Sz(L"Shopping"));
}

TEST_F(Store, TheDeletedNotesKeepTheNewestFiftyAndEmptyingLeavesNoTextBehind) {
    for (int i = 1; i <= 51; ++i) {
        auto note = AddNote(notes.get());
        SetTitle(note.get(), L"note " + std::to_wstring(i));
        Delete(notes.get(), 1);
    }
    auto deleted = Deleted(notes.get());
    ASSERT_EQ(DeletedCount(notes.get()), 50);
    EXPECT_EQ(corkbase::Read(deleted.get(), &_Notes2::get_DeletedName, 1), L"note 51") << "newest first";
    EXPECT_EQ(corkbase::Read(deleted.get(), &_Notes2::get_DeletedName, 50), L"note 2");
    Save(notes.get());
    EXPECT_TRUE(store.Dump().contains(L"deleted\\50"));
    EXPECT_FALSE(store.Dump().contains(L"deleted\\51"));

    ASSERT_EQ(deleted->EmptyDeleted(), S_OK);
    Save(notes.get());
    for (const auto& [section, values] : store.Dump()) EXPECT_NE(section.substr(0, 7), L"deleted") << Narrow(section);
}

TEST_F(Store, AnEmptyDeletedNoteIsNamedByItsNumberBeforeAndAfterARestart) {
    SetTitle(AddNote(notes.get()).get(), L"first");
    AddNote(notes.get());
    Delete(notes.get(), 2);
    EXPECT_EQ(corkbase::Read(Deleted(notes.get()).get(), &_Notes2::get_DeletedName, 1), L"Note 2");
    Save(notes.get());
    EXPECT_EQ(corkbase::Read(Deleted(Loaded().get()).get(), &_Notes2::get_DeletedName, 1), L"Note 2");
}

TEST_F(Store, LoadingAgainOrShowingAllAddsNoneOfTheDeletedNotesTheListHolds) {
    SetTitle(AddNote(notes.get()).get(), L"saved");
    Delete(notes.get(), 1);
    Save(notes.get());
    ASSERT_EQ(notes->LoadAll(), S_OK);
    SetTitle(AddNote(notes.get()).get(), L"unsaved");
    Delete(notes.get(), 1);
    ASSERT_EQ(notes->LoadAll(), S_OK);
    ASSERT_EQ(notes->ShowAll(), S_OK);
    auto deleted = Deleted(notes.get());
    ASSERT_EQ(DeletedCount(notes.get()), 2) << "each once";
    EXPECT_EQ(corkbase::Read(deleted.get(), &_Notes2::get_DeletedName, 1), L"unsaved");
    EXPECT_EQ(corkbase::Read(deleted.get(), &_Notes2::get_DeletedName, 2), L"saved");
}

TEST_F(Store, ADeletedEntryOlderThanThirtyDaysOrDamagedIsLeftOutAndTheNotesStillLoad) {
    store.Put(L"General", L"notes", L"1");
    store.Put(L"note1", L"title", L"kept");
    const std::wstring today = StoredNow();
    store.Put(L"deleted\\1", L"title", L"fresh");
    store.Put(L"deleted\\1", L"deleted", today);
    store.Put(L"deleted\\2", L"title", L"old");
    store.Put(L"deleted\\2", L"deleted", L"2000-01-01T00:00:00Z");
    store.Put(L"deleted\\3", L"title", L"bad");
    store.Put(L"deleted\\3", L"left", L"abc");
    store.Put(L"deleted\\3", L"deleted", today);
    store.Put(L"deleted\\4", L"title", L"half written");
    auto loaded = Loaded();
    EXPECT_EQ(CountOf(loaded.get()), 1);
    ASSERT_EQ(DeletedCount(loaded.get()), 1);
    EXPECT_EQ(corkbase::Read(Deleted(loaded.get()).get(), &_Notes2::get_DeletedName, 1), L"fresh");
}

TEST_F(Store, BringingBackANoteTheListDoesNotHoldFailsSayingSo) {
    ComPtr<_Note> back;
    EXPECT_EQ(Deleted(notes.get())->RestoreDeleted(1, back.put()), DISP_E_BADINDEX);
    EXPECT_EQ(LastErrorDescription(), L"There is no deleted note 1 among 0");
    EXPECT_EQ(back.get(), nullptr);
}

TEST_F(Store, ACollectionThatNeverLoadedLeavesTheStoredDeletedNotesAndSavesItsOwnOnTop) {
    store.Put(L"deleted\\1", L"title", L"stored before");
    store.Put(L"deleted\\1", L"deleted", StoredNow());
    AddNote(notes.get());
    Save(notes.get());
    EXPECT_EQ(store.Dump()[L"deleted\\1"][L"title"], Sz(L"stored before")) << "a script's new notes leave the list";

    SetTitle(AddNote(notes.get()).get(), L"the script's own");
    Delete(notes.get(), 2);
    Save(notes.get());
    auto dump = store.Dump();
    EXPECT_EQ(dump[L"deleted\\1"][L"title"], Sz(L"the script's own"));
    EXPECT_EQ(dump[L"deleted\\2"][L"title"], Sz(L"stored before"));
}

TEST_F(Store, EmptyingDeletedNotesThatCannotBeReadFailsAndChangesNothing) {
    store.Put(L"deleted\\1", L"title", L"stored before");
    store.Put(L"deleted\\1", L"deleted", StoredNow());
    {
        UnreadableSection unreadable(L"deleted");
        auto loaded = Loaded();
        EXPECT_EQ(Deleted(loaded.get())->EmptyDeleted(), E_FAIL);
        EXPECT_EQ(LastErrorDescription().find(L"The deleted notes were not emptied: the stored ones cannot be read ("),
                  0u)
            << Narrow(LastErrorDescription());
        Save(loaded.get());
    }
    EXPECT_EQ(store.Dump()[L"deleted\\1"][L"title"], Sz(L"stored before"));
    auto loaded = Loaded();
    ASSERT_EQ(DeletedCount(loaded.get()), 1);
    ASSERT_EQ(Deleted(loaded.get())->EmptyDeleted(), S_OK);
    Save(loaded.get());
    EXPECT_FALSE(store.Dump().contains(L"deleted\\1"));
}

TEST_F(Store, ANoteJustDeletedGoesOnTopOfNotesDatedAfterNowWhichCountAsDeletedNow) {
    store.Put(L"General", L"notes", L"1");
    store.Put(L"note1", L"title", L"just deleted");
    for (int i = 1; i <= 50; ++i) {
        store.Put(L"deleted\\" + std::to_wstring(i), L"title", L"dated later " + std::to_wstring(i));
        store.Put(L"deleted\\" + std::to_wstring(i), L"deleted", L"2100-01-01T00:00:00Z");
    }
    auto loaded = Loaded();
    ASSERT_EQ(DeletedCount(loaded.get()), 50);
    Delete(loaded.get(), 1);
    ASSERT_EQ(DeletedCount(loaded.get()), 50);
    EXPECT_EQ(DeletedName(loaded.get(), 1), L"just deleted") << "on top, and kept";
    EXPECT_EQ(DeletedName(loaded.get(), 2), L"dated later 1");
    Save(loaded.get());
    EXPECT_EQ(store.Dump()[L"deleted\\2"][L"deleted"].text.substr(0, 4), StoredNow().substr(0, 4))
        << "dated now, its days run out";
}

TEST_F(Store, ADeletionWhileANoteIsBroughtBackLeavesTheOtherDeletedNoteOnTheList) {
    SetTitle(AddNote(notes.get()).get(), L"brought back");
    Delete(notes.get(), 1);
    SetTitle(AddNote(notes.get()).get(), L"deleted meanwhile");
    HHOOK hook = SetWindowsHookExW(WH_CBT, DeleteFirstNoteOnce, nullptr, GetCurrentThreadId());
    ASSERT_NE(hook, nullptr);
    deleteDuringNextWindow = notes.get();
    ComPtr<_Note> back;
    HRESULT hr = Deleted(notes.get())->RestoreDeleted(1, back.put());
    UnhookWindowsHookEx(hook);
    ASSERT_EQ(hr, S_OK) << Narrow(LastErrorDescription());
    ASSERT_EQ(deleteDuringNextWindow, nullptr) << "deleted while the window was made";
    EXPECT_EQ(Read(back.get(), &_Note::get_Title), L"brought back");
    ASSERT_EQ(DeletedCount(notes.get()), 1);
    EXPECT_EQ(DeletedName(notes.get(), 1), L"deleted meanwhile");
}
