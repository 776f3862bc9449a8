// Numbers of the picture and sound file dialogs' templates and texts.
#pragma once

#define COMMONOPENWAVEFILENAMEX 3241
#define COMMONOPENMIDIFILENAMEX 3242
#define IDS_SOUNDPREVIEWERROR 3240
// Why a sound cannot be played.
#define IDS_SOUNDNOFORMAT 3243
#define IDS_SOUNDNOTPCM 3244
#define IDS_SOUNDCHANNELS 3245
#define IDS_SOUNDBITS 3246
#define IDS_SOUNDALIGN 3247
#define IDS_SOUNDRATE 3248
#define IDS_SOUNDBYTERATE 3249
#define IDS_MIDIHEADER 3250
#define IDS_MIDITRACKS 3251

// Controls of the templates; 1119 is where the standard controls go.
#define IDC_FILESTANDARD 1119
#define IDC_FILEPREVIEW 1500
#define IDC_FILEPREVIEWON 1501
#define IDC_FILEINFO 1502
#define IDC_MIDITEXT 1501
#define IDC_WAVELOOP 1503
#define IDC_WAVEPANEL 1504
#define IDC_WAVEPREVIEWON 1505
