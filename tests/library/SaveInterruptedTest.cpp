// A save cut short after each of its writes in turn, as a crash or power cut would leave
// it, loads exactly the notes as they were before the save or exactly as they are after
// it: no note lost, doubled, mixed from two notes or come back from an older save.
#include <gtest/gtest.h>

#include <array>
#include <cstring>

#include "EventLog.h"
#include "NoteFields.h"
#include "NoteProperty.h"
#include "Notes.h"
#include "Store.h"
#include "StoreWriteLimit.h"
#include "Support.h"
#include "ThrowawayStore.h"

using namespace test;

namespace {

// The stored fields of one note, in the order they are saved.
using Fields = std::array<std::wstring, std::size(corkbase::kNoteFields)>;

struct Version {
    std::wstring title, text;
    long left, top, width, height, color;
    bool visible;
    long zoom;
};

// What the store would hold of the note, field by field.
Fields FieldsOf(_Note* note) {
    Fields fields;
    for (size_t k = 0; k < fields.size(); ++k) fields[k] = corkbase::kNoteFields[k].stored(note);
    return fields;
}

void Apply(_Note* note, const Version& v) {
    tk::Bstr title(v.title), text(v.text);
    BSTR raw = text.get();
    ASSERT_EQ(note->put_Title(title.get()), S_OK);
    ASSERT_EQ(note->put_Left(v.left), S_OK);
    ASSERT_EQ(note->put_Top(v.top), S_OK);
    ASSERT_EQ(note->put_Width(v.width), S_OK);
    ASSERT_EQ(note->put_Height(v.height), S_OK);
    ASSERT_EQ(note->put_Color(v.color), S_OK);
    ASSERT_EQ(note->put_Text(&raw), S_OK);
    ASSERT_EQ(v.visible ? note->Show() : note->Hide(), S_OK);
    ASSERT_EQ(tk::ComPtr<_Note>(note).as<_Note2>(IID__Note2)->put_Zoom(v.zoom), S_OK);
}

// The fields of a note in the version: every field, however many the store keeps.
Fields FieldsOf(const Version& v) {
    auto notes = corkbase::Notes::Create();
    auto note = AddNote(notes.get());
    Apply(note.get(), v);
    return FieldsOf(note.get());
}

size_t FieldIndex(const wchar_t* key) {
    size_t k = 0;
    while (k < std::size(corkbase::kNoteFields) && std::wcscmp(corkbase::kNoteFields[k].key, key) != 0) ++k;
    return k;
}

// Every field of note n but its visible flag differs from every other note's and version's.
Version Make(int n, int version) {
    long k = n * 10 + version;
    return {L"title " + std::to_wstring(k),
            L"text " + std::to_wstring(k),
            100 * k,
            90 * k,
            2000 + k,
            1000 + k,
            0xC0C000 + k,
            n % 2 == 1,  // a hidden note's Show keeps it hidden
            corkbase::kZoomSteps[static_cast<size_t>(k) % corkbase::kZoomSteps.size()]};
}

class SaveInterrupted : public testing::Test {
protected:
    ThrowawayStore store;

    ~SaveInterrupted() override { storeWritesLeft = -1; }

    static void Save(corkbase::Notes* notes) {
        long result = -1;
        ASSERT_EQ(notes->SaveAll(&result), S_OK) << Narrow(LastErrorDescription());
    }

    // Saves these notes as one complete save, in list order.
    static void SaveVersions(const std::vector<Version>& versions) {
        auto notes = corkbase::Notes::Create();
        for (auto& v : versions) Apply(AddNote(notes.get()).get(), v);
        Save(notes.get());
    }

    static std::vector<Fields> Load() {
        auto notes = corkbase::Notes::Create();
        EXPECT_EQ(notes->LoadAll(), S_OK) << Narrow(LastErrorDescription());
        std::vector<Fields> loaded;
        for (long i = 1; i <= CountOf(notes.get()); ++i) loaded.push_back(FieldsOf(NoteAt(notes.get(), i).get()));
        return loaded;
    }

    // Each note's title and text, for a failure's message.
    static std::string Describe(const std::vector<Fields>& all) {
        std::string out;
        for (auto& fields : all)
            out += "\n" + Narrow(fields[FieldIndex(L"title")]) + ", " + Narrow(fields[FieldIndex(L"text")]);
        return out;
    }
    static std::vector<Fields> AllFieldsOf(const std::vector<Version>& versions) {
        std::vector<Fields> all;
        for (auto& v : versions) all.push_back(FieldsOf(v));
        return all;
    }

