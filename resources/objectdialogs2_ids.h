// Ids of the text and image property dialogs and of the image preview.
#pragma once

#include "resources/objectfields_ids.h"

// Text dialog.
#define IDC_TXTEXT 1001
#define IDC_TXTRANSPARENT 1012
#define IDC_TXHIGHLIGHT 1013
#define IDC_TXSHADOW 1014
#define IDC_TXANTIALIAS 1015
#define IDC_TXCOLOUR 1020
#define IDC_TXBACKCOLOUR 1021
#define IDC_TXLEFT 1022
#define IDC_TXCENTRE 1023
#define IDC_TXRIGHT 1024
#define IDC_TXLEFTGLYPH 1025
#define IDC_TXCENTREGLYPH 1026
#define IDC_TXRIGHTGLYPH 1027
#define IDC_TXPADDING 1030
#define IDC_TXOFFSET 1031
#define IDC_TXFONT 1032
#define IDC_TXSIZE 1033
#define IDC_TXBOLD 1034
#define IDC_TXITALIC 1035
#define IDC_TXSAMPLE 1036

// Image dialog.
#define IDC_IMLOOP 1040
#define IDC_IMNOTIFY 1041
#define IDC_IMDRAWN 1042
#define IDC_IMTARGET 1043
#define IDC_IMAPPEAR 1044
#define IDC_IMDISAPPEAR 1045
#define IDC_IMSPEED 1046
#define IDC_IMPAUSE 1047
#define IDC_IMPAINT 1048
#define IDC_IMPREVIEW 1049

// The justification glyphs: left, centre and right, 14 pixels each.
#define IDB_JUSTIFY 6300

#define IDS_PREVIEWCAPTION 3900
#define IDS_PREVIEWFAILED 3901
