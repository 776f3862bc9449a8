// The print dialog's own controls, the "printing" status box and their texts.
#pragma once

#define IDD_PRINTDIALOG 1538
#define IDC_PRINTANNOTATE 101
#define IDC_PRINTFOOTER 102
#define IDC_PRINTFONT 103
#define IDC_PRINTSMALLSIZE 104
#define IDC_PRINTLARGESIZE 105
#define IDC_PRINTSMALLSPIN 10104
#define IDC_PRINTLARGESPIN 10105

#define IDS_PRINTING 321
#define IDS_NOPRINTER 3993
