#pragma once
#include <windows.h>

#include <map>
#include <string>
#include <vector>

namespace test {

// Reads and writes the notes' store, Software\Corkbase below a root key.
class StoreContents {
public:
    explicit StoreContents(HKEY root) : root_(root) {}

    struct Value {
        DWORD type;
        std::wstring text;
        bool operator==(const Value&) const = default;
    };
    using Section = std::map<std::wstring, Value>;

    // Writes Software\Corkbase\<section>\<key> (REG_SZ unless a type is given).
    void Put(const std::wstring& section, const std::wstring& key, const std::wstring& value);
    void PutDword(const std::wstring& section, const std::wstring& key, DWORD value);
    void Remove(const std::wstring& section, const std::wstring& key = L"");
    // Every section of Software\Corkbase with every value in it; a section below another
    // as "<section>\<below>".
    std::map<std::wstring, Section> Dump() const;
    // Removes the whole store.
    void Clear();

protected:
    HKEY root_;
};

// Points this process's HKEY_CURRENT_USER at a throwaway key for one test, so that the
// library's store is read and written there and a person's notes are never touched.
class ThrowawayStore : public StoreContents {
public:
    ThrowawayStore();
    ~ThrowawayStore();
    ThrowawayStore(const ThrowawayStore&) = delete;
    ThrowawayStore& operator=(const ThrowawayStore&) = delete;

    // Makes HKEY_CURRENT_USER refuse every write until the test ends.
    void MakeUnwritable();

private:
    HKEY gone_ = nullptr;
};

}  // namespace test
