// Ids of the timer, edit field and list box property dialogs.
#pragma once

// Fields the three dialogs share; a spin control's id is its field's + 10000.
#define IDC_PROPLEFT 201
#define IDC_PROPTOP 202
#define IDC_PROPWIDTH 203
#define IDC_PROPDEPTH 204
#define IDC_PROPNUMBER 205
#define IDC_PROPVISIBLE 206
#define IDC_PROPENABLED 207
#define IDC_PROPNOTIFY 208
#define IDC_PROPTARGET 209
#define IDC_PROPSPIN 10000

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
