#include "common/modal.h"

static MODALHOOK modalhook;

MODALHOOK COMMONSetModalHook(MODALHOOK hook)
{
    MODALHOOK old = modalhook;
    modalhook = hook;
    return old;
}

INT_PTR COMMONModalForReal(const MODALCALL *call)
{
    return call->run ? call->run(call) : -1;
}

INT_PTR COMMONModal(const MODALCALL *call)
{
    return modalhook ? modalhook(call) : COMMONModalForReal(call);
}

static INT_PTR RunDialogBox(const MODALCALL *call)
{
    return DialogBoxParamA(call->instance, call->name, call->parent, call->proc, call->param);
}

INT_PTR COMMONDialogBox(HINSTANCE inst, const char *templ, HWND parent, DLGPROC proc,
                        LPARAM param, const char *text)
{
    MODALCALL call{};
    call.kind = MODAL_DIALOG;
    call.parent = parent;
    call.instance = inst;
    call.name = templ;
    call.text = text;
    call.proc = proc;
    call.param = param;
    call.run = RunDialogBox;
    return COMMONModal(&call);
}

static INT_PTR RunMessageBox(const MODALCALL *call)
{
    return MessageBoxA(call->parent, call->text, call->caption, call->style);
}

int COMMONMessageBox(HWND parent, const char *text, const char *caption, UINT style)
{
    MODALCALL call{};
    call.kind = MODAL_MESSAGEBOX;
    call.parent = parent;
    call.text = text;
    call.caption = caption;
    call.style = style;
    call.run = RunMessageBox;
    return (int)COMMONModal(&call);
}
