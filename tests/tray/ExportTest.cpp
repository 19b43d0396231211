// Save As: every note's number, title and text in one text file the user names.
#include "TrayFixture.h"

using namespace tray;

namespace {

std::wstring ExportFolder() {
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    std::wstring folder = std::wstring(temp) + L"qpost-export\\";
    CreateDirectoryW(folder.c_str(), nullptr);
    return folder;
}

std::string ReadBytes(const std::wstring& path) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return "<missing>";
    std::string bytes(GetFileSize(file, nullptr), '\0');
    DWORD read = 0;
    ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr);
    CloseHandle(file);
    return bytes;
}

}  // namespace

class Export : public Tray {
protected:
    // Chooses Save As, types the name into the save dialog and confirms; returns the
    // message box that follows.
    std::optional<Dialog> SaveAs(Qpost& q, const std::wstring& name) {
        Choose(q, {L"Save As..."});
        auto save = WaitForDialog(q.pid(), L"Save As");
        EXPECT_TRUE(save) << "no save dialog";
        if (!save) return std::nullopt;
        HWND edit = GetDlgItem(save->hwnd, 0x47c);  // the file name box
        if (!edit) edit = GetDlgItem(save->hwnd, 0x480);
        EXPECT_NE(edit, nullptr);
        SetWindowTextW(edit, name.c_str());
        PostMessageW(save->hwnd, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(save->hwnd, IDOK)));
        EXPECT_TRUE(WaitFor([&] { return !IsWindow(save->hwnd); })) << "the save dialog stayed open";
        auto message = WaitForDialog(q.pid(), L"Quillpost");
        if (message) Press(message->hwnd, L"OK");
        return message;
    }

    void StoreShopMilk() {
        store.Put(L"General", L"notes", L"1");
        store.Put(L"note1", L"title", L"Shop");
        store.Put(L"note1", L"text", L"milk");
    }
};

TEST_F(Export, OneNoteGivesItsExactBytesAndTheSuccessMessage) {
    StoreShopMilk();
    auto q = Start();
    ASSERT_EQ(q->WaitForNotes(1).size(), 1u);
    std::wstring path = ExportFolder() + L"shop.txt";
    DeleteFileW(path.c_str());
    auto message = SaveAs(*q, path);
    ASSERT_TRUE(message);
    EXPECT_EQ(message->text, L"Successfully saved to " + path);
    EXPECT_EQ(ReadBytes(path), "\r\nNote #1\r\n\r\nTitleShop\r\n-----------\r\n\r\nmilk\r\n");
    EXPECT_EQ(ReadBytes(path).size(), 45u);
}

TEST_F(Export, HiddenNotesAndEmptyTitlesAreExportedInListOrder) {
    store.Put(L"General", L"notes", L"2");
    store.Put(L"note1", L"visible", L"0");
    store.Put(L"note1", L"text", L"one\r\ntwo");
    store.Put(L"note2", L"title", L"B");
    auto q = Start();
    ASSERT_EQ(q->WaitForNotes(2).size(), 2u);
    std::wstring path = ExportFolder() + L"both.txt";
    ASSERT_TRUE(SaveAs(*q, path));
    EXPECT_EQ(ReadBytes(path),
              "\r\nNote #1\r\n\r\nTitle\r\n-----------\r\n\r\none\r\ntwo\r\n"
              "\r\nNote #2\r\n\r\nTitleB\r\n-----------\r\n\r\n\r\n");
}

TEST_F(Export, TheNameGetsTxtUnlessItEndsInTxtInAnyCase) {
    StoreShopMilk();
    auto q = Start();
    ASSERT_EQ(q->WaitForNotes(1).size(), 1u);
    std::wstring folder = ExportFolder();
    for (auto [typed, written] : std::vector<std::pair<std::wstring, std::wstring>>{
             {L"report", L"report.txt"}, {L"upper.TXT", L"upper.TXT"}, {L"report.doc", L"report.doc.txt"}}) {
        DeleteFileW((folder + written).c_str());
        auto message = SaveAs(*q, folder + typed);
        ASSERT_TRUE(message);
        EXPECT_EQ(message->text, L"Successfully saved to " + folder + written);
        EXPECT_EQ(ReadBytes(folder + written).size(), 45u) << std::string(written.begin(), written.end());
    }
}

