// Where the player's show window differs from the editor's view.
#pragma once
#include <windows.h>

// The runtime classes, the show window's with the player's procedure; 0 on failure.
int PlayerRegisterClasses();
LRESULT CALLBACK PlayerAppwindowProc(HWND, UINT, WPARAM, LPARAM);
// The player's own message: string `id` in a plain box captioned "Message".
void PlayerMessage(HWND owner, unsigned id);
// The open-document test: any path with "/NEX", else what the shared test allows.
int PlayerCanOpenDocument(const char *path);
