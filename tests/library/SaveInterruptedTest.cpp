// A save cut short after each of its writes in turn, as a crash or power cut would leave
// it, must still load: every note that lived through the save is there whole, each field
// as it was before the save or after it, and nothing comes back from an older save.
#include <gtest/gtest.h>

#include <array>
#include <optional>

#include "Notes.h"
#include "Store.h"
#include "Support.h"
#include "ThrowawayStore.h"

using namespace test;

namespace {

// The stored fields of one note, in the order they are saved.
using Fields = std::array<std::wstring, 8>;

struct Version {
    std::wstring title, text;
    long left, top, width, height, color;
    bool visible;
};

Fields FieldsOf(const Version& v) {
    return {v.title,
            std::to_wstring(v.left),
            std::to_wstring(v.top),
            std::to_wstring(v.width),
            std::to_wstring(v.height),
            std::to_wstring(v.color),
            v.text,
            v.visible ? L"1" : L"0"};
}

Fields FieldsOf(_Note* note) {
    tk::Bstr title, text;
    long left = 0, top = 0, width = 0, height = 0, color = 0;
    VARIANT_BOOL visible = VARIANT_FALSE;
    EXPECT_EQ(note->get_Title(title.put()), S_OK);
    EXPECT_EQ(note->get_Left(&left), S_OK);
    EXPECT_EQ(note->get_Top(&top), S_OK);
    EXPECT_EQ(note->get_Width(&width), S_OK);
    EXPECT_EQ(note->get_Height(&height), S_OK);
    EXPECT_EQ(note->get_Color(&color), S_OK);
    EXPECT_EQ(note->get_Text(text.put()), S_OK);
    EXPECT_EQ(note->get_IsVisible(&visible), S_OK);
    return FieldsOf(Version{title.str(), text.str(), left, top, width, height, color, visible == VARIANT_TRUE});
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

// Every field of note n differs from every other note's and version's.
Version Make(int n, int version) {
    long k = n * 10 + version;
    return {L"title " + std::to_wstring(k),
            L"text " + std::to_wstring(k),
            100 * k,
            90 * k,
            2000 + k,
            1000 + k,
            0xC0C000 + k,
            (n + version) % 2 == 1};
}

// One note's life through the save: how it was stored before and how it is to be stored
// after; a note added or deleted by the save has only one of the two.
struct Life {
    std::optional<Version> before, after;
    bool Matches(const Fields& loaded) const {
        std::optional<Fields> b, a;
        if (before) b = FieldsOf(*before);
        if (after) a = FieldsOf(*after);
        for (size_t f = 0; f < loaded.size(); ++f)
            if (!(b && (*b)[f] == loaded[f]) && !(a && (*a)[f] == loaded[f])) return false;
        return true;
    }
};

class SaveInterrupted : public testing::Test {
protected:
    ThrowawayStore store;

    ~SaveInterrupted() override { corkbase::storeWritesLeft = -1; }

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

    // Runs the change once per write, stopping the save after 0, 1, 2, ... writes, until a
    // save runs to its end; prepare puts the store back as it was and returns the notes
    // the change applies to. check judges what loads after each cut.
    template <class Prepare, class Change, class Check>
    void EveryCut(Prepare prepare, Change change, Check check) {
        for (int writes = 0;; ++writes) {
            store.Clear();
            auto notes = prepare();
            change(notes.get());
            corkbase::storeWritesLeft = writes;
            long result = -1;
            HRESULT hr = notes->SaveAll(&result);
            corkbase::storeWritesLeft = -1;
            SCOPED_TRACE("saving stopped after " + std::to_string(writes) + " writes");
            check(Load());
            if (hr == S_OK) break;
            ASSERT_EQ(hr, E_ABORT);
            ASSERT_LT(writes, 1000);
        }
    }
};

// Finds the note of each loaded section among the lives; fails on a section that is no
// note's, before or after.
std::vector<int> Identify(const std::vector<Fields>& loaded, const std::vector<Life>& lives) {
    std::vector<int> who;
    for (size_t i = 0; i < loaded.size(); ++i) {
        int found = -1;
        for (size_t n = 0; n < lives.size() && found < 0; ++n)
            if (lives[n].Matches(loaded[i])) found = static_cast<int>(n);
        EXPECT_GE(found, 0) << "section note" << i + 1 << " (" << std::string(loaded[i][0].begin(), loaded[i][0].end())
                            << ") is no note of this save";
        who.push_back(found);
    }
    return who;
}

void ExpectSurvivorsWhole(const std::vector<int>& who, const std::vector<Life>& lives) {
    for (size_t n = 0; n < lives.size(); ++n) {
        if (lives[n].before && lives[n].after) {
            EXPECT_NE(std::find(who.begin(), who.end(), static_cast<int>(n)), who.end()) << "note " << n << " was lost";
        }
    }
}

}  // namespace

TEST_F(SaveInterrupted, EditingAndAddingNotesNeverLoadsAHalfNoteOrOneFromAnOlderSave) {
    // An older save of five notes leaves sections note3 to note5 behind the current two.
    std::vector<Version> older;
    for (int n = 10; n < 15; ++n) older.push_back(Make(n, 0));
    std::vector<Life> lives{{Make(1, 0), Make(1, 1)}, {Make(2, 0), Make(2, 1)}, {{}, Make(3, 1)}, {{}, Make(4, 1)}};
    EveryCut(
        [&] {
            SaveVersions(older);
            auto notes = corkbase::Notes::Create();
            for (int n = 0; n < 2; ++n) Apply(AddNote(notes.get()).get(), *lives[n].before);
            Save(notes.get());
            return notes;
        },
        [&](corkbase::Notes* notes) {
            for (long n = 1; n <= 2; ++n) Apply(NoteAt(notes, n).get(), *lives[n - 1].after);
            for (int n = 2; n < 4; ++n) Apply(AddNote(notes).get(), *lives[n].after);
        },
        [&](const std::vector<Fields>& loaded) {
            ASSERT_TRUE(loaded.size() == 2 || loaded.size() == 4) << loaded.size() << " notes loaded";
            auto who = Identify(loaded, lives);
            ExpectSurvivorsWhole(who, lives);
            for (size_t i = 0; i < who.size(); ++i) EXPECT_EQ(who[i], static_cast<int>(i)) << "in its place";
        });
}

TEST_F(SaveInterrupted, DeletingTheFirstNoteNeverLosesTheNotesMovingDown) {
    std::vector<Life> lives{
        {Make(1, 0), {}}, {Make(2, 0), Make(2, 0)}, {Make(3, 0), Make(3, 1)}, {Make(4, 0), Make(4, 0)}};
    EveryCut(
        [&] {
            auto notes = corkbase::Notes::Create();
            for (auto& life : lives) Apply(AddNote(notes.get()).get(), *life.before);
            Save(notes.get());
            return notes;
        },
        [&](corkbase::Notes* notes) {
            long first = 1, result = -1;
            ASSERT_EQ(notes->DeleteNote(&first, &result), S_OK);
            Apply(NoteAt(notes, 2).get(), *lives[2].after);
        },
        [&](const std::vector<Fields>& loaded) {
            ASSERT_TRUE(loaded.size() == 3 || loaded.size() == 4) << loaded.size() << " notes loaded";
            // A section being rewritten with the note moving into it may mix that note
            // with the one moving out, both of which stay whole in their other sections;
            // every field still comes from one of this save's notes.
            std::vector<int> who;
            for (auto& fields : loaded) {
                int found = -1;
                for (size_t n = 0; n < lives.size() && found < 0; ++n)
                    if (lives[n].Matches(fields)) found = static_cast<int>(n);
                who.push_back(found);
                for (size_t f = 0; f < fields.size(); ++f) {
                    bool known = false;
                    for (auto& life : lives)
                        for (auto& v : {life.before, life.after})
                            if (v && FieldsOf(*v)[f] == fields[f]) known = true;
                    EXPECT_TRUE(known) << "field " << f
                                       << " is no note's: " << std::string(fields[f].begin(), fields[f].end());
                }
            }
            ExpectSurvivorsWhole(who, lives);
        });
}
