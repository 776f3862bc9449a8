// The Setup sheet: one page whose controls are the Setup ids of the settings
// table (editor/config.h). OK stores them in the settings, which reach the
// configuration file when the editor next writes it; Cancel stores nothing.
#pragma once
#include "editor/config.h"
#include <windows.h>

// The page's record: the rows of the settings table it shows and stores.
struct SETUPPAGE {
    const CONFIGITEM *rows;
    int count;
};

void DoSetup(HWND owner);
INT_PTR CALLBACK SetupPage(HWND page, UINT msg, WPARAM wParam, LPARAM lParam);
// Every row with a control on the page into that control, and back.
void SetSetupControls(HWND page, const SETUPPAGE &setup);
void GetSetupControls(HWND page, const SETUPPAGE &setup);
