#pragma once
// The export file of Save As: the notes as text, encoded so that no character is lost,
// and written so that a failed write leaves the old file as it was.
#include <string>

#include "NoteLibrary.h"

namespace qpost {

// The whole export file for the notes, as text.
std::wstring ExportText(_Notes* notes);

// The file's bytes: the ANSI code page when every character fits it, else UTF-8 with a
// byte-order mark, so that no character is ever replaced by "?".
std::string EncodeExport(const std::wstring& text);

// Writes a new file beside the chosen one and puts it in its place only once it is
// complete: a write that fails (a full disk) leaves the old file as it was. A read-only
// file is refused and left as it was.
void WriteExportFile(const std::wstring& path, const std::string& bytes);

}  // namespace qpost
