// Small owners of what the code holds from Windows: a movable global block,
// its lock, a window's device context, a GDI object selected into a DC or
// created for a while, and a file handle. Each gives back what it holds when
// its scope ends, so an early return cannot leak or leave a block locked.
// A leaf: it includes nothing of ours, so every layer, the codecs included,
// may use it.
#pragma once
#include <windows.h>
#include <cstring>

// A movable global block, freed at the end of the scope unless released.
class GlobalBlock {
public:
    GlobalBlock() = default;
    explicit GlobalBlock(HGLOBAL handle) : h(handle) {}
    // A new movable, zero-initialised block; empty when memory fails.
    static GlobalBlock Alloc(SIZE_T size) { return GlobalBlock(GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size)); }
    GlobalBlock(GlobalBlock &&other) noexcept : h(other.Release()) {}
    GlobalBlock &operator=(GlobalBlock &&other) noexcept
    {
        if (this != &other)
            Reset(other.Release());
        return *this;
    }
    GlobalBlock(const GlobalBlock &) = delete;
    GlobalBlock &operator=(const GlobalBlock &) = delete;
    ~GlobalBlock() { Reset(); }

    HGLOBAL get() const { return h; }
    explicit operator bool() const { return h != NULL; }
    // Hands the block over: the caller frees it from now on.
    HGLOBAL Release()
    {
        HGLOBAL given = h;
        h = NULL;
        return given;
    }
    void Reset(HGLOBAL handle = NULL)
    {
        if (h)
            GlobalFree(h);
        h = handle;
    }

private:
    HGLOBAL h = NULL;
};

// A global block locked for one scope; false when the handle is 0 or the
// lock fails.
template <class T = void> class GlobalLocked {
public:
    GlobalLocked() = default;
    explicit GlobalLocked(HGLOBAL handle) { Lock(handle); }
    explicit GlobalLocked(const GlobalBlock &block) { Lock(block.get()); }
    ~GlobalLocked() { Unlock(); }
    // Locks `handle` instead of what was locked before; false when it fails.
    bool Lock(HGLOBAL handle)
    {
        Unlock();
        h = handle;
        p = handle ? (T *)GlobalLock(handle) : nullptr;
        return p != nullptr;
    }
    GlobalLocked(const GlobalLocked &) = delete;
    GlobalLocked &operator=(const GlobalLocked &) = delete;
    explicit operator bool() const { return p != nullptr; }
    T *get() const { return p; }
    T *operator->() const { return p; }
    // The block's size, 0 when it is not locked.
    SIZE_T size() const { return p ? GlobalSize(h) : 0; }
    // Ends the lock before the scope does, e.g. to hand the block on.
    void Unlock()
    {
        if (p)
            GlobalUnlock(h);
        p = nullptr;
    }

private:
    HGLOBAL h = NULL;
    T *p = nullptr;
};

// A new movable, zero-initialised block of `size` bytes that starts with the
// `alen` bytes at `a` followed by the `blen` bytes at `b`; 0 when memory fails.
inline HGLOBAL NewGlobal(SIZE_T size, const void *a, SIZE_T alen, const void *b = nullptr, SIZE_T blen = 0)
{
    GlobalBlock block = GlobalBlock::Alloc(size);
    GlobalLocked<char> p(block);
    if (!p)
        return NULL;
    if (alen)
        memcpy(p.get(), a, alen);
    if (blen)
        memcpy(p.get() + alen, b, blen);
    p.Unlock();
    return block.Release();
}

// The device context of a window's client area (or of the screen for NULL),
// or with `whole` of the window with its frame, released at the end of the
// scope.
class WindowDC {
public:
    explicit WindowDC(HWND window, bool whole = false) : hwnd(window), dc(whole ? GetWindowDC(window) : GetDC(window))
    {
    }
    ~WindowDC()
    {
        if (dc)
            ReleaseDC(hwnd, dc);
    }
    WindowDC(const WindowDC &) = delete;
    WindowDC &operator=(const WindowDC &) = delete;
    operator HDC() const { return dc; }

private:
    HWND hwnd;
    HDC dc;
};

