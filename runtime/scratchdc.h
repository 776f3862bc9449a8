// Memory DCs lent out for one drawing step. Making and deleting a DC costs
// far more than a tick's copies, so the few in use are kept and lent again;
// each comes back in the state it was lent in.
#pragma once
#include <windows.h>

class ScratchDC {
public:
    ScratchDC();
    ~ScratchDC();
    ScratchDC(const ScratchDC &) = delete;
    ScratchDC &operator=(const ScratchDC &) = delete;
    HDC dc() const { return handle; }
    explicit operator bool() const { return handle != NULL; }

private:
    HDC handle = NULL;
    int saved = 0;
    HGDIOBJ bitmap = NULL;
};
