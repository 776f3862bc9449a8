// Resource numbers shared by the programs' code and their resource scripts.
#pragma once

// Generic error texts shared by every subsystem of the editor.
#define IDS_OK 0
#define IDS_ERROPEN 1
#define IDS_CORRUPTED 2
#define IDS_ERRREAD 3
#define IDS_CANCELLED 4
#define IDS_UNSUPPORTEDFUNC 5
#define IDS_MEMORY 6
#define IDS_INFORMATION 7
#define IDS_UNSUPPORTEDFORMAT 8
#define IDS_ERRRENAME 9
#define IDS_ERRCREATE 10
#define IDS_ERRWRITE 11
#define IDS_TOOMANYCOLORS 12
#define IDS_UNSUITABLE 13
#define IDS_RESOURCE 14
#define IDS_LIBRARY 15

#define IDS_UNTITLED 103
#define IDS_HEADERTEXT 111
#define IDS_PAGETEXT 112

// The player's own texts.
#define IDS_PLAYERDISPLAYERROR 1500
#define IDS_PLAYERLOADERROR 1501
#define IDS_PLAYERCLASSERROR 1502
#define IDS_TOOMANYBLOCKS 1503
// The player's window icon.
#define IDI_PLAYER 1101

// Message dialogs.
#define IDC_MESSAGETEXT 101
#define IDC_SHOWAGAIN 102
#define IDC_HELPBUTTON 9
#define IDC_NOTE 103

// Document about box.
#define IDD_EXEABOUT 2003
#define IDC_ABOUTTEXT 101
#define IDC_ABOUTCREDIT 102
#define IDC_ABOUTCREDIT2 104

// The player program carried inside the editor.
#define IDR_PLAYER 9100

// The show window's page menu, and the names of the button and timer actions
// (IDS_ACTIONNAMES + action code).
#define IDC_PAGELIST 101
#define IDS_ACTIONNAMES 3500

// The player's loading box: its progress bar.
#define IDC_LOADINGBAR 101
