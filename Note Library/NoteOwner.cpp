#include "NoteOwner.h"

#include <memory>
#include <vector>

#include "Form.h"
#include "Gdi.h"

namespace corkbase {
namespace {

constexpr UINT ReleaseMessage = WM_APP + 1;

class OwnerForm final : public tk::Form {
public:
    OwnerForm() : Form({.className = L"CorkbaseNoteOwner"}) {}

    void ReleaseLater(IUnknown* object) {
        queued_.push_back(object);
        if (PostMessageW(hWnd(), ReleaseMessage, 0, 0)) return;
        queued_.pop_back();
        object->Release();
    }

private:
    LRESULT OnMessage(UINT msg, WPARAM wp, LPARAM lp) override {
        // Any program may post this message, with anything in it: it only says that the
        // loop runs again, and what is released is what this window queued itself.
        if (msg == ReleaseMessage) {
            std::vector<IUnknown*> due;
            due.swap(queued_);
            for (IUnknown* object : due) object->Release();
            return 0;
        }
        // Closing this window would destroy every note window it owns.
        if (msg == WM_CLOSE) return 0;
        return Form::OnMessage(msg, wp, lp);
    }

    std::vector<IUnknown*> queued_;  // each holds one reference, released at the next ReleaseMessage
};

std::unique_ptr<OwnerForm>& Owner() {
    static std::unique_ptr<OwnerForm> owner;
    return owner;
}

}  // namespace

HWND NoteOwnerWindow() {
    if (!Owner()) Owner() = std::make_unique<OwnerForm>();
    return Owner()->hWnd();
}

void ReleaseLater(IUnknown* object) {
    NoteOwnerWindow();
    Owner()->ReleaseLater(object);
}

void ReleaseWindowResources() {
    Owner().reset();
    tk::UnregisterFormClasses();
    tk::ReleaseSharedGdi();
}

}  // namespace corkbase
