#pragma once
// The size of a new note, which Default Size All and a note stored without one also take.

namespace corkbase {

inline constexpr long kDefaultNoteWidth = 2500;   // twips
inline constexpr long kDefaultNoteHeight = 1300;  // twips

}  // namespace corkbase
