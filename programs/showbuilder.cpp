// The editor program: the shell with the editors and tools linked into it.
#include "editor/editormain.h"
#include "editors/headereditor.h"
#include "editors/pageeditor.h"
#include "tools/wizard.h"

int WINAPI WinMain(HINSTANCE inst, HINSTANCE, LPSTR cmdline, int show)
{
    static const EDITORPARTS parts{EditHeader, EditPage, nullptr, DoPhotoAlbumWizard};
    return EditorMain(inst, cmdline, show, parts);
}
