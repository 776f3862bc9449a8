#include "document/writer.h"
#include "common/owners.h"
#include "common/paths.h"
#include "common/services.h"
#include "common/shell.h"
#include "document/blockstore.h"
#include "document/compress.h"
#include "document/objects.h"
#include "document/reader.h"
#include "document/record.h"
#include "resources/resource.h"
#include <zlib.h>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

// The file being written, and where its end is: records are appended, and a
// record whose sizes are known only afterwards is written again in place.
// The error of the first write that failed is kept, since unlocking and
// freeing on the way out may clear the thread's.
struct Output {
    HANDLE file;
    const SAVEHOST &host;
    uint64_t end = 0;
    DWORD error = 0;
    SAVEREFUSAL *refused = nullptr;
    int block = -1;     // being written
    uint32_t place = 0; // of the object being written, among its block's

    // The object no load would read back: named for the user, who can then
    // change or delete that one object. One whose block cannot be read is
    // named by its place alone.
    bool Refuse(const OBJECTHEADER *o)
    {
        if (refused)
            *refused = {block, o ? o->number : 0, o ? o->tag : 0, place, !o};
        SetLastError(ERROR_INVALID_DATA);
        return Failed();
    }

    bool Failed()
    {
        if (!error)
            error = GetLastError();
        return false;
    }
    bool Append(const void *data, DWORD size)
    {
        if (!WriteBytes(file, data, size, host.write))
            return Failed();
        end += size;
        return true;
    }
    bool Rewrite(uint64_t at, const void *data, DWORD size)
    {
        return (SeekTo(file, at) && WriteBytes(file, data, size, host.write) && SeekTo(file, end)) || Failed();
    }
};

// What a block's objects took on disk.
struct Written {
    uint64_t bytes = 0;
    uint32_t count = 0;
};

int Level()
{
    return (int)std::min(CompressImages, 9u);
}

// A fixed part, then the data as one zlib stream, then the fixed part again
// with the stream's length in it; counted in `w`.
bool WriteFixedAndStream(Output &out, OBJECTHEADER *record, const char *data, Written &w)
{
    uint32_t fixed = record->fixedsize;
    record->compressedsize = 0;
    uint64_t at = out.end;
    if (!out.Append(record, fixed))
        return false;
    if (record->datasize) {
        long size = (long)record->datasize;
        if (!CompressDataToFile(out.file, data, &size, Level(), 0, out.host.write))
            return out.Failed();
        out.end += (uint32_t)size;
        record->compressedsize = (uint32_t)size;
        if (!out.Rewrite(at, record, fixed))
            return false;
    }
    w.bytes += fixed + record->compressedsize;
    w.count++;
    return true;
}

// One object record. An object that cannot be read whole fails the save:
// leaving it out would lose it.
bool WriteObjectRecord(Output &out, HGLOBAL h, Written &w)
{
    GlobalLocked<char> lock(h);
    if (!lock || lock.size() < sizeof(OBJECTHEADER))
        return out.Refuse(nullptr);
    OBJECTHEADER *o = (OBJECTHEADER *)lock.get();
    const uint32_t fixed = o->fixedsize;
    if ((uint64_t)fixed + o->datasize > lock.size())
        return out.Refuse(o);
    // A known type's record is written at its exact size, whatever the
    // object in memory carries behind it.
    const uint32_t known = ObjectFixedSize(o->tag), written = known && fixed > known ? known : fixed;
    std::vector<char> record(lock.get(), lock.get() + std::max<uint32_t>(written, sizeof(OBJECTHEADER)));
    OBJECTHEADER *r = (OBJECTHEADER *)record.data();
    r->fixedsize = written;
    r->totalsize = written + o->datasize;
    // An object no load would take as it stands is not written: the save
    // fails, and the file it would replace stays as it was.
    if (ObjectHeadVerdict(*r) != HEAD_SOUND)
        return out.Refuse(o);
    record.resize(written);
    r = (OBJECTHEADER *)record.data();
    ClearRunTimeFields(r);
    if (!WriteFixedAndStream(out, r, lock.get() + fixed, w))
        return false;
    o->compressedsize = r->compressedsize;
    return true;
}

