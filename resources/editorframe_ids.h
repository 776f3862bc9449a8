// Command ids of the editor's frame, menus, accelerators and toolbar: a
// toolbar button's control id is its command id.
#pragma once

#define IDM_SELECTALL 50
#define IDM_UNSELECTALL 51
#define IDM_CONTENTS 52
#define IDM_SETUP 54
#define IDM_EXIT 55
#define IDM_VIEW 56
#define IDM_SAVE 57
#define IDM_OPEN 58
#define IDM_INSERT 60
#define IDM_DELETE 61
#define IDM_NEW 101
#define IDM_SAVEAS 104
#define IDM_CLOSE 106
#define IDM_WIZARD 111
#define IDM_PRINT 118
#define IDM_TIP 136
#define IDM_RECENTFILE 180
#define IDM_CUT 201
#define IDM_COPY 202
#define IDM_PASTE 203
#define IDM_UNDO 204
#define IDM_MOVETO 313
#define IDM_COPYTO 314
#define IDC_VIEWMODE 701
#define IDM_CASCADE 801
#define IDM_TILE 802
#define IDM_ARRANGE 803
#define IDM_DUPLICATE 804
#define IDM_FIRSTCHILD 810
#define IDM_ABOUT 902
#define IDM_SYSINFO 903

#define IDI_EDITOR 101

// Texts of the frame and the toolbar.
#define IDS_BLOCKACCESS 120
#define IDS_CLASSERROR 223
#define IDS_FRAMETITLE 224
#define IDS_TASKERROR 226
#define IDS_TIPERROR 228
#define IDS_VIEWMODES 229
#define IDS_BLOCKSSELECTED 232
#define IDS_ONEBLOCKSELECTED 233
#define IDS_NOBLOCKSSELECTED 234
#define IDS_MANUALWARNING 307
#define IDS_NOTAVAILABLE 3990
#define IDS_TOOLTIPBASE 1651