    // Runs the change once per write, stopping the save after 0, 1, 2, ... writes, until a
    // save runs to its end; prepare puts the store back as it was and returns the notes
    // the change applies to. Every load after a cut gives exactly the notes before the
    // save or exactly those after it, and so does the load after that.
    template <class Prepare, class Change>
    void EveryCut(Prepare prepare, Change change, const std::vector<Version>& before,
                  const std::vector<Version>& after) {
        const auto expectedBefore = AllFieldsOf(before), expectedAfter = AllFieldsOf(after);
        for (int writes = 0;; ++writes) {
            store.Clear();
            auto notes = prepare();
            change(notes.get());
            storeWritesLeft = writes;
            long result = -1;
            HRESULT hr = notes->SaveAll(&result);
            storeWritesLeft = -1;
            SCOPED_TRACE("saving stopped after " + std::to_string(writes) + " writes");
            auto loaded = Load();
            EXPECT_TRUE(loaded == expectedBefore || loaded == expectedAfter) << loaded.size() << " notes loaded:" << Describe(loaded);
            EXPECT_EQ(Load(), loaded) << "the next start loads the same notes";
            if (hr == S_OK) break;
            ASSERT_EQ(hr, E_ABORT);
            ASSERT_LT(writes, 1000);
        }
    }
};

}  // namespace

TEST_F(SaveInterrupted, EditingAndAddingNotesAfterALargerOlderSaveLoadsExactlyBeforeOrAfter) {
    // An older save of five notes leaves sections note3 to note5 behind the current two.
    std::vector<Version> older, before, after;
    for (int n = 10; n < 15; ++n) older.push_back(Make(n, 0));
    for (int n = 1; n <= 2; ++n) before.push_back(Make(n, 0));
    for (int n = 1; n <= 4; ++n) after.push_back(Make(n, 1));
    EveryCut(
        [&] {
            SaveVersions(older);
            auto notes = corkbase::Notes::Create();
            for (auto& v : before) Apply(AddNote(notes.get()).get(), v);
            Save(notes.get());
            return notes;
        },
        [&](corkbase::Notes* notes) {
            for (long n = 1; n <= 2; ++n) Apply(NoteAt(notes, n).get(), after[n - 1]);
            for (size_t n = 2; n < after.size(); ++n) Apply(AddNote(notes).get(), after[n]);
        },
        before, after);
}

TEST_F(SaveInterrupted, DeletingNotesNeverLoadsADuplicateOrAMixedNote) {
    std::vector<Version> before{Make(1, 0), Make(2, 0), Make(3, 0), Make(4, 0), Make(5, 0)};
    std::vector<Version> after{Make(2, 0), Make(4, 1), Make(5, 0)};
    EveryCut(
        [&] {
            auto notes = corkbase::Notes::Create();
            for (auto& v : before) Apply(AddNote(notes.get()).get(), v);
            Save(notes.get());
            return notes;
        },
        [&](corkbase::Notes* notes) {
            long result = -1;
            for (long id : {3L, 1L}) ASSERT_EQ(notes->DeleteNote(&id, &result), S_OK);
            Apply(NoteAt(notes, 2).get(), after[1]);
        },
        before, after);
}

