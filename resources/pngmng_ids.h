// Resource numbers of the PNG and MNG loaders.
#pragma once

#define IDS_BADCRC 313
#define IDS_TOOMANYFRAMES 314
#define IDS_ANIMTOOLARGE 315
