// The editor program: the shell with the editors and tools linked into it,
// and the interpreter for the shows it opens.
#include "applet/appletwindow.h"
#include "editor/editormain.h"
#include "editors/headereditor.h"
#include "editors/pageeditor.h"
#include "tools/scripteditor.h"
#include "tools/wizard.h"

int WINAPI WinMain(HINSTANCE inst, HINSTANCE, LPSTR cmdline, int show)
{
    static SHOWHOST showhost = QV_SystemHost;
    showhost.appletwindow = APPLETWindowProc;
    static const EDITORPARTS parts{EditHeader, EditPage, EditAppletProc, DoPhotoAlbumWizard, &showhost};
    return EditorMain(inst, cmdline, show, parts);
}
