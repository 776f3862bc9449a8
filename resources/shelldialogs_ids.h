// The paint program's search box and the shell's small dialogs: the tip of
// the day, one item's text and the palette grid.
#pragma once

// The search box.
#define IDC_PAINTANIMATION 102
#define IDC_PAINTSTATUS 103
#define IDC_PAINTAGAIN 104

// The tip of the day.
#define IDC_TIPSHOWAGAIN 101
#define IDC_TIPTEXT 102
#define IDC_TIPPICTURE 6101

// One item's text.
#define IDC_ITEMTEXT 101

#define IDS_PAINTNOTSTARTED 205
#define IDS_PAINTNOTFOUND 270
