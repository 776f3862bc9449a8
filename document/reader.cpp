#include "document/reader.h"
#include "common/dialog.h"
#include "common/dibheader.h"
#include "common/guard.h"
#include "common/modal.h"
#include "common/msgdlg.h"
#include "common/owners.h"
#include "common/services.h"
#include "common/shell.h"
#include "common/strings.h"
#include "document/blockstore.h"
#include "document/compress.h"
#include "document/objects.h"
#include "document/trailer.h"
#include "resources/document_ids.h"
#include <emmintrin.h>
#include <zlib.h>
#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace {

// Deflate makes at most about 1032 bytes of one; a claim beyond that is false.
constexpr uint64_t MAXEXPANSION = 1040;
// The document's records and streams are read through one window of the file
// held in memory, so that walking many small blocks and objects costs no more
// than reading their bytes once; only reads larger than the window go
// straight to the file.
constexpr uint32_t WINDOW = 256u << 10;
// Finer than any progress bar is wide.
constexpr uint64_t PROGRESSSTEPS = 1024;

struct Input {
    HANDLE file = NULL;
    uint64_t size = 0;
    DOCUMENTREADER read = nullptr;
    // No larger than the rest of the file from the first fill on: a small
    // document costs no window of the full size, nor clearing one.
    std::unique_ptr<uint8_t[]> window;
    uint32_t capacity = 0;
    uint64_t windowstart = 0;
    uint32_t windowlength = 0;
    // A read of the file failed (not its contents): the load fails, whatever
    // the stream being expanded made of the missing bytes.
    bool failed = false;

    // Makes the window begin at `at`.
    bool Fill(uint64_t at)
    {
        uint32_t want = (uint32_t)std::min<uint64_t>(WINDOW, size - at);
        if (want > capacity) {
            window.reset(new (std::nothrow) uint8_t[want]);
            capacity = window ? want : 0;
            if (!window) {
                windowlength = 0;
                failed = true;
                return false;
            }
        }
        windowstart = at;
        windowlength = (uint32_t)std::min<uint64_t>(WINDOW, size - at);
        if (!SeekTo(file, at) || !ReadBytes(file, window.get(), windowlength, read)) {
            windowlength = 0;
            failed = true;
            return false;
        }
        return true;
    }

    bool ReadAt(uint64_t at, void *data, uint32_t count)
    {
        if (at > size || count > size - at)
            return false;
        if (count > WINDOW)
            return SeekTo(file, at) && ReadBytes(file, data, count, read);
        if ((at < windowstart || at + count > windowstart + windowlength) && !Fill(at))
            return false;
        memcpy(data, window.get() + (at - windowstart), count);
        return true;
    }

    // The bytes of a stream, from the window, as far as it holds them.
    struct Stream {
        Input *in;
        uint64_t at;
    };
    static bool Next(void *context, uint32_t want, const uint8_t **bytes, uint32_t *count)
    {
        auto *s = (Stream *)context;
        Input &in = *s->in;
        if (s->at >= in.size)
            return false;
        if ((s->at < in.windowstart || s->at >= in.windowstart + in.windowlength) && !in.Fill(s->at))
            return false;
        uint32_t offset = (uint32_t)(s->at - in.windowstart);
        *bytes = in.window.get() + offset;
        *count = std::min(want, in.windowlength - offset);
        s->at += *count;
        return true;
    }
};

typedef DOCUMENTTRAILER Trailer;

template <size_t N> void Terminate(char (&text)[N])
{
    text[N - 1] = 0;
}

} // namespace

void SanitiseObject(OBJECTHEADER *o)
{
    ClearRunTimeFields(o);
    if (o->tag == TAG_TEXT && o->fixedsize >= sizeof(OBJECTTEXT))
        Terminate(((OBJECTTEXT *)o)->face);
    if (o->tag == TAG_FONT && o->datasize >= sizeof(FONTBLOCKHEAD)) {
        // The player deletes each entry's path when it ends: a path from the
        // file must never reach it.
        char *table = ObjectData(o);
        uint64_t offset = sizeof(FONTBLOCKHEAD);
        uint32_t count = ((FONTBLOCKHEAD *)table)->count;
        for (uint32_t i = 0; i < count && offset + sizeof(FONTENTRY) <= o->datasize; i++) {
            FONTENTRY *e = (FONTENTRY *)(table + offset);
            Terminate(e->face);
            memset(e->path, 0, sizeof e->path);
            offset += sizeof(FONTENTRY) + (uint64_t)e->size;
        }
    }
}

