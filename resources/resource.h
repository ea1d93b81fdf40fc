// Resource and control IDs, in ranges by kind. Read by the .rc file and the code.
#pragma once

// Icons (100-199 program, 200-299 toolbar pictures built in as fallbacks).
#define IDI_VEILKEEP 100
#define IDI_PICTURE1 201  // "settings"
#define IDI_PICTURE2 202  // "help"
#define IDI_PICTURE3 203  // "about"
#define IDI_PICTURE4 204  // "website"
#define IDI_PICTURE5 205  // "support"

// Bitmaps (300-399).
#define IDB_HOWTOUSE 300

// Main window controls (1000-1099). Command1(i) is IDC_COMMAND1 + i.
#define IDC_TOOLBAR1 1001
#define IDC_LIST1 1002
#define IDC_SBAR 1003
#define IDC_COMMAND1 1010  // 1010..1014: Add, Delete, Open, Hide, Unhide

// Toolbar button command IDs: IDC_TOOLBUTTON + index (1..5).
#define IDC_TOOLBUTTON 1100

// Main window's system menu items (1300-1399), multiples of 16 as WM_SYSCOMMAND needs.
#define IDM_FOLDER_MENU 1312  // "Hide and Unhide in folder menus"
#define IDM_FIND_HIDDEN 1328  // "Find Hidden Folders..."
#define IDM_HIDE_ALL 1344     // "Hide All Folders"
#define IDM_UNHIDE_ALL 1360   // "Unhide All Folders"
#define IDM_SHORTCUT_KEY 1376 // "Shortcut Key For Hide All..."

// About window controls (1200-1299). Label1(i) is IDC_LABEL1 + i.
#define IDC_IMAGE1 1201
#define IDC_LABEL1 1210  // 1210, 1211, 1213
#define IDC_FORM2_OK 1220

// The search's windows (1400-1499): its progress, and "Hidden Folders Found".
#define IDC_SEARCH_COUNT 1401
#define IDC_SEARCH_FOLDER 1402
#define IDC_FOUND_NOTE 1410
#define IDC_FOUND_LIST 1411
#define IDC_FOUND_ADD 1412

// "Shortcut Key For Hide All..." (1500-1599).
#define IDC_KEY_NOTE 1501
#define IDC_KEY_HOTKEY 1502
#define IDC_KEY_OK 1503
#define IDC_KEY_REMOVE 1504
