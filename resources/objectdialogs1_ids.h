// Ids of the property dialogs of buttons, frames, check boxes, radio
// buttons and static images.
#pragma once

#include "resources/objectfields_ids.h"

#define IDC_OBJHELP 9

// Button.
#define IDC_BTNDEFAULT 112
#define IDC_BTNACTION 113
#define IDC_BTNPAGE 114
#define IDC_BTNDOCUMENT 115
#define IDC_BTNSTYLE 116
#define IDC_BTNSELECT 117
#define IDC_BTNPAINT 118
#define IDC_BTNBACKCOLOUR 119
#define IDC_BTNSOFTCOLOUR 120
#define IDC_BTNSOFTTEXT 121

// Frame: the three selector lists, then their swatches in the same order.
#define IDC_FRMTYPE 112
#define IDC_FRMPRIMARY 113
#define IDC_FRMSECONDARY 114
#define IDC_FRMINTERIOR 115
#define IDC_FRMPRIMARYSWATCH 116
#define IDC_FRMSECONDARYSWATCH 117
#define IDC_FRMINTERIORSWATCH 118
#define IDC_FRMHOLLOW 119
#define IDC_FRMTHICKNESS 120
#define IDC_FRMANGLE 121

// Static image.
#define IDC_STADRAWN 112
#define IDC_STAPAINT 113

#define IDS_BUTTONGRAPHICSIZE 319
#define IDS_NOSUCHPAGE 3330
#define IDS_FRAMETYPES 3700