HGLOBAL NewObjectBlock(uint64_t total, const void *bytes)
{
    if (total > MAXOBJECTBYTES)
        return NULL;
    // Only what lies behind the object is cleared: zeroing large pictures
    // first would cost time.
    GlobalBlock h(GlobalAlloc(GMEM_MOVEABLE, (SIZE_T)total + OBJECTSLACK));
    GlobalLocked<char> o(h.get());
    if (!o)
        return NULL;
    memset(o.get() + total, 0, o.size() - (SIZE_T)total);
    if (bytes) {
        memcpy(o.get(), bytes, (SIZE_T)total);
        SanitiseObject((OBJECTHEADER *)o.get());
    }
    o.Unlock();
    return h.Release();
}

namespace {

struct Loader {
    Input in;
    HWND list;
    BLOCKSET *set;
    HWND parent;
    const LOADHOST &host;
    uint32_t headerflags = 0;
    Expander expander{};
    // Whether the user will go on with a damaged document: asked once, at
    // the first damage; the answer holds for the rest of the document.
    enum { UNASKED, GOON, STOP } answer = UNASKED;
    // The list's items before this load, and the memory handles this load
    // holds: blocks, their object arrays and objects.
    unsigned firstitem = 0, appended = 0;
    uint32_t handles = 0;
    bool toomany = false;
    bool notdocument = false; // the file holds no document at all

    // Damage that may be passed over (an object left out, blocks that do
    // not add up, an object head that contradicts itself): what could be
    // read is kept if the user says so. No one to ask ends the load.
    bool GoOnDespite()
    {
        if (answer == UNASKED)
            answer = host.goonwithout && host.goonwithout(parent) ? GOON : STOP;
        return answer == GOON;
    }

    // Every handle is counted before it is taken: a document that needs more
    // than the system has is refused before the platform runs out.
    bool Take(uint32_t count)
    {
        if (count > MAXDOCUMENTHANDLES - handles) {
            toomany = true;
            return false;
        }
        handles += count;
        return true;
    }

    // The list's top item before the load, put back if the load moved it.
    LRESULT top = LB_ERR;
    bool moved = false;
    void PutBackTop()
    {
        if (moved)
            SendMessageA(list, LB_SETTOPINDEX, (WPARAM)top, 0);
    }

    bool Append(BLOCK &block)
    {
        if (!Take(1))
            return false;
        // Numbered as they come, by their place in the list: no second pass
        // over the blocks.
        const unsigned expected = firstitem + appended;
        block.sequence = (int16_t)expected;
        int index = AppendBlock(list, set, &block);
        if (index <= 0)
            return false;
        appended++;
        moved = StepListTop(list, (unsigned)index - 1) || moved;
        if ((unsigned)index - 1 == expected)
            return true;
        block.sequence = (int16_t)(index - 1);
        return PutBlock(list, (unsigned)index - 1, &block) != 0;
    }

