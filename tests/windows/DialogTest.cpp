// The two score dialogs, opened modeless on their templates so the test can
// look inside: what they show, what the name entry writes, and whether their
// texts fit.
#include <initializer_list>
#include <string>

#include "resources/WindowsResources.h"
#include "scores/Cp932.h"
#include "scores/ScoreFolder.h"
#include "scores/ScoreTable.h"
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

// Fails unless the control's text, drawn in the dialog's font, fits inside
// the control (inside its 3-D edge for a button): otherwise it is cut off.
void CheckTextFits(HWND dialog, int id, const char* file, int line) {
    HWND control = GetDlgItem(dialog, id);
    if (control == nullptr) {
        FailWinCheck(file, line, "no control " + std::to_string(id));
        return;
    }
    const std::string text = ItemText(dialog, id);
    HDC dc = GetDC(control);
    HGDIOBJ old =
        SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(control, WM_GETFONT, 0, 0)));
    SIZE extent = {};
    GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &extent);
    char face[LF_FACESIZE] = {};
    GetTextFaceA(dc, sizeof face, face);
    SelectObject(dc, old);
    ReleaseDC(control, dc);

    RECT room;
    GetClientRect(control, &room);
    char className[16] = {};
    GetClassNameA(control, className, sizeof className);
    if (lstrcmpiA(className, "Button") == 0) {
        InflateRect(&room, -GetSystemMetrics(SM_CXEDGE), -GetSystemMetrics(SM_CYEDGE));
    }
    if (extent.cx > room.right - room.left || extent.cy > room.bottom - room.top) {
        FailWinCheck(file, line,
                     "the text of control " + std::to_string(id) + " needs " +
                         std::to_string(extent.cx) + " x " + std::to_string(extent.cy) +
                         " pixels in the font \"" + face + "\" but has " +
                         std::to_string(room.right - room.left) + " x " +
                         std::to_string(room.bottom - room.top));
    }
}
#define CHECK_TEXT_FITS(dialog, id) CheckTextFits(dialog, id, __FILE__, __LINE__)

}  // namespace

WIN_TEST(NameEntryShowsThePlaceAndWritesTheName) {
    InDataDir here;
    REQUIRE(WriteWholeFile(TempFilePath(), "3\n"));
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
    CHECK(ReadWholeFile(TempFilePath()) == "abcdefghijklmn");

    // A double-byte character is never cut in half.
    REQUIRE(WriteWholeFile(TempFilePath(), "1"));
    DestroyWindow(dialog);
    dialog = OpenDialog(IDD_GAMEOVER, GameOverDlgProc);
    REQUIRE(dialog != nullptr);
    const std::string kana = Utf8ToCp932("abcdefghijklmあ");
    SetDlgItemTextA(dialog, IDC_NAME, kana.c_str());
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    CHECK(ReadWholeFile(TempFilePath()) == "abcdefghijklm");
    DestroyWindow(dialog);
    DeleteFileA(TempFilePath().c_str());
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

// Every label and button shows its whole text in the dialog font, the list
// also with a name that fills its 12-byte field and a four-digit score.
WIN_TEST(DialogTextsAreNotCutOff) {
    InDataDir here;
    REQUIRE(WriteWholeFile(TempFilePath(), "5\n"));
    HWND entry = OpenDialog(IDD_GAMEOVER, GameOverDlgProc);
    REQUIRE(entry != nullptr);
    for (int id : {IDC_PLACE, IDC_NAMELABEL, IDOK, IDC_SHOWSCORES}) {
        CHECK_TEXT_FITS(entry, id);
    }
    DestroyWindow(entry);
    DeleteFileA(TempFilePath().c_str());

    REQUIRE(WriteWholeFile("score.sav", "9999 " + Utf8ToCp932("ミルトとナナ") +
                                            "\n9990 kirimomonana\n120 kiri\n90 momo\n60 a\n"));
    HWND list = OpenDialog(IDD_HIGHSCORES, HighScoreDlgProc);
    REQUIRE(list != nullptr);
    for (int id : {IDC_TOPFIVE, IDC_ROW1, IDC_ROW2, IDC_ROW3, IDC_ROW4, IDC_ROW5, IDOK}) {
        CHECK_TEXT_FITS(list, id);
    }
    DestroyWindow(list);
    DeleteFileA("score.sav");
}

// The score folder's lock on Windows: a second taker waits until the first
// lets go, gives up when its wait runs out, and never takes a folder.
WIN_TEST(TheScoreLockWaitsItsTurn) {
    InDataDir here;
    const std::string lockPath = "score.sav.lock";
    {
        CScoreLock first(lockPath);
        CHECK(first.Held());
        CHECK(!CScoreLock(lockPath, 50).Held());
    }
    CHECK(CScoreLock(lockPath, 0).Held());
    DeleteFileA(lockPath.c_str());
    CreateDirectoryA(lockPath.c_str(), nullptr);
    CHECK(!CScoreLock(lockPath, 0).Held());
    RemoveDirectoryA(lockPath.c_str());
}
