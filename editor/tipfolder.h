// The tip of the day (once a day, the next line of "SHOWBUILDER.TIP" beside
// the editor), the folder the file dialogs start in, and text for the
// clipboard.
#pragma once
#include <windows.h>

constexpr int TIPTEXTSIZE = 1024;

// 1 when today is a new day for the tip (and remembers today), else 0.
int IsTipTime();
// Fills `text` (TIPTEXTSIZE bytes) with the next tip and moves past it; 1.
int GetTipOfTheDay(char *text);
// `path` holds at least 261 characters; both return 1.
int GetOpenPath(char *path);
int SetOpenPath(const char *path);
// 1 when the clipboard now holds the text, 0 when memory failed or the
// clipboard could not be had or refused it.
int CopyToClipboard(HWND window, const char *text);
