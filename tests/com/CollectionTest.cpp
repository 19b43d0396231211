// The Notes collection through real COM: numbering, deletion, the options and the bulk commands.
#include <gtest/gtest.h>

#include "Support.h"

using namespace test;

namespace {

long IdOf(_Note* note) {
    long id = 0;
    EXPECT_EQ(note->get_NoteID(&id), S_OK);
    return id;
}

VARIANT_BOOL IsChanged(_Notes* notes) {
    VARIANT_BOOL changed = 1;
    EXPECT_EQ(notes->get_IsChanged(&changed), S_OK);
    return changed;
}

}  // namespace

TEST(Collection, StartsEmptyWithOpaqueClickableDefaults) {
    auto notes = NewNotes();
    ASSERT_TRUE(notes);
    EXPECT_EQ(CountOf(notes.get()), 0);
    EXPECT_EQ(IsChanged(notes.get()), VARIANT_FALSE);
    long level = 0;
    EXPECT_EQ(notes->get_TransparencyLevel(&level), S_OK);
    EXPECT_EQ(level, 255);
    VARIANT_BOOL through = 1;
    EXPECT_EQ(notes->get_ThroughClicks(&through), S_OK);
    EXPECT_EQ(through, VARIANT_FALSE);
    EXPECT_EQ(notes->ShowAll(), S_OK);
    EXPECT_EQ(notes->HideAll(), S_OK);
    EXPECT_EQ(notes->CollapseAll(), S_OK);
    EXPECT_EQ(notes->SetOnTop(nullptr), S_OK);
}

TEST(Collection, NotesAreNumberedByPosition) {
    auto notes = NewNotes();
    auto a = AddNote(notes.get()), b = AddNote(notes.get()), c = AddNote(notes.get());
    EXPECT_EQ(IdOf(a.get()), 1);
    EXPECT_EQ(IdOf(b.get()), 2);
    EXPECT_EQ(IdOf(c.get()), 3);

    ComPtr<_Notes> parent;
    ASSERT_EQ(b->get_Parent(parent.put()), S_OK);
    EXPECT_EQ(parent.get(), notes.get());
}

TEST(Collection, DeletingTheFirstOfThreeRenumbersTheRest) {
    auto notes = NewNotes();
    auto a = AddNote(notes.get()), b = AddNote(notes.get()), c = AddNote(notes.get());
    long id = 1, result = -1;
    ASSERT_EQ(notes->DeleteNote(&id, &result), S_OK);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(id, 1) << "the ID is passed by reference but not modified";
    EXPECT_EQ(CountOf(notes.get()), 2);
    EXPECT_EQ(IdOf(b.get()), 1);
    EXPECT_EQ(IdOf(c.get()), 2);
    EXPECT_EQ(NoteAt(notes.get(), 1).get(), b.get());
    EXPECT_EQ(NoteAt(notes.get(), 2).get(), c.get());
    auto d = AddNote(notes.get());
    EXPECT_EQ(IdOf(d.get()), 3);
}

TEST(Collection, DeleteNoteWithABadIdChangesNothingAndReturnsZero) {
    auto notes = NewNotes();
    auto a = AddNote(notes.get()), b = AddNote(notes.get());
    for (long bad : {0L, 3L, -1L}) {
        long id = bad, result = -1;
        EXPECT_EQ(notes->DeleteNote(&id, &result), S_OK) << bad;
        EXPECT_EQ(result, 0);
        EXPECT_EQ(LastErrorDescription(), L"") << "the failure is logged and cleared, not passed on";
    }
    EXPECT_EQ(CountOf(notes.get()), 2);
    EXPECT_EQ(IdOf(a.get()), 1);
    EXPECT_EQ(IdOf(b.get()), 2);
}

TEST(Collection, NoteDeleteRemovesItselfThroughItsCollection) {
    auto notes = NewNotes();
    auto a = AddNote(notes.get()), b = AddNote(notes.get());
    ASSERT_EQ(a->Delete(), S_OK);
    EXPECT_EQ(CountOf(notes.get()), 1);
    EXPECT_EQ(NoteAt(notes.get(), 1).get(), b.get());
    EXPECT_EQ(IdOf(b.get()), 1);
}

