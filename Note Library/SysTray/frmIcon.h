#pragma once
// The tray program's hidden main window: it owns the tray icon and its popup menu, keeps
// the program's one collection of notes, and runs start-up and shutdown.
#include "AutoSaveSchedule.h"
#include "Control.h"
#include "Form.h"
#include <optional>

#include "Handles.h"
#include "NoteLibrary.h"
#include "NotesServer.h"
#include "PopupMenu.h"
#include "frmNoteDeleted.h"

namespace qpost {

class frmIcon final : public tk::Form {
public:
    frmIcon();

    // Refuses a second copy (quietly when started for a script: the script reaches the
    // first) and makes sure the note library can be created, registering it once if need
    // be, and that Quillpost.Notes starts this program. False: the program must end now.
    bool Form_Initialize();

    // Cuts text before its first NUL, in place, and returns it.
    static std::wstring& TrimAtNull(std::wstring& text);

    // Shows the notice once a note's own Delete command has deleted a note. Cheap while
    // nothing was deleted: the message loop calls it after every message, so the notice
    // shows as the command returns, and so does the autosave tick.
    void Deleted_Check();

private:
    void Form_Load() override;
    void Form_MouseMove(const tk::MouseEvent& e) override;
    LRESULT OnMessage(UINT msg, WPARAM wp, LPARAM lp) override;
    // Until the notes have loaded whole (while they load, and after a load that failed):
    // every way out ends the program without writing, and nothing saves.
    LRESULT NotLoaded_Message(UINT msg, WPARAM wp, LPARAM lp);
    // Claims the store for the notes on the screen before they load, so that a script's own
    // collection saving meanwhile is refused rather than overwritten; ends when it cannot.
    void KeepStoreOrEnd();
    // Ends the program without writing the store, its icon and its class gone.
    [[noreturn]] void EndWithoutSaving();
    // Asks whether to set aside the unreadable record of a save cut short, to start with
    // the notes the sections hold, and does so, returning the record's new name; No, or a
    // record that cannot be moved, ends the program with nothing changed.
    std::wstring SetAsideUnfinishedSaveOrEnd(const std::wstring& description);
    // The shutdown routine. With ask, a failed save asks whether to exit anyway.
    void Form_Unload(bool ask);

    void mnuNew_Click();
    void mnuShowAll_Click();
    void mnuHideAll_Click();
    void mnuDefaultSize_Click();
    void mnuSaveAll_Click();
    void mnuSaveAs_Click();
    void mnuFindInNotes_Click();
    void mnuOptions_Click();
    void mnuExit_Click();
    // The "Deleted Notes" submenu as it stands when the menu opens.
    std::vector<tk::MenuItem> mnuDeleted_Items();
    // Brings back the deleted note that has this DeletedID; one no longer kept is left be.
    void mnuDeletedNote_Click(long id);
    void mnuEmptyDeleted_Click();
    void ShowPopup();

    // Saving on its own: a tick each second saves when the schedule says a save is due.
    void AutoSave_Timer();
    // Saves every note and option now; what the store holds is then the notes as they are.
    void SaveAll();
    void Saved();
    // Saves when anything differs from what was last saved; a failure goes to the log.
    void SaveIfChanged();

    // Created by class at its first use.
    _Notes* objNotes();
    // The same collection through the interface that finds and keeps deleted notes.
    _Notes2* objNotes2();
    // Runs a command; a failure is reported in a message box and the program goes on.
    template <class F>
    void Command(F&& body);

    tk::ComPtr<_Notes> notes_;
    tk::ComPtr<_Notes2> notes2_;
    tk::ComPtr<_Note> objLastNote;
    tk::PopupMenu mnuPopup;
    tk::UniqueHandle instanceMutex_;
    std::optional<NotesServer> server_;  // the notes on the screen, for scripts
    frmNoteDeleted notice_;
    long noticeID_ = 0;       // the DeletedID of the note the notice brings back
    long lastByCommand_ = 0;  // the last deletion by a note's own command that qpost has seen
    HICON icon_ = nullptr;  // shared resource icon, never destroyed
    UINT taskbarCreated_ = 0;
    AutoSaveSchedule autoSave_;
    bool autoSaveFailed_ = false;  // reported once until a save succeeds
    bool loaded_ = false;          // until LoadAll has succeeded the collection may be half loaded: never saved
};

}  // namespace qpost
