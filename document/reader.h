// Reading a self-running document file back into a block list, and the
// document password.
#pragma once
#include <windows.h>

struct BLOCKSET;

// Appends the document held at the end of `path` to `list`: 1 on success.
// Nothing in the file is trusted: a damaged document ends in 0, or in the
// question whether to go on without an object whose data is damaged.
int LoadExeFile(HWND list, BLOCKSET *set, const char *path);

// Asks for the password into `buffer` (room for 261 characters); 1 for OK.
int GetFilePassword(HWND parent, char *buffer);
INT_PTR CALLBACK GetPasswordProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam);

// Replaces the bytes of a password in place, forward (nonzero) or back (0).
// No byte but 0 becomes 0, so the text keeps its length.
void EncryptString(char *text, int forward);
