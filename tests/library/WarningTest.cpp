// DeleteNote's warning, caught through the library's warning sink.
#include <gtest/gtest.h>

#include "EventLog.h"
#include "Notes.h"
#include "Support.h"

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

    id = 2;
    EXPECT_EQ(notes->DeleteNote(&id, &result), S_OK);
    EXPECT_EQ(warnings.size(), 1u) << "a good ID logs nothing";
    corkbase::SetWarningSink(previous);
}