TEST(Collection, TransparencyLevelIsStoredUnchecked) {
    auto notes = NewNotes();
    auto note = AddNote(notes.get());
    for (long level : {300L, -1L, 0L, 128L}) {
        ASSERT_EQ(notes->put_TransparencyLevel(level), S_OK);
        long read = 0;
        EXPECT_EQ(notes->get_TransparencyLevel(&read), S_OK);
        EXPECT_EQ(read, level);
    }
    ASSERT_EQ(notes->put_ThroughClicks(VARIANT_TRUE), S_OK);
    VARIANT_BOOL through = 0;
    EXPECT_EQ(notes->get_ThroughClicks(&through), S_OK);
    EXPECT_EQ(through, VARIANT_TRUE);
}

TEST(Collection, IsChangedFollowsTextEditsOnly) {
    auto notes = NewNotes();
    auto a = AddNote(notes.get()), b = AddNote(notes.get());
    EXPECT_EQ(a->put_Left(900), S_OK);
    EXPECT_EQ(a->put_Color(0xC0FFFF), S_OK);
    auto title = MakeBstr(L"Shopping");
    EXPECT_EQ(a->put_Title(title.get()), S_OK);
    EXPECT_EQ(IsChanged(notes.get()), VARIANT_FALSE) << "moving, recolouring and retitling are no edits";
    auto text = MakeBstr(L"milk");
    BSTR t = text.get();
    EXPECT_EQ(b->put_Text(&t), S_OK);
    EXPECT_EQ(IsChanged(notes.get()), VARIANT_TRUE);
}

TEST(Collection, SetOnTopDefaultsToTrueAndMovesNoWindow) {
    auto notes = NewNotes();
    auto a = AddNote(notes.get()), b = AddNote(notes.get());
    ASSERT_EQ(a->Show(), S_OK);
    ASSERT_EQ(b->Show(), S_OK);
    auto windows = WindowsOfClass(L"CorkbaseNote");
    std::vector<LONG_PTR> exStyles;
    for (HWND w : windows) exStyles.push_back(GetWindowLongPtrW(w, GWL_EXSTYLE));

    EXPECT_EQ(notes->SetOnTop(nullptr), S_OK);
    for (auto* n : {a.get(), b.get()}) {
        VARIANT_BOOL top = 0;
        EXPECT_EQ(n->get_OnTop(&top), S_OK);
        EXPECT_EQ(top, VARIANT_TRUE);
    }
    for (size_t i = 0; i < windows.size(); ++i)
        EXPECT_EQ(GetWindowLongPtrW(windows[i], GWL_EXSTYLE) & WS_EX_TOPMOST, exStyles[i] & WS_EX_TOPMOST);

    VARIANT_BOOL off = VARIANT_FALSE;
    EXPECT_EQ(notes->SetOnTop(&off), S_OK);
    VARIANT_BOOL top = 1;
    EXPECT_EQ(b->get_OnTop(&top), S_OK);
    EXPECT_EQ(top, VARIANT_FALSE);
}

TEST(Collection, CollapseAllTogglesEachNote) {
    auto notes = NewNotes();
    auto a = AddNote(notes.get()), b = AddNote(notes.get());
    ASSERT_EQ(b->put_Collapsed(VARIANT_TRUE), S_OK);
    long h = 0;
    ASSERT_EQ(b->get_Height(&h), S_OK);
    ASSERT_EQ(h, 210);
    ASSERT_EQ(notes->CollapseAll(), S_OK);
    EXPECT_EQ(a->get_Height(&h), S_OK);
    EXPECT_EQ(h, 210) << "the expanded note collapses";
    EXPECT_EQ(b->get_Height(&h), S_OK);
    EXPECT_EQ(h, 1300) << "the collapsed note expands";
}

