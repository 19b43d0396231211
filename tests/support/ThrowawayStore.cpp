#include "ThrowawayStore.h"

#include <gtest/gtest.h>

namespace test {
namespace {

const wchar_t kThrowaway[] = L"Software\\QuillpostTests\\Store";
// Where the notes are stored, spelled out: a library that stored them elsewhere fails.
const std::wstring kStore = L"Software\\Corkbase";

}  // namespace

ThrowawayStore::ThrowawayStore() : StoreContents(nullptr) {
    RegDeleteTreeW(HKEY_CURRENT_USER, kThrowaway);
    EXPECT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, kThrowaway, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &root_, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(RegOverridePredefKey(HKEY_CURRENT_USER, root_), ERROR_SUCCESS);
}

ThrowawayStore::~ThrowawayStore() {
    RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
    if (gone_) RegCloseKey(gone_);
    RegCloseKey(root_);
    RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\QuillpostTests");
}

void StoreContents::Put(const std::wstring& section, const std::wstring& key, const std::wstring& value) {
    std::wstring path = kStore + L"\\" + section;
    ASSERT_EQ(RegSetKeyValueW(root_, path.c_str(), key.c_str(), REG_SZ, value.c_str(),
                              static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t))),
              ERROR_SUCCESS);
}

void StoreContents::PutDword(const std::wstring& section, const std::wstring& key, DWORD value) {
    std::wstring path = kStore + L"\\" + section;
    ASSERT_EQ(RegSetKeyValueW(root_, path.c_str(), key.c_str(), REG_DWORD, &value, sizeof(value)), ERROR_SUCCESS);
}

void StoreContents::Remove(const std::wstring& section, const std::wstring& key) {
    std::wstring path = kStore + L"\\" + section;
    if (key.empty())
        RegDeleteTreeW(root_, path.c_str());
    else
        RegDeleteKeyValueW(root_, path.c_str(), key.c_str());
}

namespace {

// The values of the key, and those of every key below it under "<name>\\<below>".
void DumpKey(HKEY key, const std::wstring& name, std::map<std::wstring, StoreContents::Section>& all) {
    StoreContents::Section& section = all[name];
    for (DWORD j = 0;; ++j) {
        wchar_t valueName[256];
        DWORD nameSize = 256, type = 0, bytes = 0;
        if (RegEnumValueW(key, j, valueName, &nameSize, nullptr, &type, nullptr, &bytes) != ERROR_SUCCESS) break;
        std::wstring data(bytes / sizeof(wchar_t) + 1, L'\0');
        nameSize = 256;
        DWORD size = static_cast<DWORD>(data.size() * sizeof(wchar_t));
        RegEnumValueW(key, j, valueName, &nameSize, nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &size);
        data.resize(type == REG_SZ ? wcsnlen(data.c_str(), data.size()) : 0);
        section[valueName] = StoreContents::Value{type, data};
    }
    wchar_t below[256];
    for (DWORD i = 0;; ++i) {
        DWORD n = 256;
        if (RegEnumKeyExW(key, i, below, &n, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        HKEY sub;
        if (RegOpenKeyExW(key, below, 0, KEY_READ, &sub) != ERROR_SUCCESS) continue;
        DumpKey(sub, name + L"\\" + below, all);
        RegCloseKey(sub);
    }
}

}  // namespace

std::map<std::wstring, StoreContents::Section> StoreContents::Dump() const {
    std::map<std::wstring, Section> all;
    HKEY app;
    if (RegOpenKeyExW(root_, kStore.c_str(), 0, KEY_READ, &app) != ERROR_SUCCESS) return all;
    wchar_t name[256];
    for (DWORD i = 0;; ++i) {
        DWORD n = 256;
        if (RegEnumKeyExW(app, i, name, &n, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        HKEY key;
        if (RegOpenKeyExW(app, name, 0, KEY_READ, &key) != ERROR_SUCCESS) continue;
        DumpKey(key, name, all);
        RegCloseKey(key);
    }
    RegCloseKey(app);
    return all;
}

void StoreContents::Clear() { RegDeleteTreeW(root_, kStore.c_str()); }

void ThrowawayStore::MakeUnwritable() {
    // Wine does not enforce a handle's access rights on the keys created below it; a key
    // that has been deleted refuses every write on every platform.
    ASSERT_EQ(RegCreateKeyExW(root_, L"Gone", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &gone_, nullptr), ERROR_SUCCESS);
    ASSERT_EQ(RegDeleteKeyW(root_, L"Gone"), ERROR_SUCCESS);
    ASSERT_EQ(RegOverridePredefKey(HKEY_CURRENT_USER, gone_), ERROR_SUCCESS);
}

}  // namespace test
