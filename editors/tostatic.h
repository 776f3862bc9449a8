// A text object turned into a static image that shows the same text.
#pragma once
#include <windows.h>

struct BLOCK;

// A new static image object drawn from the TEXT object `object` exactly as
// the page editor shows it, at its place and with its number; null when it
// is no text object or anything fails. The page is not changed.
HGLOBAL ConvertObjectToStatic(HWND window, BLOCK *block, HGLOBAL object);
