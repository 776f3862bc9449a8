#include "editor/editormain.h"

int WINAPI WinMain(HINSTANCE inst, HINSTANCE, LPSTR cmdline, int show)
{
    return EditorMain(inst, cmdline, show);
}
