#include "NoteList.h"

#include <vector>

#include "Note.h"
#include "Notes.h"

namespace corkbase {
namespace {

// Enumerates the notes as they stood when the enumeration began.
class NoteEnumerator final : public IEnumVARIANT, private ObjectCount {
public:
    static ComPtr<NoteEnumerator> Create(std::vector<ComPtr<Note>> items, ULONG position = 0) {
        return ComPtr<NoteEnumerator>::Attach(new NoteEnumerator(std::move(items), position));
    }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
        if (!ppv) return E_POINTER;
        if (riid == IID_IUnknown || riid == IID_IEnumVARIANT) {
            *ppv = static_cast<IEnumVARIANT*>(this);
            AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
    ULONG STDMETHODCALLTYPE Release() override {
        ULONG n = --refs_;
        if (n == 0) delete this;
        return n;
    }

    HRESULT STDMETHODCALLTYPE Next(ULONG count, VARIANT* items, ULONG* fetched) override {
        if (!items && count) return E_POINTER;
        // Only a caller asking for one item may leave out the count fetched.
        if (!fetched && count > 1) return E_INVALIDARG;
        ULONG n = 0;
        for (; n < count && position_ < items_.size(); ++n, ++position_) {
            VariantInit(&items[n]);
            items[n].vt = VT_DISPATCH;
            items[n].pdispVal = static_cast<_Note*>(items_[position_].get());
            items[n].pdispVal->AddRef();
        }
        if (fetched) *fetched = n;
        return n == count ? S_OK : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE Skip(ULONG count) override {
        // Compared with what is left, so that a huge count cannot wrap round to the start.
        ULONG left = static_cast<ULONG>(items_.size()) - position_;
        if (count > left) {
            position_ = static_cast<ULONG>(items_.size());
            return S_FALSE;
        }
        position_ += count;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Reset() override {
        position_ = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Clone(IEnumVARIANT** result) override {
        if (!result) return E_POINTER;
        try {
            *result = Create(items_, position_).detach();
            return S_OK;
        } catch (...) {
            *result = nullptr;
            return E_OUTOFMEMORY;
        }
    }

private:
    NoteEnumerator(std::vector<ComPtr<Note>> items, ULONG position) : items_(std::move(items)), position_(position) {}
    ~NoteEnumerator() = default;

    std::atomic<ULONG> refs_{1};
    std::vector<ComPtr<Note>> items_;
    ULONG position_;
};

}  // namespace

ComPtr<NoteList> NoteList::Create(Notes* notes) { return ComPtr<NoteList>::Attach(new NoteList(notes)); }

HRESULT NoteList::get_Count(long* result) {
    return Guarded([&] { *Out(result) = static_cast<long>(notes_->List().size()); });
}

HRESULT NoteList::get_Item(VARIANT index, _Note** result) {
    return Guarded([&] {
        *Out(result) = nullptr;
        tk::Variant value;
        // An object is no number: reading its default value would call into the caller's
        // process, whose answer qpost's notes would then wait for.
        if (FAILED(VariantCopyInd(value.get(), &index)) || value->vt == VT_DISPATCH || value->vt == VT_UNKNOWN ||
            FAILED(VariantChangeType(value.get(), value.get(), 0, VT_I4)))
            ThrowInvalidArgument(L"The index of a note must be a number");
        long position = value->lVal;
        const auto& list = notes_->List();
        if (position < 1 || static_cast<size_t>(position) > list.size())
            throw tk::Failure(DISP_E_BADINDEX, L"There is no note " + std::to_wstring(position) + L" among " +
                                                   std::to_wstring(list.size()) + L" notes");
        ComPtr<Note> note = list[static_cast<size_t>(position) - 1];
        *result = note.detach();
    });
}

HRESULT NoteList::get__NewEnum(IUnknown** result) {
    return Guarded([&] { *Out(result) = static_cast<IEnumVARIANT*>(NoteEnumerator::Create(notes_->List()).detach()); });
}

}  // namespace corkbase
