#pragma once
// The live, 1-based list of a collection's notes as scripts see it: Count, Item and
// enumeration in list order. It reads the collection at every call.
#include "Automation.h"

namespace corkbase {

class Notes;

class NoteList final : public Dispatch<_NoteList> {
public:
    static ComPtr<NoteList> Create(Notes* notes);

    HRESULT STDMETHODCALLTYPE get_Count(long* result) override;
    HRESULT STDMETHODCALLTYPE get_Item(VARIANT index, _Note** result) override;
    HRESULT STDMETHODCALLTYPE get__NewEnum(IUnknown** result) override;

private:
    explicit NoteList(Notes* notes) : notes_(notes) {}
    ComPtr<Notes> notes_;
};

}  // namespace corkbase
