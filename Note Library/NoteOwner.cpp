#include "NoteOwner.h"

#include <memory>

#include "Form.h"
#include "Gdi.h"

namespace corkbase {
namespace {

constexpr UINT ReleaseMessage = WM_APP + 1;

class OwnerForm final : public tk::Form {
public:
    OwnerForm() : Form({.className = L"CorkbaseNoteOwner"}) {}

private:
    LRESULT OnMessage(UINT msg, WPARAM wp, LPARAM lp) override {
        if (msg == ReleaseMessage) {
            reinterpret_cast<IUnknown*>(lp)->Release();
            return 0;
        }
        // Closing this window would destroy every note window it owns.
        if (msg == WM_CLOSE) return 0;
        return Form::OnMessage(msg, wp, lp);
    }
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
    if (!PostMessageW(NoteOwnerWindow(), ReleaseMessage, 0, reinterpret_cast<LPARAM>(object))) object->Release();
}

void ReleaseWindowResources() {
    Owner().reset();
    tk::UnregisterFormClasses();
    tk::ReleaseSharedGdi();
}

}  // namespace corkbase
