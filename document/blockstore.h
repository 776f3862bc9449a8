// A document in memory: its BLOCKSET and the BLOCKs kept as the item data of
// list box 10 (undo copy: list box 11) of the window that owns it.
#pragma once
#include "document/records.h"
#include <windows.h>

constexpr int IDC_BLOCKLIST = 10;
constexpr int IDC_UNDOLIST = 11;
constexpr uint32_t BLOCKSIZE = 3080;

struct BLOCKSET {
    char path[261];
    int viewmode;
    HWND hwnd;
    int modified;
    int caret;
    int redrawall;
    int undovalid;
    int undocaret;
    int undomodified;
    int undoviewmode;
    int named;
    int current;        // list index of the page on show
    HWND list;
    int rightclick;
    int pagemenuwidth;
    uint8_t shell[700]; // further state of the editor shell, zero at allocation
};

struct BLOCK {
    uint32_t tag;
    HGLOBAL objects;   // array of object handles
    HGLOBAL thumbnail;
    uint32_t recordsize;
    int16_t sequence;
    HGLOBAL title;
    HEDRRECORD hedr;
    PAGERECORD page;
    ENDRECORD end;
    BLOCKSET *blockset;
    uint8_t reserved[16];
};
static_assert(sizeof(BLOCK) == BLOCKSIZE);

int CreateBlock(HWND, BLOCKSET *set, BLOCK *block, unsigned long tag, void *, long);
HGLOBAL AllocateBlock(HWND list, unsigned index, const BLOCK *block);
int GetBlock(HWND list, unsigned index, BLOCK *block);
int PutBlock(HWND list, unsigned index, const BLOCK *block);
int AppendBlock(HWND list, BLOCKSET *set, const BLOCK *block);
// A list whose items have heights of their own finds an item's place by
// adding up the heights from its top item down: every item appended or
// removed far below the top costs as many steps as lie between, and
// thousands of them the square of their number. Called for each such item,
// this makes every 256th the top one (true when it did); whoever shows the
// list puts back the top it wants when done.
bool StepListTop(HWND list, unsigned item);
void FreeBlock(HWND list, unsigned index);
int FreeBlocks(HWND owner, BLOCKSET *set);
int FreeUndo(HWND owner, BLOCKSET *set);
void DestroyBlock(BLOCK *block);
BLOCKSET *LockBlockSet(HWND owner);
void UnlockBlockSet(HWND owner);
int GetHeaderBlock(HWND list, BLOCKSET *set, BLOCK *block);
int SequenceBlocks(HWND list, BLOCKSET *set);
int SetBlockTitles(HWND list, BLOCKSET *set);
char *GetBlockText(const BLOCK *block);
int GetBlockTitle(char *out, const BLOCK *block);
char *FetchBlockText(const BLOCK *block);
int PutBlockTitle(const char *text, BLOCK *block);
int CountBlocks(HWND list, BLOCKSET *set, unsigned short kind);
int FindNextBlock(HWND list, BLOCKSET *set, BLOCK *out, int kind, unsigned start);

// Number of objects the block's own record counts.
uint32_t BlockObjectCount(const BLOCK *block);
