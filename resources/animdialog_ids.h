// Ids of the animation property dialog and its preview; the dialog's shared
// fields are those of resources/objectfields_ids.h.
#pragma once

#define IDC_ANIMPREVIEW 260
#define IDC_ANIMFILE 261

#define IDS_ANIMCAPTION 3780
#define IDS_ANIMNOFRAMES 3781
#define IDS_ANIMSIZEERROR 3782
