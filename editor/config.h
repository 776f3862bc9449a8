// The settings table and the configuration file "SHOWBUILDER.INI" in the
// per-user folder: read when the frame is made, written when it closes.
#pragma once
#include <windows.h>

// Row types; a row may combine them (0x14 a number with options, 0x44 a
// number with an up-down control).
constexpr BYTE CONFIG_FLAG = 0x01;
constexpr BYTE CONFIG_TEXT = 0x02;
constexpr BYTE CONFIG_NUMBER = 0x04;
constexpr BYTE CONFIG_OPTIONS = 0x10;
constexpr BYTE CONFIG_UPDOWN = 0x40;
// type2: written to the file but never read back.
constexpr BYTE CONFIG_WRITTENONLY = 0x01;

struct CONFIGOPTION {
    const char *text; // NULL ends a list
    int value;
};

struct CONFIGITEM {
    const char *key;
    void *value; // a 32-bit number, or a text buffer of SETTINGTEXT bytes
    BYTE type;
    BYTE type2;
    int control; // its control on the Setup dialog, 0: not there
    const CONFIGOPTION *options;
};

extern const CONFIGITEM configitem[];
extern const int MAXCONFIGITEM;

// The file's full name; empty when the per-user folder is not known.
const char *ConfigFilePath();
void LoadConfig();
// Hands every recent file of the file to SetPathMenu on the frame.
void LoadMenuConfig();
void SaveConfig();
