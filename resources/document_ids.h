// Resource numbers of the document model and its file.
#pragma once

#define IDS_OBJECTACCESSERROR 311
#define IDS_OBJECTREADERROR 317

// Display names of the colour selectors 0 to 26.
#define IDS_COLOURSELECTOR 3300
// Display names of the object types, in the order of the type table.
#define IDS_OBJECTBUTTON 3600
#define IDS_OBJECTTEXT 3601
#define IDS_OBJECTCHECKBOX 3602
#define IDS_OBJECTRADIO 3603
#define IDS_OBJECTIMAGE 3604
#define IDS_OBJECTWAVE 3605
#define IDS_OBJECTMIDI 3606
#define IDS_OBJECTANIM 3607
#define IDS_OBJECTMOVIE 3608
#define IDS_OBJECTFRAME 3609
#define IDS_OBJECTAPPLET 3610
#define IDS_OBJECTLIST 3611
#define IDS_OBJECTCOMBO 3612
#define IDS_OBJECTBACKIMAGE 3613
#define IDS_OBJECTEDIT 3614
#define IDS_OBJECTTIMER 3615
#define IDS_OBJECTSTATIC 3616

// The password dialog.
#define IDC_PASSWORD 101
#define IDC_PASSWORDNOTE 102