TEST_F(Export, ANoteOutsideTheAnsiCodePageIsWrittenAsUtf8) {
    store.Put(L"General", L"notes", L"1");
    store.Put(L"note1", L"title", L"\u4e2d");
    store.Put(L"note1", L"text", L"\u00e9");
    auto q = Start();
    ASSERT_EQ(q->WaitForNotes(1).size(), 1u);
    std::wstring path = ExportFolder() + L"unicode.txt";
    ASSERT_TRUE(SaveAs(*q, path));
    EXPECT_EQ(ReadBytes(path), "\xEF\xBB\xBF\r\nNote #1\r\n\r\nTitle\xE4\xB8\xAD\r\n-----------\r\n\r\n\xC3\xA9\r\n");
}

TEST_F(Export, AFileThatCannotBeWrittenIsReported) {
    StoreShopMilk();
    auto q = Start();
    ASSERT_EQ(q->WaitForNotes(1).size(), 1u);
    std::wstring path = ExportFolder() + L"no such folder\\notes.txt";
    auto message = SaveAs(*q, path);
    ASSERT_TRUE(message);
    EXPECT_NE(message->text.find(L"could not save the notes to " + path), std::wstring::npos)
        << std::string(message->text.begin(), message->text.end());
    EXPECT_TRUE(q->Running()) << "the program goes on";
}

TEST_F(Export, AnExistingFileIsReplacedWholeAndOneThatCannotBeKeepsItsBytes) {
    StoreShopMilk();
    auto q = Start();
    ASSERT_EQ(q->WaitForNotes(1).size(), 1u);
    std::wstring folder = ExportFolder() + L"replace\\";
    CreateDirectoryW(folder.c_str(), nullptr);
    std::wstring path = folder + L"old.txt";
    {
        tk::UniqueFile old(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
        DWORD written = 0;
        ASSERT_TRUE(::WriteFile(old.get(), "old notes", 9, &written, nullptr));
    }
    {
        // Held open by another program, the old file cannot be replaced: it keeps every byte.
        tk::UniqueFile held(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                        OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(held);
        auto message = SaveAs(*q, path);
        ASSERT_TRUE(message);
        EXPECT_NE(message->text.find(L"could not save the notes to " + path), std::wstring::npos)
            << test::Narrow(message->text);
        EXPECT_EQ(ReadBytes(path), "old notes");
    }
    // A file of another program's that has the name the new file would first take keeps its bytes.
    std::wstring other = path + L".0.qpe";
    {
        tk::UniqueFile file(CreateFileW(other.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
        DWORD written = 0;
        ASSERT_TRUE(::WriteFile(file.get(), "theirs", 6, &written, nullptr));
    }
    auto message = SaveAs(*q, path);
    ASSERT_TRUE(message);
    EXPECT_EQ(message->text, L"Successfully saved to " + path);
    EXPECT_EQ(ReadBytes(path).size(), 45u);
    EXPECT_EQ(ReadBytes(other), "theirs");
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((folder + L"*").c_str(), &found);
    ASSERT_NE(search, INVALID_HANDLE_VALUE);
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(found.cFileName);
    } while (FindNextFileW(search, &found));
    FindClose(search);
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::wstring>{L"old.txt", L"old.txt.0.qpe"})) << "a temporary file was left beside the export";
}

TEST_F(Export, AReadOnlyFileIsRefusedAndKeepsItsBytesAndAttributes) {
    StoreShopMilk();
    auto q = Start();
    ASSERT_EQ(q->WaitForNotes(1).size(), 1u);
    std::wstring folder = ExportFolder() + L"read-only\\";
    CreateDirectoryW(folder.c_str(), nullptr);
    std::wstring path = folder + L"kept.txt";
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    {
        tk::UniqueFile old(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
        DWORD written = 0;
        ASSERT_TRUE(::WriteFile(old.get(), "kept notes", 10, &written, nullptr));
    }
    ASSERT_TRUE(SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_READONLY));
    auto message = SaveAs(*q, path);
    ASSERT_TRUE(message);
    EXPECT_NE(message->text.find(L"could not save the notes to " + path), std::wstring::npos)
        << test::Narrow(message->text);
    EXPECT_EQ(ReadBytes(path), "kept notes");
    EXPECT_NE(GetFileAttributesW(path.c_str()) & FILE_ATTRIBUTE_READONLY, 0u) << "the file is still read-only";
    // Made writable again, the same file is replaced as any other.
    ASSERT_TRUE(SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL));
    message = SaveAs(*q, path);
    ASSERT_TRUE(message);
    EXPECT_EQ(message->text, L"Successfully saved to " + path);
    EXPECT_EQ(ReadBytes(path).size(), 45u);
}
