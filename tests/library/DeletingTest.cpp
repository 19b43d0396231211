// Deleting a note is all or nothing: run out of memory at any step, the note is still a
// note of the list, or it is gone from the list and kept on top of the deleted notes.
#include <gtest/gtest.h>

#include <new>

#include "AllocationLimit.h"
#include "Note.h"
#include "Notes.h"
#include "Support.h"

TEST(Deleting, ANoteDeletedWhileMemoryRunsOutAtAnyStepStaysANoteOrIsKeptDeleted) {
    for (int step = 0;; ++step) {
        SCOPED_TRACE("allocation " + std::to_string(step) + " fails");
        tk::ComPtr<corkbase::Notes> notes = corkbase::Notes::Create();
        tk::ComPtr<_Note> note;
        ASSERT_EQ(notes->AddNote(note.put()), S_OK);
        static_cast<corkbase::Note*>(note.get())->Window();  // made before, so its making never fails

        test::allocationsLeft = step;
        bool threw = false;
        try {
            notes->Remove(1);
        } catch (const std::bad_alloc&) {
            threw = true;
        }
        const bool everyStepTried = test::allocationsLeft > 0;
        test::allocationsLeft = -1;

        long deleted = -1;
        ASSERT_EQ(notes->get_DeletedCount(&deleted), S_OK);
        if (threw) {
            EXPECT_EQ(notes->List().size(), 1u) << "still a note";
            EXPECT_EQ(deleted, 0);
        } else {
            EXPECT_TRUE(notes->List().empty());
        }
        if (everyStepTried) {
            EXPECT_EQ(deleted, 1) << "kept on top of the deleted notes";
            break;
        }
    }
}
