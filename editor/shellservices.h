// What the editor does to a block list after a document has been read into
// it: the reader leaves the list's look to whoever shows it.
#pragma once
#include <windows.h>

struct BLOCKSET;

void AdjustHeader(HWND list, BLOCKSET *set);
// Sizes every item for the document's view mode; 0 when the list has no header.
int AdjustListBox(HWND list, BLOCKSET *set);

// Keeps a shown block list undrawn while its layout changes and has it
// drawn whole at its next paint: the list box brings its scroll bar up to
// date and draws it at once after every change of items or size, which
// would draw it several times before the list is ever shown.
class ListLayoutHold {
public:
    explicit ListLayoutHold(HWND list);
    ~ListLayoutHold();
    ListLayoutHold(const ListLayoutHold &) = delete;
    ListLayoutHold &operator=(const ListLayoutHold &) = delete;

private:
    HWND list_;
    bool held_;
};
