#include "document/compress.h"
#include <cstdio>

int WriteObject(HWND, const char *path, HGLOBAL data)
{
    SIZE_T size = data ? GlobalSize(data) : 0;
    const void *bytes = size ? GlobalLock(data) : nullptr;
    if (size && !bytes)
        return 0;
    HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    bool ok = file != INVALID_HANDLE_VALUE;
    if (ok && size) {
        DWORD written = 0;
        ok = WriteFile(file, bytes, (DWORD)size, &written, NULL) && written == size;
    }
    if (file != INVALID_HANDLE_VALUE && !CloseHandle(file))
        ok = false;
    if (bytes)
        GlobalUnlock(data);
    if (!ok && file != INVALID_HANDLE_VALUE)
        DeleteFileA(path);
    return ok ? 1 : 0;
}
