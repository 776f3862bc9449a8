// Texts of the block clipboard and of dragging blocks between documents.
#pragma once

#define IDS_NOTCOPIED 144
#define IDS_NOTCUT 245
#define IDS_PASTEDAMAGED 3992