    // Reads the object record at `pos` of a block that ends at `end`. False
    // fails the load; *object stays 0 when the object is left out.
    bool ReadObject(uint64_t pos, uint64_t end, HGLOBAL *object, uint64_t *next)
    {
        *object = NULL;
        OBJECTHEADER head;
        if (end < pos || end - pos < sizeof head || !in.ReadAt(pos, &head, sizeof head))
            return false;
        const uint32_t fixed = head.fixedsize;
        const uint64_t compressed = head.compressedsize;
        const HEADVERDICT verdict = ObjectHeadVerdict(head);
        const uint32_t known = ObjectFixedSize(head.tag), kept = known ? known : fixed;
        if (fixed < std::max(known, OBJECTHEADERSIZE) || fixed + compressed > end - pos)
            return false;
        *next = pos + fixed + compressed;
        // A fixed part longer than any this reader holds still says where
        // its record ends: the object is damage to leave out, not the end of
        // the load.
        if (verdict == HEAD_UNREADABLE)
            return GoOnDespite();
        // Going on despite a damaged head keeps the object as its type and
        // data say, so no save writes the rest.
        if (verdict == HEAD_DAMAGED && !GoOnDespite())
            return false;
        uint64_t total = (uint64_t)kept + head.datasize;
        bool plausible = total <= MAXOBJECTBYTES &&
                         (compressed ? head.datasize <= compressed * MAXEXPANSION + 1024 : head.datasize == 0);
        if (!plausible)
            return GoOnDespite();

        if (!Take(1))
            return false;
        HGLOBAL h = NewObjectBlock(total);
        if (!h)
            return false;
        bool ok, expanded = true;
        {
            GlobalLocked<char> o(h);
            ok = (bool)o;
            if (ok) {
                memcpy(o.get(), &head, sizeof head);
                ok = in.ReadAt(pos + sizeof head, o.get() + sizeof head, kept - (uint32_t)sizeof head);
            }
            if (ok && compressed) {
                Input::Stream stream{&in, pos + fixed};
                expanded = expander.Expand(Input::Next, &stream, (uint32_t)compressed, o.get() + kept, head.datasize);
            }
            if (ok && expanded) {
                OBJECTHEADER *r = (OBJECTHEADER *)o.get();
                r->fixedsize = kept;
                r->totalsize = (uint32_t)total;
                SanitiseObject(r);
            }
        }
        if (!ok || !expanded) {
            GlobalFree(h);
            handles--;
            return ok && !in.failed && GoOnDespite();
        }
        *object = h;
        return true;
    }

    // Reads `count` object records from `pos` into the block, whose objects
    // should take `bytes` and end at `end`. Objects left out leave no gap:
    // the array holds what was read.
    bool ReadObjects(BLOCK &block, uint64_t pos, uint64_t end, uint32_t bytes, uint32_t count, uint32_t *stored,
                     uint32_t *flags)
    {
        *stored = 0;
        if (count == 0 || !(*flags & BLOCK_HASOBJECTS)) {
            *flags &= ~BLOCK_HASOBJECTS;
            return (pos == end && bytes == 0) || GoOnDespite();
        }
        if (count > (end - pos) / OBJECTHEADERSIZE || !Take(1))
            return false;
        block.objects = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, count * sizeof(HGLOBAL));
        if (!block.objects)
            return false;
        const uint64_t start = pos;
        {
            GlobalLocked<HGLOBAL> array(block.objects);
            if (!array)
                return false;
            for (uint32_t i = 0; i < count; i++) {
                HGLOBAL object;
                // On a failure what was read so far goes with the block.
                if (!ReadObject(pos, end, &object, &pos))
                    return false;
                if (object)
                    array.get()[(*stored)++] = object;
            }
        }
        if (*stored == 0) {
            GlobalFree(block.objects);
            block.objects = NULL;
            handles--;
            *flags &= ~BLOCK_HASOBJECTS;
        } else if (*stored < count) {
            if (HGLOBAL shrunk = GlobalReAlloc(block.objects, *stored * sizeof(HGLOBAL), GMEM_MOVEABLE))
                block.objects = shrunk;
        }
        return (pos == end && pos - start == bytes) || GoOnDespite();
    }

