#include "player/playermain.h"

int WINAPI WinMain(HINSTANCE inst, HINSTANCE, LPSTR cmdline, int)
{
    return PlayerMain(inst, cmdline);
}
