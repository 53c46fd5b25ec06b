// Identifiers shared by the code and the resource script: menu commands,
// icons, cursors, menus, the About dialog and its bitmap.
#pragma once

#define IDM_OPEN            40001
#define IDM_FG_COLOR        40005
#define IDM_BG_COLOR        40006
#define IDM_EXIT            40007
#define IDM_FADE            40009
#define IDM_COPY            40012
#define IDM_COPY_ON_SELECT  40013
#define IDM_ABOUT           40014
#define IDM_ASSOCIATE       40015
#define IDM_FIRST           IDM_OPEN
#define IDM_LAST            IDM_ASSOCIATE

#define IDI_APP             101
#define IDI_DOC             113
#define IDC_HAND_OPEN       114
#define IDC_HAND_GRAB       115
#define IDR_MAINMENU        116
#define IDR_CONTEXTMENU     117
#define IDD_ABOUT           118
#define IDB_ABOUT           124
#define IDC_UPDOWN          125