    // The background picture of a document from before header objects: one
    // stream behind the header, made into the header's image object.
    bool ReadOldPicture(BLOCK &header, uint64_t pos, uint64_t end)
    {
        uint32_t length = header.hedr.objectbytes;
        if (length == 0 || length > end - pos || !Take(2))
            return false;
        std::unique_ptr<char[]> stream(new (std::nothrow) char[length]);
        if (!stream || !in.ReadAt(pos, stream.get(), length))
            return false;
        // The picture is taken by the rule the picture code shows it by: a
        // header it cannot show is damage before anything is expanded, the
        // stream expands no further than its header accounts for (a small
        // file makes no huge block behind a small picture), and one that
        // ends before the rows the display reads is damage too.
        BITMAPINFOHEADER head;
        DIBLAYOUT layout;
        unsigned long size = length;
        HGLOBAL picture = NULL;
        if (UncompressHead(stream.get(), length, &head, sizeof head) && DibHeaderLayout(&head, &layout))
            picture = UncompressData(stream.get(), &size, 1, layout.most);
        stream.reset();
        if (picture && size < layout.total) {
            GlobalFree(picture);
            picture = NULL;
        }
        if (!picture)
            return GoOnDespite();
        HGLOBAL object = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(OBJECTIMAGE) + size + OBJECTSLACK);
        bool ok = false;
        if (object) {
            GlobalLocked<OBJECTIMAGE> o(object);
            GlobalLocked<char> p(picture);
            if (o && p) {
                o->header.tag = TAG_IMAG;
                o->header.fixedsize = sizeof(OBJECTIMAGE);
                o->header.datasize = size;
                o->header.totalsize = sizeof(OBJECTIMAGE) + size;
                memcpy(o.get() + 1, p.get(), size);
                ok = true;
            }
        }
        GlobalFree(picture);
        if (ok)
            ok = AppendPageObject(&header, object);
        if (!ok && object)
            GlobalFree(object);
        return ok;
    }

    bool AskPassword(uint32_t check)
    {
        if (!host.password)
            return true;
        for (;;) {
            char buffer[STOREDPASSWORDCHARS + 1] = {};
            if (!host.password(parent, buffer))
                return false;
            buffer[STOREDPASSWORDCHARS] = 0;
            EncryptString(buffer, 1);
            // The header editor's field keeps no more than PASSWORDCHARS of
            // a paste, so a longer answer is tried cut there too: the same
            // paste into this box then opens what it protected. The whole
            // answer still opens what an earlier, wider field made.
            size_t n = strlen(buffer);
            bool right = crc32(0, (const Bytef *)buffer, (uInt)n) == check ||
                         (n > (size_t)PASSWORDCHARS && crc32(0, (const Bytef *)buffer, PASSWORDCHARS) == check);
            SecureZeroMemory(buffer, sizeof buffer);
            if (right)
                return true;
        }
    }

    bool ReadHeader(const Trailer &t, uint64_t *next, uint32_t *blockcount)
    {
        uint64_t pos = t.start + ENDSIZE - t.length;
        // The whole record comes from the file: the defaults a new header
        // would get (and the machine's names they ask for) are not needed.
        BLOCK header{};
        header.tag = TAG_HEDR;
        header.recordsize = HEDRSIZE;
        header.blockset = set;
        HEDRRECORD &h = header.hedr;
        if (!in.ReadAt(pos, &h, sizeof h) || h.tag != TAG_HEDR)
            return false;
        if (crc32(0, (const Bytef *)&h, sizeof h) != t.headercrc)
            return false;
        if (h.size < HEDRSIZE || h.size > t.start - pos)
            return false;
        if ((h.flags & HEDR_PASSWORD) && !AskPassword(h.password))
            return false;
        Terminate(h.title);
        Terminate(h.author);
        Terminate(h.organisation);
        Terminate(h.reservedtext);
        Terminate(h.about);
        headerflags = h.flags;
        *blockcount = h.blockcount;
        *next = pos + h.size;

        uint32_t count = h.objectcount;
        h.objectcount = 0;
        bool ok;
        if (h.flags & HEDR_NEWLAYOUT) {
            ok = ReadObjects(header, pos + HEDRSIZE, *next, h.objectbytes, count, &h.objectcount, &h.flags);
        } else {
            // A header from before header objects holds its picture at most.
            // Bytes behind it that no picture claims are objects that damage
            // (a cleared layout flag) would drop, and are asked about as any
            // other loss is.
            h.flags &= ~BLOCK_HASOBJECTS;
            const uint64_t behind = *next - (pos + HEDRSIZE), claimed = h.oldpicture ? h.objectbytes : 0;
            ok = behind <= claimed || GoOnDespite();
            ok = ok && (!h.oldpicture || ReadOldPicture(header, pos + HEDRSIZE, *next));
        }
        // The fonts are the player's to install; the editor works without them.
        for (int i; ok && !host.keepfonts && (i = FindPageObject(&header, TAG_FONT, 0)) >= 0;)
            ok = DeletePageObject(&header, (unsigned)i);
        if (ok && Append(header))
            return true;
        DestroyBlock(&header);
        return false;
    }

    bool ReadPage(uint64_t pos, uint32_t size)
    {
        // The whole record comes from the file, over a new page's defaults.
        BLOCK page{};
        page.tag = TAG_PAGE;
        page.recordsize = PAGESIZE;
        page.blockset = set;
        PAGERECORD &p = page.page;
        if (!in.ReadAt(pos, &p, sizeof p))
            return false;
        Terminate(p.title);
        p.size = size;
        uint32_t count = p.objectcount;
        p.objectcount = 0;
        if (ReadObjects(page, pos + PAGESIZE, pos + size, p.objectbytes, count, &p.objectcount, &p.flags) &&
            Append(page))
            return true;
        DestroyBlock(&page);
        return false;
    }

    bool Read(const char *path)
    {
        Trailer t;
        bool unreadable = false;
        if (!FindDocumentTrailer(in.file, in.size, &t, in.read, &unreadable)) {
            notdocument = !unreadable;
            return false;
        }
        const uint64_t documentend = t.start;
        uint64_t pos;
        // The header's count of its blocks, itself included; 0 when unknown.
        uint32_t blockcount, pages = 0, walked = 1;
        firstitem = (unsigned)SendMessageA(list, LB_GETCOUNT, 0, 0);
        if (!ReadHeader(t, &pos, &blockcount))
            return false;
        // Room for the blocks the header counts, made at once rather than
        // as the list grows.
        if (blockcount > 1)
            SendMessageA(list, LB_INITSTORAGE, std::min(blockcount, MAXDOCUMENTHANDLES), 2 * (LPARAM)blockcount);
        if (host.openprogress)
            host.openprogress(parent, headerflags);
        const unsigned shown = blockcount ? blockcount : 1;
        // A page's progress is reported only where the bar would move: a
        // redrawn status bar a page costs more than reading a small page.
        uint64_t reported = 0;
        if (host.progress)
            host.progress(0, shown);
        // Every block ends before the trailer and is at least its record long,
        // so each step moves on. Blocks of other kinds are passed over, but
        // count against the header's number, which bounds the walk.
        while (pos != documentend) {
            uint32_t head[2];
            if (documentend - pos < sizeof head || !in.ReadAt(pos, head, sizeof head))
                return false;
            uint32_t tag = head[0], size = head[1];
            if (tag == TAG_END)
                break;
            uint32_t least = tag == TAG_PAGE ? PAGESIZE : tag == TAG_HEDR ? HEDRSIZE : sizeof head;
            if (size < least || size > documentend - pos)
                return false;
            if (blockcount && ++walked > blockcount && !GoOnDespite())
                return false;
            if (tag == TAG_PAGE) {
                if (!ReadPage(pos, size))
                    return false;
                ++pages;
                uint64_t step = (uint64_t)pages * PROGRESSSTEPS / shown;
                if (host.progress && (step != reported || pages + 1 >= shown)) {
                    host.progress(pages, shown);
                    reported = step;
                }
            }
            pos += size;
        }
        // A page whose tag was damaged is passed over: only the count shows it.
        if (blockcount && pages + 1 != blockcount && !GoOnDespite())
            return false;
        if (host.titles)
            SetBlockTitles(list, set);
        set->modified = 0;
        snprintf(set->path, sizeof set->path, "%s", path);
        return true;
    }

    // A refused document leaves nothing of itself behind.
    void Withdraw()
    {
        for (unsigned i = (unsigned)SendMessageA(list, LB_GETCOUNT, 0, 0); i-- > firstitem;) {
            moved = StepListTop(list, i) || moved;
            FreeBlock(list, i);
            SendMessageA(list, LB_DELETESTRING, i, 0);
        }
    }
};

