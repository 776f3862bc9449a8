// The structure of an AVI file, checked from its bytes before the platform's
// AVI file library sees it: that library trusts the sizes it reads, and a
// damaged file can make it read or recurse past its buffers.
#pragma once
#include <windows.h>
#include <cstdint>

// What the check learns of the file's first video stream.
struct AVIFIRSTVIDEO {
    BITMAPINFOHEADER format; // the stream format's header
    uint32_t frame;          // bytes of the stream's first frame chunk
};

// True when every chunk and list lies inside its parent and the file, the
// main and stream headers and the stream formats have the sizes their kinds
// need, the index names only chunks inside the file, and there is a video
// stream whose first frame the limits of the picture loaders allow.
bool CheckAviFile(const char *path, AVIFIRSTVIDEO *video);
// The same check on an AVI file held in memory.
bool CheckAviData(const void *data, uint32_t size, AVIFIRSTVIDEO *video);
