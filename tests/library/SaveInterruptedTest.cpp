// A save cut short after each of its writes in turn, as a crash or power cut would leave
// it, loads exactly the notes as they were before the save or exactly as they are after
// it: no note lost, doubled, mixed from two notes or come back from an older save.
#include <gtest/gtest.h>

#include <array>
#include <cstring>

#include "NoteFields.h"
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
            n % 2 == 1};  // a hidden note's Show keeps it hidden
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