// A window's painting, from BeginPaint to EndPaint at the end of the scope.
class PaintDC {
public:
    explicit PaintDC(HWND window) : hwnd(window), dc(BeginPaint(window, &ps)) {}
    ~PaintDC() { EndPaint(hwnd, &ps); }
    PaintDC(const PaintDC &) = delete;
    PaintDC &operator=(const PaintDC &) = delete;
    operator HDC() const { return dc; }
    PAINTSTRUCT ps;

private:
    HWND hwnd;
    HDC dc;
};

// A memory device context that gives back its first selection and is
// deleted at the end of the scope.
class MemoryDC {
public:
    explicit MemoryDC(HDC like) : dc(CreateCompatibleDC(like)) {}
    ~MemoryDC()
    {
        if (dc) {
            Restore();
            DeleteDC(dc);
        }
    }
    operator HDC() const { return dc; }
    // Gives back the first selection now, e.g. so that a bitmap can be read
    // or deleted before the scope ends.
    void Restore()
    {
        if (old)
            SelectObject(dc, old);
        old = nullptr;
    }
    MemoryDC(const MemoryDC &) = delete;
    MemoryDC &operator=(const MemoryDC &) = delete;
    // Selects `object` into the DC; false when there is no DC or it fails.
    bool Select(HGDIOBJ object)
    {
        if (!dc || !object)
            return false;
        HGDIOBJ previous = SelectObject(dc, object);
        if (!previous || previous == HGDI_ERROR)
            return false;
        if (!old)
            old = previous;
        return true;
    }
    HDC dc;

private:
    HGDIOBJ old = nullptr;
};

// A GDI object selected into a DC for one scope; the previous one comes back.
class SelectedObject {
public:
    SelectedObject(HDC context, HGDIOBJ object) : dc(context), old(object ? SelectObject(context, object) : NULL) {}
    ~SelectedObject()
    {
        if (old)
            SelectObject(dc, old);
    }
    SelectedObject(const SelectedObject &) = delete;
    SelectedObject &operator=(const SelectedObject &) = delete;

private:
    HDC dc;
    HGDIOBJ old;
};

// A DC's state saved for one scope: its selections, clipping, origins and
// modes come back at the end.
class SavedDC {
public:
    explicit SavedDC(HDC context) : dc(context), saved(SaveDC(context)) {}
    ~SavedDC()
    {
        if (saved)
            RestoreDC(dc, saved);
    }
    SavedDC(const SavedDC &) = delete;
    SavedDC &operator=(const SavedDC &) = delete;

private:
    HDC dc;
    int saved;
};

// A created pen, brush, font, bitmap or region, deleted at the end of the
// scope unless released. Declare it before the memory DC or SelectedObject
// that selects it, so that it is deselected before it is deleted.
template <class T = HGDIOBJ> class GdiObject {
public:
    GdiObject() = default;
    explicit GdiObject(T object) : h(object) {}
    ~GdiObject() { Reset(); }
    GdiObject(const GdiObject &) = delete;
    GdiObject &operator=(const GdiObject &) = delete;
    // Moving hands the object on, so that a record holding one can be
    // cleared by assigning a fresh record.
    GdiObject(GdiObject &&o) noexcept : h(o.Release()) {}
    GdiObject &operator=(GdiObject &&o) noexcept
    {
        if (this != &o)
            Reset(o.Release());
        return *this;
    }
    operator T() const { return h; }
    T get() const { return h; }
    T Release()
    {
        T given = h;
        h = NULL;
        return given;
    }
    void Reset(T object = NULL)
    {
        if (h)
            DeleteObject(h);
        h = object;
    }

private:
    T h = NULL;
};

// A file handle from CreateFile, closed at the end of the scope.
class FileHandle {
public:
    FileHandle() = default;
    explicit FileHandle(HANDLE handle) : h(handle) {}
    ~FileHandle() { Close(); }
    FileHandle(const FileHandle &) = delete;
    FileHandle &operator=(const FileHandle &) = delete;
    explicit operator bool() const { return h != INVALID_HANDLE_VALUE && h != NULL; }
    HANDLE get() const { return h; }
    // Closes now; false when the close itself failed (a write may be lost).
    bool Close()
    {
        bool ok = true;
        if (*this)
            ok = CloseHandle(h) != 0;
        h = INVALID_HANDLE_VALUE;
        return ok;
    }

private:
    HANDLE h = INVALID_HANDLE_VALUE;
};