// The password substitution: control characters stay, and the bytes from 32
// up are shuffled among themselves, so no byte but 0 ever becomes 0 and the
// reverse is exact.
constexpr std::array<uint8_t, 256> MakeCipher()
{
    std::array<uint8_t, 256> t{};
    for (int i = 0; i < 256; i++)
        t[i] = (uint8_t)i;
    uint32_t seed = 0x5B1D0C3Au;
    for (int i = 255; i > 32; i--) {
        seed = seed * 1664525u + 1013904223u;
        int j = 32 + (int)((seed >> 8) % (uint32_t)(i - 31));
        uint8_t v = t[i];
        t[i] = t[j];
        t[j] = v;
    }
    return t;
}
constexpr std::array<uint8_t, 256> CIPHER = MakeCipher();

constexpr bool ValidCipher()
{
    bool seen[256] = {};
    for (int i = 0; i < 256; i++) {
        if ((i < 32) != (CIPHER[i] < 32) || seen[CIPHER[i]])
            return false;
        seen[CIPHER[i]] = true;
    }
    return CIPHER[0] == 0;
}
static_assert(ValidCipher());

} // namespace

static int AskGoOnWithout(HWND parent)
{
    return DoYesNo(parent, FetchString(IDS_OBJECTREADERROR)) == IDYES;
}