TEST(Collection, ShowAllAndHideAllReachEveryNote) {
    auto notes = NewNotes();
    auto a = AddNote(notes.get()), b = AddNote(notes.get());
    ASSERT_EQ(a->Hide(), S_OK);
    ASSERT_EQ(notes->ShowAll(), S_OK);
    for (auto* n : {a.get(), b.get()}) {
        VARIANT_BOOL visible = 0;
        EXPECT_EQ(n->get_IsVisible(&visible), S_OK);
        EXPECT_EQ(visible, VARIANT_TRUE);
    }
    ASSERT_EQ(notes->HideAll(), S_OK);
    for (auto* n : {a.get(), b.get()}) {
        VARIANT_BOOL visible = 1;
        EXPECT_EQ(n->get_IsVisible(&visible), S_OK);
        EXPECT_EQ(visible, VARIANT_FALSE);
    }
}

TEST(Collection, TheListIsALiveViewWithItemCountAndEnumeration) {
    auto notes = NewNotes();
    ComPtr<_NoteList> list;
    ASSERT_EQ(notes->get_Notes(list.put()), S_OK);
    auto a = AddNote(notes.get()), b = AddNote(notes.get());
    long count = 0;
    ASSERT_EQ(list->get_Count(&count), S_OK);
    EXPECT_EQ(count, 2) << "additions after the list was handed out show in it";

    ComPtr<IUnknown> unknown;
    ASSERT_EQ(list->get__NewEnum(unknown.put()), S_OK);
    auto items = unknown.as<IEnumVARIANT>(IID_IEnumVARIANT);
    ASSERT_TRUE(items);
    VARIANT v[3];
    ULONG fetched = 0;
    EXPECT_EQ(items->Next(3, v, &fetched), S_FALSE);
    ASSERT_EQ(fetched, 2u);
    ComPtr<_Note> first, second;
    v[0].pdispVal->QueryInterface(IID__Note, reinterpret_cast<void**>(first.put()));
    v[1].pdispVal->QueryInterface(IID__Note, reinterpret_cast<void**>(second.put()));
    EXPECT_EQ(first.get(), a.get());
    EXPECT_EQ(second.get(), b.get());
    VariantClear(&v[0]);
    VariantClear(&v[1]);

    long id = 1, result = 0;
    ASSERT_EQ(notes->DeleteNote(&id, &result), S_OK);
    ASSERT_EQ(list->get_Count(&count), S_OK);
    EXPECT_EQ(count, 1) << "deletions show too";
}

TEST(Collection, ItemOutOfRangeOrNotANumberFailsWithADescription) {
    auto notes = NewNotes();
    auto a = AddNote(notes.get());
    ComPtr<_NoteList> list;
    ASSERT_EQ(notes->get_Notes(list.put()), S_OK);

    VARIANT index;
    VariantInit(&index);
    index.vt = VT_I4;
    index.lVal = 2;
    ComPtr<_Note> note;
    EXPECT_TRUE(FAILED(list->get_Item(index, note.put())));
    EXPECT_EQ(LastErrorDescription(), L"There is no note 2 among 1 notes");

    auto text = MakeBstr(L"abc");
    index.vt = VT_BSTR;
    index.bstrVal = text.get();
    EXPECT_TRUE(FAILED(list->get_Item(index, note.put())));
    EXPECT_EQ(LastErrorDescription(), L"The index of a note must be a number");

    auto one = MakeBstr(L"1");
    index.bstrVal = one.get();
    EXPECT_EQ(list->get_Item(index, note.put()), S_OK) << "a number in text is a number";
    EXPECT_EQ(note.get(), a.get());
}

TEST(Collection, NotesOutlivingTheirCollectionSeeNoParent) {
    auto notes = NewNotes();
    auto kept = AddNote(notes.get());
    notes.reset();
    ComPtr<_Notes> parent;
    ASSERT_EQ(kept->get_Parent(parent.put()), S_OK);
    EXPECT_FALSE(parent);
    EXPECT_TRUE(FAILED(kept->Delete()));
    EXPECT_EQ(LastErrorDescription(), L"The note belongs to no collection");
    long left = -1;
    EXPECT_EQ(kept->get_Left(&left), S_OK) << "the note itself still works";
}
