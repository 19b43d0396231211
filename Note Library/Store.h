#pragma once
// The per-user settings store: HKEY_CURRENT_USER\Software\<application>\<section>, one
// REG_SZ value per key, and the rules for reading numbers and flags back from its text.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "Handles.h"

namespace corkbase {

class StoreSection {
public:
    // Opens the section for reading; a missing section reads as all defaults.
    static StoreSection ForReading(const std::wstring& application, const std::wstring& section);
    // Opens the section for writing, creating it when missing.
    static StoreSection ForWriting(const std::wstring& application, const std::wstring& section);

    // The stored text, or nothing when the key is missing. A value of another registry
    // type than text, or text holding a NUL character (which would come back cut short),
    // is a failure naming section and key.
    std::optional<std::wstring> Get(const std::wstring& key) const;
    // Whether the key holds a value, of whatever type.
    bool Holds(const std::wstring& key) const;
    void Save(const std::wstring& key, const std::wstring& value);
    // Removes the key; a missing one is no failure.
    void Remove(const std::wstring& key);

    // Typed reads with the default for a missing key; a text that does not convert is a
    // failure naming section, key and the text found.
    int32_t GetNumber(const std::wstring& key, int32_t fallback) const;
    bool GetFlag(const std::wstring& key, bool fallback) const;
    std::wstring GetText(const std::wstring& key, const std::wstring& fallback) const;

    // Whether the section is in the store.
    bool Exists() const { return static_cast<bool>(key_); }
    // The sections directly below this one.
    std::vector<std::wstring> Subsections() const;
    // Removes a section that holds no other section; a missing one is no failure.
    static void RemoveSection(const std::wstring& application, const std::wstring& section);

    // "section/key", as failures name a value.
    std::wstring Where(const std::wstring& key) const { return name_ + L"/" + key; }
    [[noreturn]] void Fail(const std::wstring& key, const std::wstring& what) const;

private:
    StoreSection(std::wstring name, tk::RegKey key) : name_(std::move(name)), key_(std::move(key)) {}
    std::wstring name_;
    tk::RegKey key_;  // empty for a missing section
};

// Runs before every value the store writes or removes; a failure it throws stops the save
// there, as if the process had died. The library's own does nothing: a test program links
// one of its own in its place.
void BeforeStoreWrite(const std::wstring& section, const std::wstring& key);

// A stored text read as a number, as twips a window can keep or as a flag; a text that
// does not convert fails naming where it was (section/key) and the text.
int32_t NumberFrom(const std::wstring& where, const std::wstring& text);
int32_t TwipsFrom(const std::wstring& where, const std::wstring& text);
bool FlagFrom(const std::wstring& where, const std::wstring& text);

// The section of the note at this 1-based position: note1, note2, ...
std::wstring NoteSection(size_t position);

// Decimal text with "." as the only separator, optional sign and fraction, blanks around;
// to the nearest 32-bit integer, halves to even. Nothing for anything else.
std::optional<int32_t> ParseNumber(const std::wstring& text);

// "True"/"False" in any letter case, or a number (zero is false). Nothing for anything else.
std::optional<bool> ParseFlag(const std::wstring& text);

}  // namespace corkbase