static void OpenStatusBar(HWND, uint32_t)
{
    OpenStatus();
}

const LOADHOST EDITORLOAD = {GetFilePassword, AskGoOnWithout, OpenStatusBar, UpdateStatus, CloseStatus, false, true,
                             nullptr};

int LoadExeFileWith(HWND list, BLOCKSET *set, const char *path, const LOADHOST &host)
{
    if (!set || !path)
        return 0;
    FileHandle file(CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL));
    LARGE_INTEGER size;
    if (!file || !GetFileSizeEx(file.get(), &size))
        return 0;
    Input input;
    input.file = file.get();
    input.size = (uint64_t)size.QuadPart;
    input.read = host.read;
    Loader loader{std::move(input), list, set, GetParent(list), host};
    loader.top = SendMessageA(list, LB_GETTOPINDEX, 0, 0);
    bool ok = loader.Read(path);
    if (!ok && loader.toomany)
        loader.Withdraw();
    loader.PutBackTop();
    if (host.closeprogress)
        host.closeprogress();
    SetLastError(ok                   ? 0
                 : loader.toomany     ? LOADERROR_TOOMANYBLOCKS
                 : loader.notdocument ? LOADERROR_NOTDOCUMENT
                                      : ERROR_INVALID_DATA);
    return ok ? 1 : 0;
}

int LoadExeFile(HWND list, BLOCKSET *set, const char *path)
{
    // A shared cursor: loaded once, not at every load.
    static const HCURSOR wait = LoadCursorA(NULL, (LPCSTR)IDC_WAIT);
    HCURSOR cursor = SetCursor(wait);
    int ok = LoadExeFileWith(list, set, path, EDITORLOAD);
    DWORD error = GetLastError();
    SetCursor(cursor);
    SetLastError(error);
    return ok;
}

int GetFilePassword(HWND parent, char *buffer)
{
    INT_PTR r = COMMONDialogBox(hInst, "GetPasswordBox", parent, GetPasswordProc, (LPARAM)buffer, nullptr);
    if (parent)
        UpdateWindow(parent);
    return r == IDOK ? 1 : 0;
}

static INT_PTR GetPasswordMessage(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam)
{
    INT_PTR answer;
    if (COMMONDialogMessage(dlg, msg, wParam, lParam, &answer))
        return answer;
    switch (msg) {
    case WM_INITDIALOG:
        SendDlgItemMessageA(dlg, IDC_PASSWORD, EM_LIMITTEXT, STOREDPASSWORDCHARS, 0);
        SendMessageA(dlg, WM_COMMAND, MAKEWPARAM(IDC_PASSWORD, EN_CHANGE), (LPARAM)GetDlgItem(dlg, IDC_PASSWORD));
        SetFocus(GetDlgItem(dlg, IDC_PASSWORD));
        CentreWindow(dlg);
        return FALSE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDC_PASSWORD:
            if (HIWORD(wParam) == EN_CHANGE)
                EnableWindow(GetDlgItem(dlg, IDOK), GetWindowTextLengthA(GetDlgItem(dlg, IDC_PASSWORD)) > 5);
            return TRUE;
        case IDOK:
            if (char *buffer = DialogState<char>(dlg))
                GetDlgItemTextA(dlg, IDC_PASSWORD, buffer, STOREDPASSWORDCHARS + 1);
            EndDialog(dlg, IDOK);
            return TRUE;
        }
        return FALSE;
    }
    return FALSE;
}

INT_PTR CALLBACK GetPasswordProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam)
{
    return COMMONGuard(dlg, msg, [&] { return GetPasswordMessage(dlg, msg, wParam, lParam); });
}

void EncryptString(char *text, int forward)
{
    for (unsigned char *p = (unsigned char *)text; *p; p++) {
        if (forward) {
            *p = CIPHER[*p];
        } else {
            for (int i = 32; i < 256; i++)
                if (CIPHER[i] == *p) {
                    *p = (unsigned char)i;
                    break;
                }
        }
    }
}
