// The library's warnings, caught through its warning sink: DeleteNote's, and failures
// that are discarded by design.
#include <gtest/gtest.h>

#include "EventLog.h"
#include "Note.h"
#include "Notes.h"
#include "Support.h"
#include "ThrowawayStore.h"

TEST(Warning, DeleteNoteWithABadIdLogsAWarningNamingTheNote) {
    std::vector<std::wstring> warnings;
    auto previous = corkbase::SetWarningSink([&](const std::wstring& text) { warnings.push_back(text); });
    auto notes = corkbase::Notes::Create();
    tk::ComPtr<_Note> a, b;
    ASSERT_EQ(notes->AddNote(a.put()), S_OK);
    ASSERT_EQ(notes->AddNote(b.put()), S_OK);
    long id = 5, result = -1;
    EXPECT_EQ(notes->DeleteNote(&id, &result), S_OK);
    EXPECT_EQ(result, 0);
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_EQ(warnings[0], L"Corkbase error: There is no note 5 among 2 notes");

    // A late-bound caller that gives no number at all is told nothing either.
    result = -1;
    EXPECT_EQ(notes->DeleteNote(nullptr, &result), S_OK);
    EXPECT_EQ(result, 0);
    ASSERT_EQ(warnings.size(), 2u);
    EXPECT_EQ(warnings[1], L"Corkbase error: DeleteNote was given no note number");

    id = 2;
    EXPECT_EQ(notes->DeleteNote(&id, &result), S_OK);
    EXPECT_EQ(warnings.size(), 2u) << "a good ID logs nothing";
    corkbase::SetWarningSink(previous);
}

TEST(Warning, AFailureDiscardedByDesignStillReachesTheSinkOnce) {
    std::vector<std::wstring> warnings;
    auto previous = corkbase::SetWarningSink([&](const std::wstring& text) { warnings.push_back(text); });
    auto note = corkbase::Note::Create();
    corkbase::frmNote& w = note->Window();
    w.Show();
    DestroyWindow(w.hWnd());  // lost to something outside the library
    int32_t level = 128;
    bool allow = false;
    w.SetTransparencyLevelAndThroughClicks(level, allow);  // cosmetic: discarded
    w.SetTransparencyLevelAndThroughClicks(level, allow);
    ASSERT_EQ(warnings.size(), 1u) << "the same failure is reported once";
    EXPECT_EQ(warnings[0].rfind(L"Corkbase: applying the transparency level and click-through failed: Note 0 has lost "
                                L"its window",
                                0),
              0u)
        << test::Narrow(warnings[0]);
    corkbase::SetWarningSink(previous);
}

TEST(Warning, AnUnreadableTextSizeOrOneThatIsNoStepLoadsAsDesignedWithOneWarningEach) {
    test::ThrowawayStore store;
    store.Put(L"General", L"notes", L"4");
    store.Put(L"note1", L"zoom", L"abc");
    store.Put(L"note2", L"zoom", L"1000");
    store.Put(L"note3", L"zoom", L"150");
    store.PutDword(L"note4", L"zoom", 150);
    std::vector<std::wstring> warnings;
    auto previous = corkbase::SetWarningSink([&](const std::wstring& text) { warnings.push_back(text); });
    auto notes = corkbase::Notes::Create();
    EXPECT_EQ(notes->LoadAll(), S_OK);
    corkbase::SetWarningSink(previous);
    std::vector<std::wstring> expected{
        L"Corkbase: note1/zoom: \"abc\" is not one of the text sizes 50, 67, 75, 90, 100, 110, 125, 150, 175, 200, "
        L"250, 300 or 400; the note's text is shown at 100 percent",
        L"Corkbase: note2/zoom: \"1000\" is not one of the text sizes 50, 67, 75, 90, 100, 110, 125, 150, 175, 200, "
        L"250, 300 or 400; the note's text is shown at 100 percent",
        L"Corkbase: note4/zoom: the stored value is not text; the note's text is shown at 100 percent"};
    EXPECT_EQ(warnings, expected);
    ASSERT_EQ(test::CountOf(notes.get()), 4);
    for (long i : {1, 2, 3, 4})
        EXPECT_EQ(corkbase::Read(test::NoteAt(notes.get(), i).get(), &_Note2::get_Zoom), i == 3 ? 150 : 100);
}