TEST_F(SaveInterrupted, AnUnfinishedSaveThatCannotBeReadFailsTheLoadAndChangesNothing) {
    SaveVersions({Make(1, 0)});
    store.Put(L"General", L"saving", L"3:255");
    auto kept = store.Dump();
    auto notes = corkbase::Notes::Create();
    EXPECT_EQ(notes->LoadAll(), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(LastErrorDescription(),
              L"General/saving: an unfinished save that cannot be read back; nothing has been changed");
    EXPECT_EQ(CountOf(notes.get()), 0);
    EXPECT_EQ(store.Dump(), kept);
}

TEST_F(SaveInterrupted, AnUnfinishedSaveOfMoreNotesThanALoadKeepsIsRefusedAndChangesNothing) {
    SaveVersions({Make(1, 0)});
    std::wstring pending = L"3:2551:05:10001";
    for (size_t i = 0; i < 10001 * Fields().size(); ++i) pending += L"0:";
    store.Put(L"General", L"saving", pending);
    auto kept = store.Dump();
    auto notes = corkbase::Notes::Create();
    EXPECT_EQ(notes->LoadAll(), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(LastErrorDescription(),
              L"General/saving: an unfinished save that cannot be read back; nothing has been changed");
    EXPECT_EQ(store.Dump(), kept);
}

namespace {

// A record as a save writes it: each item as its length, a colon and its characters.
std::wstring Items(std::initializer_list<std::wstring> items) {
    std::wstring text;
    for (const auto& item : items) text += std::to_wstring(item.size()) + L":" + item;
    return text;
}

// A part of a record: its name, its number of items and the items.
std::wstring Part(const std::wstring& name, std::initializer_list<std::wstring> items) {
    return Items({name, std::to_wstring(items.size())}) + Items(items);
}

}  // namespace

TEST_F(SaveInterrupted, AnUnfinishedSaveOfTheLayoutBeforeVersionsIsFinished) {
    SaveVersions({Make(1, 0), Make(2, 0)});
    store.Put(L"General", L"saving",
              Items({L"200", L"True", L"1", L"Shopping", L"1200", L"900", L"2500", L"1300", L"12648447", L"milk\r\nbread",
                     L"-1"}));
    auto loaded = Load();
    ASSERT_EQ(loaded.size(), 1u) << Describe(loaded);
    EXPECT_EQ(loaded[0],
              (Fields{L"Shopping", L"1200", L"900", L"2500", L"1300", L"12648447", L"milk\r\nbread", L"-1", L"100"}));
    auto dump = store.Dump();
    EXPECT_EQ(dump[L"note1"][L"zoom"].text, L"100") << "a record without a text size reads as 100";
    EXPECT_FALSE(dump[L"General"].contains(L"saving"));
    EXPECT_EQ(dump[L"General"][L"level"].text, L"200");
    EXPECT_EQ(dump[L"General"][L"clickthrough"].text, L"True");
    EXPECT_FALSE(dump.contains(L"deleted")) << "a record without deleted notes stores none";
}

TEST_F(SaveInterrupted, AnUnfinishedSaveOfALaterVersionIsFinishedForTheFieldsThisOneKnows) {
    SaveVersions({Make(1, 0), Make(2, 0)});
    // A later version's record: an option, a note field and a part of its own that this
    // one does not know, and a note without a colour.
    std::wstring record =
        Items({L"Quillpost unfinished save", L"3"}) +
        Part(L"general", {L"3", L"level", L"180", L"clickthrough", L"False", L"sound", L"on"}) +
        Part(L"pins", {L"x", L"y"}) +
        Part(L"notes", {L"2", L"3", L"title", L"Kept", L"pinned", L"-1", L"text", L"a", L"2", L"left", L"300", L"zoom",
                        L"150"}) +
        Part(L"deleted", {L"1", L"3", L"title", L"Gone", L"deleted", L"2026-12-01T10:00:00Z", L"pinned", L"0"});
    store.Put(L"General", L"saving", record);
    store.Put(L"note1", L"color", L"255");  // an older save's, for a note now stored without one

    auto loaded = Load();
    ASSERT_EQ(loaded.size(), 2u) << Describe(loaded);
    EXPECT_EQ(loaded[0][FieldIndex(L"title")], L"Kept");
    EXPECT_EQ(loaded[0][FieldIndex(L"text")], L"a");
    EXPECT_EQ(loaded[0][FieldIndex(L"color")], L"-2147483633") << "not in the section: the default";
    EXPECT_EQ(loaded[1][FieldIndex(L"left")], L"300");
    EXPECT_EQ(loaded[1][FieldIndex(L"zoom")], L"150");
    auto dump = store.Dump();
    EXPECT_FALSE(dump[L"note1"].contains(L"color"));
    EXPECT_FALSE(dump[L"note1"].contains(L"pinned"));
    EXPECT_EQ(dump[L"note1"][L"zoom"].text, L"100") << "the earlier save's text size, and none in the record";
    EXPECT_FALSE(dump[L"General"].contains(L"sound"));
    EXPECT_FALSE(dump[L"General"].contains(L"saving"));
    EXPECT_EQ(dump[L"General"][L"level"].text, L"180");
    EXPECT_EQ(dump[L"deleted\\1"][L"title"].text, L"Gone");
    EXPECT_EQ(dump[L"deleted\\1"][L"deleted"].text, L"2026-12-01T10:00:00Z");
}

TEST_F(SaveInterrupted, AnUnfinishedSaveOfAnOlderVersionOrOfAnotherMarkerIsRefused) {
    SaveVersions({Make(1, 0)});
    for (const std::wstring& record :
         {Items({L"Quillpost unfinished save", L"1"}) + Part(L"general", {L"2", L"level", L"1", L"clickthrough", L"0"}) +
              Part(L"notes", {L"0"}),
          Items({L"Quillpost unfinished save", L"2"}) + Part(L"notes", {L"0"}),
          Items({L"Quillpost unfinished save", L"2"}) + Part(L"general", {L"2", L"level", L"1", L"clickthrough", L"0"}) +
              Part(L"notes", {L"1", L"1", L"title"})}) {
        store.Put(L"General", L"saving", record);
        auto kept = store.Dump();
        auto notes = corkbase::Notes::Create();
        EXPECT_EQ(notes->LoadAll(), DISP_E_TYPEMISMATCH) << Narrow(record);
        EXPECT_EQ(store.Dump(), kept);
    }
}

TEST_F(SaveInterrupted, ARecordOfThisVersionIsOneAQuillpostBeforeItRefuses) {
    SaveVersions({Make(1, 0)});
    auto notes = corkbase::Notes::Create();
    Apply(AddNote(notes.get()).get(), Make(2, 1));
    storeWritesLeft = 1;  // the record only
    long result = -1;
    ASSERT_EQ(notes->SaveAll(&result), E_ABORT);
    storeWritesLeft = -1;
    std::wstring record = store.Dump()[L"General"][L"saving"].text;
    // The older reader takes the level, the click-through flag and a note count that
    // must be a plain number.
    size_t at = 0;
    std::vector<std::wstring> first;
    for (int i = 0; i < 3; ++i) {
        size_t colon = record.find(L':', at);
        ASSERT_NE(colon, std::wstring::npos);
        size_t length = std::stoul(record.substr(at, colon - at));
        first.push_back(record.substr(colon + 1, length));
        at = colon + 1 + length;
    }
    EXPECT_FALSE(corkbase::ParseNumber(first[2])) << Narrow(first[2]);
    EXPECT_EQ(Load(), AllFieldsOf({Make(2, 1)})) << "this version finishes it";
}

TEST_F(SaveInterrupted, ADeletionCutAtEveryWriteKeepsTheNoteOnceAmongTheNotesOrTheDeletedNotes) {
    using Titles = std::vector<std::wstring>;
    auto titles = [](corkbase::Notes* notes) {
        std::pair<Titles, Titles> seen;
        for (long i = 1; i <= CountOf(notes); ++i) seen.first.push_back(FieldsOf(NoteAt(notes, i).get())[FieldIndex(L"title")]);
        long deleted = 0;
        EXPECT_EQ(notes->get_DeletedCount(&deleted), S_OK);
        for (long i = 1; i <= deleted; ++i) seen.second.push_back(corkbase::Read(notes, &_Notes2::get_DeletedName, i));
        return seen;
    };
    const std::pair<Titles, Titles> before{{L"title 20", L"title 30"}, {L"title 10"}},
        after{{L"title 20"}, {L"title 30", L"title 10"}};
    for (int writes = 0;; ++writes) {
        store.Clear();
        auto notes = corkbase::Notes::Create();
        for (int n = 1; n <= 3; ++n) Apply(AddNote(notes.get()).get(), Make(n, 0));
        long id = 1, result = -1;
        ASSERT_EQ(notes->DeleteNote(&id, &result), S_OK);
        Save(notes.get());
        id = 2;
        ASSERT_EQ(notes->DeleteNote(&id, &result), S_OK);
        storeWritesLeft = writes;
        HRESULT hr = notes->SaveAll(&result);
        storeWritesLeft = -1;
        SCOPED_TRACE("saving stopped after " + std::to_string(writes) + " writes");
        auto loaded = corkbase::Notes::Create();
        ASSERT_EQ(loaded->LoadAll(), S_OK) << Narrow(LastErrorDescription());
        auto seen = titles(loaded.get());
        EXPECT_TRUE(seen == before || seen == after) << seen.first.size() << " notes, " << seen.second.size() << " deleted";
        if (hr == S_OK) break;
        ASSERT_EQ(hr, E_ABORT);
        ASSERT_LT(writes, 1000);
    }
}

TEST_F(SaveInterrupted, ADamagedDeletedNoteIsLeftOutWithOneWarningAndWritesNothing) {
    SaveVersions({Make(1, 0)});
    store.Put(L"deleted\\1", L"title", L"no time");
    store.Put(L"deleted\\2", L"title", L"bad number");
    store.Put(L"deleted\\2", L"top", L"x");
    store.Put(L"deleted\\2", L"deleted", L"2026-12-01T10:00:00Z");
    store.PutDword(L"deleted\\3", L"deleted", 7);
    auto kept = store.Dump();
    std::vector<std::wstring> warnings;
    auto previous = corkbase::SetWarningSink([&](const std::wstring& w) { warnings.push_back(w); });
    auto loaded = Load();
    corkbase::SetWarningSink(previous);
    EXPECT_EQ(loaded, AllFieldsOf({Make(1, 0)}));
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_EQ(warnings[0].substr(0, 60), L"Corkbase: 3 of the deleted notes cannot be read and are left");
    EXPECT_EQ(store.Dump(), kept);
}