bool WriteObjects(Output &out, BLOCK &block, Written &w)
{
    uint32_t count = BlockObjectCount(&block);
    for (uint32_t i = 0; i < count; i++) {
        HGLOBAL h = GetPageObject(&block, i);
        out.place = i;
        if (h && !WriteObjectRecord(out, h, w))
            return false;
    }
    return true;
}

// The embedded fonts as the last header object; no font block, no record.
bool WriteFontRecord(Output &out, HWND list, BLOCKSET *set, Written &w)
{
    HGLOBAL fonts = GetFontBlock(list, set, out.host);
    if (!fonts)
        return true;
    bool ok;
    {
        // Unlocked before the block is freed.
        GlobalLocked<char> lock(fonts);
        ok = lock && lock.size() <= 0x40000000;
        if (ok) {
            OBJECTFONT record{};
            record.header.tag = TAG_FONT;
            record.header.fixedsize = sizeof record;
            record.header.datasize = (uint32_t)lock.size();
            record.header.totalsize = sizeof record + record.header.datasize;
            ok = WriteFixedAndStream(out, &record.header, lock.get(), w);
        }
    }
    GlobalFree(fonts);
    return ok;
}

// A block record after its objects: the flag and the sizes say what was
// written, so the reader finds the next block right behind the objects.
template <class R> bool CountWritten(R &record, uint32_t recordsize, const Written &w)
{
    if (w.bytes > 0xFFFFFFFFull - recordsize)
        return false;
    if (w.count)
        record.flags |= BLOCK_HASOBJECTS;
    else
        record.flags &= ~BLOCK_HASOBJECTS;
    record.objectbytes = (uint32_t)w.bytes;
    record.size = recordsize + record.objectbytes;
    record.objectcount = w.count;
    return true;
}

// The tag of each record is the block's kind: a record that said otherwise
// would be passed over or refused by every load.
bool WriteHeader(Output &out, HWND list, BLOCKSET *set, BLOCK &block, uint32_t *crc)
{
    HEDRRECORD h = block.hedr;
    uint64_t at = out.end;
    h.tag = TAG_HEDR;
    h.recordsize = HEDRSIZE;
    h.blockcount = (uint32_t)SendMessageA(list, LB_GETCOUNT, 0, 0);
    h.flags &= ~HEDR_RESERVED;
    if (!out.Append(&h, sizeof h))
        return false;
    Written w;
    if (!WriteObjects(out, block, w))
        return false;
    if ((h.flags & HEDR_EMBEDFONTS) && !WriteFontRecord(out, list, set, w))
        return false;
    if (!CountWritten(h, HEDRSIZE, w))
        return false;
    h.flags |= HEDR_NEWLAYOUT;
    *crc = crc32(0, (const Bytef *)&h, sizeof h);
    return out.Rewrite(at, &h, sizeof h);
}

bool WritePage(Output &out, BLOCK &block)
{
    PAGERECORD p = block.page;
    uint64_t at = out.end;
    p.tag = TAG_PAGE;
    p.recordsize = PAGESIZE;
    Written w;
    return out.Append(&p, sizeof p) && WriteObjects(out, block, w) && CountWritten(p, PAGESIZE, w) &&
           out.Rewrite(at, &p, sizeof p);
}

bool WriteDocument(Output &out, HWND list, BLOCKSET *set)
{
    HRSRC res = FindResourceA(hInst, MAKEINTRESOURCEA(IDR_PLAYER), (LPCSTR)RT_RCDATA);
    HGLOBAL loaded = res ? LoadResource(hInst, res) : NULL;
    const Bytef *player = loaded ? (const Bytef *)LockResource(loaded) : nullptr;
    DWORD playersize = res ? SizeofResource(hInst, res) : 0;
    if (!player || !playersize)
        return false;
    uint32_t playercrc = crc32(0, player, playersize);
    if (!out.Append(player, playersize))
        return false;
    uint64_t start = out.end;

    // The reader finds the header from the trailer and the pages behind it:
    // a document whose first block is not its one header could not be read.
    uint32_t headercrc = 0;
    unsigned count = (unsigned)SendMessageA(list, LB_GETCOUNT, 0, 0);
    for (unsigned i = 0; i < count; i++) {
        UpdateStatus(i, count);
        BLOCK block;
        if (!GetBlock(list, i, &block) || (block.tag == TAG_HEDR) != (i == 0))
            return false;
        out.block = (int)i;
        if (block.tag == TAG_HEDR && !WriteHeader(out, list, set, block, &headercrc))
            return false;
        if (block.tag == TAG_PAGE && !WritePage(out, block))
            return false;
    }

    BLOCK end;
    CreateBlock(NULL, set, &end, TAG_END, nullptr, 0);
    uint64_t length = out.end + ENDSIZE - start;
    if (length > 0xFFFFFFFFull)
        return false;
    end.end.length = (uint32_t)length ^ MASK_LENGTH;
    end.end.headercrc = headercrc ^ MASK_HEADERCRC;
    end.end.playercrc = playercrc ^ MASK_PLAYERCRC;
    return count > 0 && out.Append(&end.end, sizeof end.end);
}

