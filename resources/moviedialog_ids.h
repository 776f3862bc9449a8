// Ids of the movie property dialog; its shared fields are those of
// resources/objectfields_ids.h.
#pragma once

#define IDC_MOVIEHIDE 260
#define IDC_MOVIEPREVIEW 261
#define IDC_MOVIEFILE 262

#define IDS_MOVIEPREVIEWCAPTION 3960
#define IDS_MOVIEFILEERROR 3961
