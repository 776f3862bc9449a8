// Ids of the applet script editor and the applet properties dialog.
#pragma once

// Commands of the script editor's menu and toolbar; a toolbar button's id is
// its command's.
#define IDM_APPLETPREVIEW 61
#define IDM_APPLETFIND 62
#define IDM_APPLETREPLACE 63
#define IDM_APPLETCOPY 64
#define IDM_APPLETCUT 65
#define IDM_APPLETSAVE 66
#define IDM_APPLETABANDON 67
#define IDM_APPLETPICTURES 68
#define IDM_APPLETSOUNDS 69
#define IDM_APPLETHELP 70
#define IDM_APPLETCOLOUR 71
#define IDM_APPLETPROPERTIES 72
#define IDM_APPLETREFERENCE 9
#define IDM_APPLETUNDO 301
#define IDM_APPLETPASTE 302
#define IDM_APPLETSELECTALL 303

// The script editor's controls.
#define IDC_APPLETSOURCE 201
#define IDC_APPLETSTRIP 202

// The applet properties dialog: the shared object fields, then its own.
#include "resources/objectfields_ids.h"
#define IDC_APPLETPARAMETER 120
#define IDC_APPLETPRIORITY 121

#define IDS_ALLOCATIONERROR 108
#define IDS_ABANDONAPPLET 286
#define IDS_REPLACEDCOUNT 288
#define IDS_SEARCHNOTFOUND 289
// Tooltips of the toolbar buttons 61 to 71, in order.
#define IDS_APPLETTIPS 3200
#define IDS_APPLETDAMAGED 3997
