// Finding a document's trailer at the end of a file: at the very end, or
// before bytes appended after it.
#pragma once
#include "document/compress.h"
#include <windows.h>
#include <cstdint>

struct DOCUMENTTRAILER {
    uint64_t start;     // of the trailer record
    uint32_t length;    // of the document, trailer included
    uint32_t headercrc; // unmasked
};

// True when `file` (of `size` bytes) holds a trailer that a whole document
// could stand before. The tail is read in large pieces and searched in
// memory, with `read` (NULL: the platform's); a file shorter than a header
// and a trailer has none. When false, `*unreadable` tells a search that
// could not be made (a failed read, no memory) from a file without a trailer.
bool FindDocumentTrailer(HANDLE file, uint64_t size, DOCUMENTTRAILER *out, DOCUMENTREADER read = nullptr,
                         bool *unreadable = nullptr);
