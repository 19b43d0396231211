#include "NotesServer.h"

#include <oleauto.h>

#include <thread>
#include <utility>

#include "Discarded.h"
#include "Failure.h"
#include "NotesClass.h"
#include "modAutoSave.h"

namespace qpost {

namespace {

// Whether the system's COM service runs. Wine starts it on demand, and where it cannot,
// every registration waits several seconds for it before failing: qpost would neither
// draw nor answer meanwhile. A system that does not say runs it, as Windows always does.
bool ComServiceRunning() {
    SC_HANDLE manager = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT);
    if (!manager) return true;
    SC_HANDLE service = OpenServiceW(manager, L"RpcSs", SERVICE_QUERY_STATUS);
    SERVICE_STATUS status{};
    bool running = !service || !QueryServiceStatus(service, &status) || status.dwCurrentState == SERVICE_RUNNING;
    if (service) CloseServiceHandle(service);
    CloseServiceHandle(manager);
    return running;
}

// Asks for the COM service on a thread of its own, so that the wait is nobody's.
void StartComService() {
    std::thread([] {
        SC_HANDLE manager = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT);
        if (!manager) return;
        if (SC_HANDLE service = OpenServiceW(manager, L"RpcSs", SERVICE_START)) {
            StartServiceW(service, 0, nullptr);
            CloseServiceHandle(service);
        }
        CloseServiceHandle(manager);
    }).detach();
}

}  // namespace

NotesServer::NotesServer(HWND main) : main_(main) {
    // Without either, qpost still shows and saves the notes; scripts cannot reach them.
    tk::Discarding(L"holding calls back during menus and dialogs",
                   [&] { tk::Check(CoRegisterMessageFilter(&filter_, nullptr), L"Cannot register the filter"); });
    filtering_ = true;
    if (ComServiceRunning())
        Offer();
    else
        StartComService();
}

NotesServer::~NotesServer() { Stop(); }

void NotesServer::Offer() {
    tk::Discarding(L"offering the notes to scripts", [&] {
        tk::Check(CoRegisterClassObject(CLSID_QuillpostNotes, &factory_, CLSCTX_LOCAL_SERVER, REGCLS_MULTIPLEUSE,
                                        &classCookie_),
                  L"Cannot offer the Quillpost.Notes class");
    });
    offered_ = true;
    if (notes_) List();
}

void NotesServer::List() {
    tk::Discarding(L"listing the notes as a running object", [&] {
        tk::Check(RegisterActiveObject(notes_, CLSID_QuillpostNotes, ACTIVEOBJECT_STRONG, &runningCookie_),
                  L"Cannot list the notes as a running object");
    });
}

void NotesServer::Serve(_Notes* notes) {
    notes_ = notes;
    if (offered_) List();
}

void NotesServer::Tick() {
    if (!offered_ && notes_ && ComServiceRunning()) Offer();
}

void NotesServer::Stop() {
    _Notes* served = std::exchange(notes_, nullptr);
    if (runningCookie_) RevokeActiveObject(std::exchange(runningCookie_, 0), nullptr);
    if (classCookie_) CoRevokeClassObject(std::exchange(classCookie_, 0));
    // A script still holding the notes gets an error at its next call instead of an answer.
    if (served) CoDisconnectObject(served, 0);
    if (std::exchange(filtering_, false)) CoRegisterMessageFilter(nullptr, nullptr);
}

HRESULT NotesServer::Factory::QueryInterface(REFIID riid, void** ppv) {
    if (!ppv) return E_POINTER;
    *ppv = riid == IID_IUnknown || riid == IID_IClassFactory ? static_cast<IClassFactory*>(this) : nullptr;
    return *ppv ? S_OK : E_NOINTERFACE;
}

HRESULT NotesServer::Factory::CreateInstance(IUnknown* outer, REFIID riid, void** ppv) {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    if (!server_.notes_) return CO_E_SERVER_STOPPING;
    return server_.notes_->QueryInterface(riid, ppv);
}

HRESULT NotesServer::Filter::QueryInterface(REFIID riid, void** ppv) {
    if (!ppv) return E_POINTER;
    *ppv = riid == IID_IUnknown || riid == IID_IMessageFilter ? static_cast<IMessageFilter*>(this) : nullptr;
    return *ppv ? S_OK : E_NOINTERFACE;
}

namespace {

// Wine 8 runs a call its filter asks to retry later as if it were handled (it has no
// retrying on the caller's side yet), so there the call is refused outright; either way
// the caller gets an error at once and may call again.
DWORD HeldBack() {
    static const bool wine = GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
    return wine ? SERVERCALL_REJECTED : SERVERCALL_RETRYLATER;
}

// The interfaces a script reaches the notes through. Others pass at any time: a screen
// reader reads the open menu or dialog through its accessible objects.
bool ReachesTheNotes(REFIID iid) {
    for (const IID* notes : {&IID_IDispatch, &IID__Notes, &IID__Notes2, &IID__Note, &IID__Note2, &IID__NoteList})
        if (iid == *notes) return true;
    return false;
}

}  // namespace

DWORD NotesServer::Filter::HandleInComingCall(DWORD, HTASK, DWORD, INTERFACEINFO* info) {
    if (info && !ReachesTheNotes(info->iid)) return SERVERCALL_ISHANDLED;
    // A call run inside a menu, dialog or message box would change the notes under it; one
    // before the notes are loaded would find them half made.
    if (!server_.notes_ || modAutoSave::ModalOpen(server_.main_)) return HeldBack();
    return SERVERCALL_ISHANDLED;
}

}  // namespace qpost
