// Ids of the Setup sheet, the system information box and the display-driver
// notice.
#pragma once

// The Setup page's controls are the settings table's own Setup ids; an
// up-down control has the id of its field + 10000.
#define IDC_SETUPVIEWMODE 103
#define IDC_SETUPCOMPRESS 112
#define IDC_SETUPSTACK 113
#define IDC_SETUPUPDOWN 10000
#define IDC_CHOOSETHEME 2001

#define IDC_SYSWIDTH 101
#define IDC_SYSDEPTH 102
#define IDC_SYSNETWORK 103
#define IDC_SYSSLOW 104
#define IDC_SYSVERSION 105
#define IDC_SYSOWNER 106
#define IDC_SYSORGANISATION 107
#define IDC_SYSCOLOURS 110
#define IDC_SYSPICTURE 1092
#define IDB_SYSPICTURE 1092

#define IDC_DRIVERSHOWAGAIN 101
#define IDC_DRIVERPICTURE 102
#define IDC_DRIVERNOTICE 103
#define IDB_DRIVERPICTURE 1021

// Help button of both boxes.
#define IDC_INFOHELP 9

#define IDS_COLOURCOUNT 243
#define IDS_NODRIVERSVIEWER 247
