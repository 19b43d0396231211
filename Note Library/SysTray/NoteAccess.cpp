#include "NoteAccess.h"

#include "Failure.h"

namespace qpost {

tk::ComPtr<_NoteList> ListOf(_Notes* notes) {
    tk::ComPtr<_NoteList> list;
    tk::CheckCall(notes->get_Notes(list.put()));
    return list;
}

tk::ComPtr<_Note> ItemOf(_NoteList* list, long position) {
    VARIANT index;
    VariantInit(&index);
    index.vt = VT_I4;
    index.lVal = position;
    tk::ComPtr<_Note> note;
    tk::CheckCall(list->get_Item(index, note.put()));
    return note;
}

}  // namespace qpost
