#pragma once
// Serving the notes on the screen to other processes: qpost's class object for
// Quillpost.Notes, its entry in the running object table, and the message filter that
// holds calls back while the person is in a menu, dialog or message box.
#include <windows.h>

#include <objbase.h>

#include "NoteLibrary.h"

namespace qpost {

class NotesServer {
public:
    // Offers the class from now on, or from when the system's COM service runs; calls wait,
    // or are told to retry later, until Serve.
    explicit NotesServer(HWND main);
    ~NotesServer();
    NotesServer(const NotesServer&) = delete;
    NotesServer& operator=(const NotesServer&) = delete;

    // The notes are loaded: every creation and every running-object look-up gets them.
    void Serve(_Notes* notes);
    // Each second: offers the class once the system's COM service runs, where it did not
    // at start-up.
    void Tick();
    // No new calls are served, and every script's reference fails from its next call on.
    void Stop();

private:
    class Factory final : public IClassFactory {
    public:
        explicit Factory(NotesServer& server) : server_(server) {}
        HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
        // Owned by the server, which outlives every registration of it.
        ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
        ULONG STDMETHODCALLTYPE Release() override { return 1; }
        HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID riid, void** ppv) override;
        // qpost runs as long as the person wants it, never as long as its clients do.
        HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }

    private:
        NotesServer& server_;
    };

    class Filter final : public IMessageFilter {
    public:
        explicit Filter(NotesServer& server) : server_(server) {}
        HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
        ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
        ULONG STDMETHODCALLTYPE Release() override { return 1; }
        DWORD STDMETHODCALLTYPE HandleInComingCall(DWORD type, HTASK caller, DWORD tick, INTERFACEINFO* info) override;
        // qpost calls no other process: these are never asked.
        DWORD STDMETHODCALLTYPE RetryRejectedCall(HTASK, DWORD, DWORD) override { return static_cast<DWORD>(-1); }
        DWORD STDMETHODCALLTYPE MessagePending(HTASK, DWORD, DWORD) override { return PENDINGMSG_WAITDEFPROCESS; }

    private:
        NotesServer& server_;
    };

    // Registers the class, and lists the notes once they are served.
    void Offer();
    void List();

    HWND main_;
    Factory factory_{*this};
    Filter filter_{*this};
    _Notes* notes_ = nullptr;  // qpost's own, held by the main window while served
    DWORD classCookie_ = 0, runningCookie_ = 0;
    bool filtering_ = false;
    bool offered_ = false;  // the class is registered (or its registration failed for good)
};

}  // namespace qpost
