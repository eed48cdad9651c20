// The program's resources as windres built them: the sheets' sizes, icon,
// cursor, menu, and the two dialog templates with their fonts and texts.
#include <cstring>

#include "game/Game.h"
#include "resources/WindowsResources.h"
#include "tests/windows/WinCheck.h"

namespace {

std::string Narrow(const wchar_t* text) {
    std::string out;
    int size = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (size > 1) {
        out.resize(static_cast<size_t>(size) - 1);
        WideCharToMultiByte(CP_UTF8, 0, text, -1, out.data(), size, nullptr, nullptr);
    }
    return out;
}

// Reads a dialog template field by field.
struct TemplateReader {
    const BYTE* at;
    WORD Word() {
        WORD v;
        std::memcpy(&v, at, 2);
        at += 2;
        return v;
    }
    DWORD Dword() {
        DWORD v;
        std::memcpy(&v, at, 4);
        at += 4;
        return v;
    }
    BYTE Byte() { return *at++; }
    // A string (or 0xFFFF and an ordinal, returned as "#n").
    std::string Text() {
        const WORD first = Word();
        if (first == 0xFFFF) {
            char ordinal[16];
            std::snprintf(ordinal, sizeof ordinal, "#%u", static_cast<unsigned>(Word()));
            return ordinal;
        }
        std::wstring text;
        for (WORD c = first; c != 0; c = Word()) {
            text += static_cast<wchar_t>(c);
        }
        return Narrow(text.c_str());
    }
};

const BYTE* DialogTemplate(int id) {
    HMODULE module = GetModuleHandleA(nullptr);
    HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(5));
    if (found == nullptr) {
        return nullptr;
    }
    return static_cast<const BYTE*>(LockResource(LoadResource(module, found)));
}

std::string MenuText(HMENU menu, UINT item, UINT flags) {
    wchar_t text[64] = {};
    GetMenuStringW(menu, item, text, 64, flags);
    return Narrow(text);
}

constexpr DWORD kDialogStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT;

}  // namespace

WIN_TEST(ResourcesHoldEverySheetAtItsSize) {
    for (int32_t i = 0; i < kSheetCount; ++i) {
        HBITMAP bitmap = LoadBitmapA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDB_FIRST + i));
        REQUIRE(bitmap != nullptr);
        BITMAP info = {};
        GetObjectA(bitmap, sizeof(info), &info);
        CHECK_EQ(info.bmWidth, kSheetTable[i].width);
        CHECK_EQ(info.bmHeight, kSheetTable[i].height);
        DeleteObject(bitmap);
    }
}

WIN_TEST(ResourcesIconCursorAndMenu) {
    HINSTANCE instance = GetModuleHandleA(nullptr);
    HICON icon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_GAME));
    REQUIRE(icon != nullptr);
    HCURSOR cursor = LoadCursorA(instance, MAKEINTRESOURCEA(IDC_GAME));
    REQUIRE(cursor != nullptr);
    ICONINFO info = {};
    REQUIRE(GetIconInfo(cursor, &info));
    CHECK(!info.fIcon);
    CHECK_EQ(info.xHotspot, 0u);
    CHECK_EQ(info.yHotspot, 0u);
    DeleteObject(info.hbmMask);
    DeleteObject(info.hbmColor);

    HMENU menu = LoadMenuA(instance, MAKEINTRESOURCEA(IDR_MENU));
    REQUIRE(menu != nullptr);
    CHECK_EQ(GetMenuItemCount(menu), 2);
    CHECK(MenuText(menu, 0, MF_BYPOSITION) == "ファイル(&F)");
    CHECK(MenuText(menu, 1, MF_BYPOSITION) == "ヘルプ(&H)");
    HMENU file = GetSubMenu(menu, 0);
    REQUIRE(file != nullptr);
    CHECK_EQ(GetMenuItemCount(file), 3);
    CHECK_EQ(GetMenuItemID(file, 0), static_cast<UINT>(IDM_HIGHSCORES));
    CHECK(MenuText(file, IDM_HIGHSCORES, MF_BYCOMMAND) == "ハイスコアを見る(&S)");
    CHECK((GetMenuState(file, 1, MF_BYPOSITION) & MF_SEPARATOR) != 0);
    CHECK_EQ(GetMenuItemID(file, 2), static_cast<UINT>(IDM_EXIT));
    CHECK(MenuText(file, IDM_EXIT, MF_BYCOMMAND) == "終了(&E)");
    HMENU help = GetSubMenu(menu, 1);
    REQUIRE(help != nullptr);
    CHECK_EQ(GetMenuItemID(help, 0), static_cast<UINT>(IDM_VERSION));
    CHECK(MenuText(help, IDM_VERSION, MF_BYCOMMAND) == "バージョン情報(&V)");
    DestroyMenu(menu);
}

