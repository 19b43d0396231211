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

private:
    void Form_Load() override;
    void Form_MouseMove(const tk::MouseEvent& e) override;
    LRESULT OnMessage(UINT msg, WPARAM wp, LPARAM lp) override;
    // While the notes that failed to load are on screen: every way out ends the program
    // without writing, and nothing saves.
    LRESULT LoadFailed_Message(UINT msg, WPARAM wp, LPARAM lp);
    // The shutdown routine. With ask, a failed save asks whether to exit anyway.
    void Form_Unload(bool ask);

    void mnuNew_Click();
    void mnuShowAll_Click();
    void mnuHideAll_Click();
    void mnuDefaultSize_Click();
    void mnuSaveAll_Click();
    void mnuSaveAs_Click();
    void mnuOptions_Click();
    void mnuExit_Click();
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
    // Runs a command; a failure is reported in a message box and the program goes on.
    template <class F>
    void Command(F&& body);

    tk::ComPtr<_Notes> notes_;
    tk::ComPtr<_Note> objLastNote;
    tk::PopupMenu mnuPopup;
    tk::UniqueHandle instanceMutex_;
    std::optional<NotesServer> server_;  // the notes on the screen, for scripts
    HICON icon_ = nullptr;  // shared resource icon, never destroyed
    UINT taskbarCreated_ = 0;
    AutoSaveSchedule autoSave_;
    bool autoSaveFailed_ = false;  // reported once until a save succeeds
    bool loadFailed_ = false;        // the collection is half loaded and must never be saved
};

}  // namespace qpost
