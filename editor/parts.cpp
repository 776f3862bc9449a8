// The record of the editor's outer parts, kept with the frame window.
#include "editor/parts.h"
#include "common/msgdlg.h"
#include "common/shell.h"
#include "common/strings.h"
#include "resources/editorframe_ids.h"

namespace {

constexpr char PARTSPROPERTY[] = "ShowbinderEditorParts";
const EDITORPARTS none{};

} // namespace

void BindEditorParts(HWND frame, const EDITORPARTS *parts)
{
    if (!frame)
        return;
    if (parts)
        SetPropA(frame, PARTSPROPERTY, (HANDLE)parts);
    else
        RemovePropA(frame, PARTSPROPERTY);
}

const EDITORPARTS &EditorParts()
{
    const auto *parts = hwndmain ? (const EDITORPARTS *)GetPropA(hwndmain, PARTSPROPERTY) : nullptr;
    return parts ? *parts : none;
}

const SHOWHOST &EditorShowHost()
{
    const SHOWHOST *host = EditorParts().showhost;
    return host ? *host : QV_SystemHost;
}

bool EditorPartReady(HWND owner, bool present)
{
    if (!present)
        DoMessage(owner, FetchString(IDS_NOTAVAILABLE));
    return present;
}