// The folder part of a path, "." when it has none.
void FolderOf(const char *path, char *folder, size_t size)
{
    snprintf(folder, size, "%s", path);
    size_t name = (size_t)(COMMONFileNamePart(folder) - folder);
    char *cut = name ? folder + name - 1 : nullptr;
    if (!cut)
        snprintf(folder, size, ".");
    else if (*cut == ':')
        cut[1] = 0;
    else if (cut == folder || cut[-1] == ':')
        cut[1] = 0; // keep the root's separator
    else
        *cut = 0;
}

} // namespace

// GetTempFileName adds a name of up to 14 characters to the folder, and the
// whole must fit a path.
constexpr size_t TEMPNAMEROOM = 14;

// The error code of the step that failed, or `otherwise` when that step
// left none.
static DWORD Failure(DWORD otherwise = ERROR_WRITE_FAULT)
{
    DWORD error = GetLastError();
    return error ? error : otherwise;
}

int WriteExeFile(HWND list, BLOCKSET *set, const char *path, const SAVEHOST &host, SAVEREFUSAL *refused)
{
    if (refused)
        *refused = {};
    if (!path || !*path || strlen(path) >= MAX_PATH) {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return 0;
    }
    HCURSOR cursor = SetCursor(LoadCursorA(NULL, (LPCSTR)IDC_WAIT));
    char folder[MAX_PATH], temp[MAX_PATH] = "";
    FolderOf(path, folder, sizeof folder);
    DWORD error = 0;
    // A folder without room for the temporary name fails before a name is
    // made from it; a name is used only when it ends inside its buffer.
    if (strlen(folder) > MAX_PATH - TEMPNAMEROOM)
        error = ERROR_FILENAME_EXCED_RANGE;
    else if (!GetTempFileNameA(folder, "sbd", 0, temp))
        error = Failure();
    else if (strnlen(temp, sizeof temp) >= sizeof temp)
        error = ERROR_FILENAME_EXCED_RANGE;
    if (error)
        temp[0] = 0;
    HANDLE file = INVALID_HANDLE_VALUE;
    if (!error) {
        file = CreateFileA(temp, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
        if (file == INVALID_HANDLE_VALUE)
            error = Failure();
    }
    OpenStatus();
    if (!error) {
        Output out{file, host};
        out.refused = refused;
        SetLastError(0);
        if (!WriteDocument(out, list, set))
            error = out.error ? out.error : Failure(ERROR_INVALID_DATA);
        if (!FlushFileBuffers(file) && !error)
            error = Failure();
    }
    if (file != INVALID_HANDLE_VALUE && !CloseHandle(file) && !error)
        error = Failure();
    // The old document gives way only to a complete new one, in one step.
    if (!error && !MoveFileExA(temp, path, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        error = Failure();
    if (error && temp[0])
        DeleteFileA(temp);
    SetCursor(cursor);
    CloseStatus();
    // The caller can tell why: the code of the step that failed survives the
    // clean-up.
    SetLastError(error);
    return error ? 0 : 1;
}

HGLOBAL GetFontBlock(HWND list, BLOCKSET *, const SAVEHOST &host)
{
    FONTBLOCKHEAD head{};
    head.tag = TAG_FONB;
    HGLOBAL block = NewGlobal(sizeof head + 16, &head, sizeof head);
    if (!block)
        return NULL;
    unsigned count = (unsigned)SendMessageA(list, LB_GETCOUNT, 0, 0);
    for (unsigned i = 0; i < count; i++) {
        BLOCK page;
        if (!GetBlock(list, i, &page) || page.tag != TAG_PAGE)
            continue;
        for (uint32_t j = 0; j < page.page.objectcount; j++) {
            LOGFONTA lf{};
            char face[sizeof OBJECTTEXT::face] = {};
            {
                ObjectRecord<OBJECTTEXT> text(GetPageObject(&page, j), TAG_TEXT);
                if (!text)
                    continue;
                lf.lfHeight = text->size;
                lf.lfWeight = text->weight;
                lf.lfItalic = (text->header.flags & OBJ_ITALIC) ? 1 : 0;
                lf.lfCharSet = DEFAULT_CHARSET;
                memcpy(face, text->face, sizeof face - 1);
            }
            // A face of 32 characters fills the object's field but not the
            // font's: the name given to Windows is cut, the entry keeps it whole.
            snprintf(lf.lfFaceName, sizeof lf.lfFaceName, "%s", face);
            HFONT font = CreateFontIndirectA(&lf);
            int ok = font && AddBlockFont(face, &block, font, host);
            if (font)
                DeleteObject(font);
            if (!ok) {
                GlobalFree(block);
                return NULL;
            }
        }
    }
    return block;
}

// The whole font file of the font, empty when the font has none to give.
static std::vector<char> FontFile(HFONT font, FONTDATAREADER read)
{
    if (!read)
        read = GetFontData;
    std::vector<char> data;
    HDC dc = GetDC(hwndmain);
    if (!dc)
        return data;
    HGDIOBJ old = SelectObject(dc, font);
    DWORD size = read(dc, 0, 0, NULL, 0);
    if (size != GDI_ERROR && size > 0 && size <= 0x4000000) {
        data.resize(size + 16);
        if (read(dc, 0, 0, data.data(), size) != size)
            data.clear();
        else
            data.resize(size);
    }
    SelectObject(dc, old);
    ReleaseDC(hwndmain, dc);
    return data;
}

int AddBlockFont(const char *face, HGLOBAL *block, HFONT font, const SAVEHOST &host)
{
    uint32_t bytes;
    {
        GlobalLocked<char> b(*block);
        if (!b || b.size() < sizeof(FONTBLOCKHEAD))
            return 0;
        const FONTBLOCKHEAD *head = (const FONTBLOCKHEAD *)b.get();
        uint64_t offset = sizeof(FONTBLOCKHEAD);
        for (uint32_t i = 0; i < head->count && offset + sizeof(FONTENTRY) <= b.size(); i++) {
            const FONTENTRY *e = (const FONTENTRY *)(b.get() + offset);
            char known[sizeof e->face + 1] = {};
            memcpy(known, e->face, sizeof e->face);
            if (_stricmp(known, face) == 0)
                return 1;
            offset += sizeof(FONTENTRY) + (uint64_t)e->size;
        }
        bytes = head->bytes;
        if (sizeof(FONTBLOCKHEAD) + (uint64_t)bytes > b.size())
            return 0;
    }
    std::vector<char> data = FontFile(font, host.fontdata);
    if (data.empty())
        return 1;
    uint64_t size = sizeof(FONTBLOCKHEAD) + (uint64_t)bytes + data.size() + sizeof(FONTENTRY) + 16;
    if (size > 0x40000000)
        return 0;
    HGLOBAL grown = GlobalReAlloc(*block, (SIZE_T)size, GMEM_MOVEABLE | GMEM_ZEROINIT);
    if (!grown)
        return 0;
    *block = grown;
    GlobalLocked<char> b(grown);
    if (!b)
        return 0;
    FONTBLOCKHEAD *head = (FONTBLOCKHEAD *)b.get();
    FONTENTRY *e = (FONTENTRY *)(b.get() + sizeof(FONTBLOCKHEAD) + bytes);
    memset(e, 0, sizeof *e);
    e->tag = TAG_FONE;
    e->size = (uint32_t)data.size();
    snprintf(e->face, sizeof e->face, "%s", face);
    memcpy(e + 1, data.data(), data.size());
    head->count++;
    head->bytes = bytes + (uint32_t)(data.size() + sizeof(FONTENTRY));
    return 1;
}
