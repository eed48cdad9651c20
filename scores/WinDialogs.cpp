#include "scores/WinDialogs.h"

#include <string>

#include "resources/WindowsResources.h"
#include "scores/Cp932.h"
#include "scores/HighScoreList.h"
#include "scores/NameEntry.h"

namespace {

// The name being typed, kept for the life of the program like the list.
CNameEntry& NameEntry() {
    static CNameEntry entry;
    return entry;
}

HINSTANCE InstanceOf(HWND window) {
    return reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(window, GWLP_HINSTANCE));
}

// The whole text of an edit control, as the code page's bytes.
std::string ControlText(HWND dialog, int id) {
    HWND control = GetDlgItem(dialog, id);
    int length = control != nullptr ? GetWindowTextLengthA(control) : 0;
    std::string text(static_cast<size_t>(length) + 1, '\0');
    int got = GetDlgItemTextA(dialog, id, text.data(), length + 1);
    text.resize(got > 0 ? static_cast<size_t>(got) : 0);
    return text;
}

}  // namespace

void ShowHighScores(HWND owner) {
    DialogBoxParamA(InstanceOf(owner), MAKEINTRESOURCEA(IDD_HIGHSCORES), owner, HighScoreDlgProc,
                    0);
}

INT_PTR CALLBACK GameOverDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    CNameEntry& entry = NameEntry();
    switch (message) {
        case WM_INITDIALOG:
            if (!entry.Open()) {
                EndDialog(dialog, 0);
                break;
            }
            SetDlgItemTextA(dialog, IDC_PLACE, Utf8ToCp932(entry.PlaceText()).c_str());
            SetDlgItemTextA(dialog, IDC_NAME, entry.Name().c_str());
            break;
        case WM_COMMAND:
            switch (LOWORD(wParam)) {
                case IDC_NAME:
                    // Every notification refreshes the name: its first 14 bytes,
                    // never half of a double-byte character.
                    entry.SetName(ControlText(dialog, IDC_NAME));
                    break;
                case IDOK:
                    // A name that cannot be written is not stored; the game
                    // says so.
                    entry.Confirm();
                    EndDialog(dialog, 1);
                    break;
                case IDC_SHOWSCORES:
                    ShowHighScores(dialog);
                    break;
                default:
                    // Esc (IDCANCEL) included: the dialog stays.
                    break;
            }
            break;
        case WM_CLOSE:
            EndDialog(dialog, LOWORD(wParam));
            break;
        default:
            break;
    }
    return FALSE;
}

INT_PTR CALLBACK HighScoreDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    CHighScoreList& list = CHighScoreList::Shared();
    switch (message) {
        case WM_INITDIALOG:
            if (!list.Load()) {
                EndDialog(dialog, 0);
                break;
            }
            for (int32_t place = 1; place <= CHighScoreList::kRows; ++place) {
                SetDlgItemTextA(dialog, IDC_ROW1 + place - 1, list.RowText(place).c_str());
            }
            break;
        case WM_COMMAND:
            if (LOWORD(wParam) == IDOK) {
                EndDialog(dialog, 1);
            }
            break;
        case WM_CLOSE:
            EndDialog(dialog, LOWORD(wParam));
            break;
        default:
            break;
    }
    return FALSE;
}
