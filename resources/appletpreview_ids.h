// Ids of the applet preview run; its window is the object previews' shared
// "PreviewBox" (resources/objectdialogs2.rc).
#pragma once

#define IDS_PREVIEWERRORLINE 287
