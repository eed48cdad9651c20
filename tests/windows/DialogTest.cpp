// The two score dialogs, opened modeless on their templates so the test can
// look inside: what they show, and what the name entry writes.
#include "resources/WindowsResources.h"
#include "scores/Cp932.h"
#include "scores/WinDialogs.h"
#include "tests/windows/WinCheck.h"
#include "tests/windows/WinTestSupport.h"

namespace {

std::string ItemText(HWND dialog, int id) {
    char text[256] = {};
    GetDlgItemTextA(dialog, id, text, sizeof text);
    return text;
}

// Runs the test in the data folder, where the dialogs find their files.
struct InDataDir {
    char previous[MAX_PATH] = {};
    InDataDir() {
        GetCurrentDirectoryA(MAX_PATH, previous);
        SetCurrentDirectoryA(WinTestDataDir().c_str());
    }
    ~InDataDir() { SetCurrentDirectoryA(previous); }
};

HWND OpenDialog(int id, DLGPROC proc) {
    return CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id), nullptr, proc, 0);
}

}  // namespace

WIN_TEST(NameEntryShowsThePlaceAndWritesTheName) {
    InDataDir here;
    REQUIRE(WriteWholeFile("work.temp", "3\n"));
    HWND dialog = OpenDialog(IDD_GAMEOVER, GameOverDlgProc);
    REQUIRE(dialog != nullptr);
    CHECK(ItemText(dialog, IDC_PLACE) == Utf8ToCp932("3位です！"));
    CHECK(ItemText(dialog, IDC_NAME) == "kiri");
    CHECK(ItemText(dialog, IDC_NAMELABEL) == Utf8ToCp932("あなたの名前："));

    char caption[64] = {};
    GetWindowTextA(dialog, caption, sizeof caption);
    CHECK(std::string(caption) == Utf8ToCp932("ゲームオーバー"));

    // Twenty letters typed: fourteen reach the file.
    SetDlgItemTextA(dialog, IDC_NAME, "abcdefghijklmnopqrst");
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    CHECK(ReadWholeFile("work.temp") == "abcdefghijklmn");

    // A double-byte character is never cut in half.
    REQUIRE(WriteWholeFile("work.temp", "1"));
    DestroyWindow(dialog);
    dialog = OpenDialog(IDD_GAMEOVER, GameOverDlgProc);
    REQUIRE(dialog != nullptr);
    const std::string kana = Utf8ToCp932("abcdefghijklmあ");
    SetDlgItemTextA(dialog, IDC_NAME, kana.c_str());
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    CHECK(ReadWholeFile("work.temp") == "abcdefghijklm");
    DestroyWindow(dialog);
    DeleteFileA("work.temp");
}

WIN_TEST(HighScoreListShowsTheFile) {
    InDataDir here;
    REQUIRE(WriteWholeFile("score.sav",
                           "120 kiri\n90 momo\n60 " + Utf8ToCp932("なな") + "\n30 a\n10 b\n"));
    HWND dialog = OpenDialog(IDD_HIGHSCORES, HighScoreDlgProc);
    REQUIRE(dialog != nullptr);
    CHECK(ItemText(dialog, IDC_ROW1) == Utf8ToCp932("1位　        kiri　 120"));
    CHECK(ItemText(dialog, IDC_ROW3) == Utf8ToCp932("3位　        なな　  60"));
    CHECK(ItemText(dialog, IDC_ROW5) == Utf8ToCp932("5位　           b　  10"));
    CHECK(ItemText(dialog, IDC_TOPFIVE) == Utf8ToCp932("トップ５"));
    DestroyWindow(dialog);
    DeleteFileA("score.sav");
}
