// Resource ids of the Windows program: shared by game.rc and the code.
#pragma once

#define IDI_GAME 999
#define IDC_GAME 1000
#define IDR_MENU 1001

// The menu's commands: IDM_EXIT, IDM_VERSION, IDM_HIGHSCORES.
#include "devices/GameNumbers.h"

#define IDD_GAMEOVER 1005
#define IDC_PLACE 1007
#define IDC_SHOWSCORES 1009
#define IDC_NAMELABEL 1010
#define IDC_NAME 1011

#define IDD_HIGHSCORES 1012
#define IDC_ROW1 1013
#define IDC_ROW2 1014
#define IDC_ROW3 1015
#define IDC_ROW4 1016
#define IDC_ROW5 1017
#define IDC_TOPFIVE 1018

#define IDB_FIRST 2000
