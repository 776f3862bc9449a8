// Ids of the timer, edit field and list box property dialogs.
#pragma once

#include "resources/objectfields_ids.h"

#define IDC_TIMERDURATION 220
#define IDC_TIMERACTION 221
#define IDC_TIMERPAGE 222
#define IDC_TIMERDOCUMENT 223

#define IDC_EDITFIELDTEXT 230

#define IDC_LISTBOXSORTED 240
#define IDC_LISTBOXITEMS 241
#define IDC_LISTBOXADD 242
#define IDC_LISTBOXREMOVE 243
#define IDC_LISTBOXDRAG 6001

// The stand-in item text dialog.
