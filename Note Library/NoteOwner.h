#pragma once
// The library's hidden window: it owns every note window (which keeps them off the
// taskbar) and releases a note after the window command that deleted it has returned.
#include <windows.h>

#include <unknwn.h>

namespace corkbase {

HWND NoteOwnerWindow();
// Releases the object once the message loop runs again, or at once if it cannot wait.
void ReleaseLater(IUnknown* object);
// Destroys the library's own windows and unregisters its window classes.
void ReleaseWindowResources();

}  // namespace corkbase
