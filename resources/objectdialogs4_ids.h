// Ids of the wave sound and MIDI music property dialogs; their shared fields
// are those of resources/objectfields_ids.h.
#pragma once

#define IDC_SOUNDPLAY 250
#define IDC_SOUNDSTOP 251
#define IDC_SOUNDFORMAT 252
#define IDC_SOUNDWAVEFORM 253
#define IDC_SOUNDFILE 254

#define IDS_SOUNDFORMATERROR 3750
#define IDS_SOUNDFILEERROR 3751