// The name entry is an extended template: place, size, caption and font.
WIN_TEST(ResourcesNameEntryTemplate) {
    const BYTE* data = DialogTemplate(IDD_GAMEOVER);
    REQUIRE(data != nullptr);
    TemplateReader read{data};
    CHECK_EQ(read.Word(), 1);       // version
    CHECK_EQ(read.Word(), 0xFFFF);  // extended
    read.Dword();                   // help id
    CHECK_EQ(read.Dword(), 0u);     // extended style
    CHECK_EQ(read.Dword(), kDialogStyle);
    CHECK_EQ(read.Word(), 5);
    CHECK_EQ(static_cast<short>(read.Word()), 70);
    CHECK_EQ(static_cast<short>(read.Word()), 140);
    CHECK_EQ(static_cast<short>(read.Word()), 146);
    CHECK_EQ(static_cast<short>(read.Word()), 61);
    CHECK(read.Text().empty());  // menu
    CHECK(read.Text().empty());  // class
    CHECK(read.Text() == "ゲームオーバー");
    CHECK_EQ(read.Word(), 12);  // points
    CHECK_EQ(read.Word(), 0);   // weight
    CHECK_EQ(read.Byte(), 0);   // italic
    CHECK_EQ(read.Byte(), 1);   // character set
    CHECK(read.Text() == "MS UI Gothic");

    // The first control: the name box with its frame styles.
    read.at = data + ((read.at - data + 3) & ~3);
    read.Dword();  // help id
    CHECK_EQ(read.Dword(), static_cast<DWORD>(WS_EX_CLIENTEDGE | WS_EX_STATICEDGE));
    CHECK_EQ(read.Dword(),
             static_cast<DWORD>(WS_CHILD | WS_VISIBLE | WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL));
    CHECK_EQ(static_cast<short>(read.Word()), 60);
    CHECK_EQ(static_cast<short>(read.Word()), 23);
    CHECK_EQ(static_cast<short>(read.Word()), 47);
    CHECK_EQ(static_cast<short>(read.Word()), 13);
    CHECK_EQ(read.Dword(), static_cast<DWORD>(IDC_NAME));
}

// The list is a standard template.
WIN_TEST(ResourcesHighScoreTemplate) {
    const BYTE* data = DialogTemplate(IDD_HIGHSCORES);
    REQUIRE(data != nullptr);
    TemplateReader read{data};
    CHECK_EQ(read.Dword(), kDialogStyle);
    CHECK_EQ(read.Dword(), 0u);
    CHECK_EQ(read.Word(), 7);
    CHECK_EQ(static_cast<short>(read.Word()), 0);
    CHECK_EQ(static_cast<short>(read.Word()), 0);
    CHECK_EQ(static_cast<short>(read.Word()), 106);
    CHECK_EQ(static_cast<short>(read.Word()), 126);
    CHECK(read.Text().empty());
    CHECK(read.Text().empty());
    CHECK(read.Text() == "ハイスコア");
    CHECK_EQ(read.Word(), 14);
    CHECK(read.Text() == "MS UI Gothic");
}
