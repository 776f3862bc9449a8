// Loading documents of many small pages and objects, saving and loading a
// document of about 50 MB of pictures, and refusing a large file that holds
// no document, each timed against what zlib or the file system alone take
// for the same work in the same run.
//   scripts/wine-one.sh build/bin/document_bench.exe [small]
#include "bench/clock.h"
#include "common/shell.h"
#include "common/windowvalue.h"
#include "document/blockstore.h"
#include "document/objects.h"
#include "document/records.h"
#include "document/reader.h"
#include "document/writer.h"
#include "media/dib.h"
#include <zlib.h>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

using bench::Now;

constexpr int WIDTH = 1024, HEIGHT = 768;

// A 24-bit packed DIB: a photograph-like picture (smooth shapes with grain)
// or a flat one (large areas of one colour, as in drawings and slides).
std::vector<uint8_t> Picture(int index, bool photographic)
{
    HGLOBAL dib = CreateDib(WIDTH, HEIGHT, nullptr, 24);
    const uint8_t *bytes = (const uint8_t *)GlobalLock(dib);
    std::vector<uint8_t> v(bytes, bytes + sizeof(BITMAPINFOHEADER) + WIDTH * 3 * HEIGHT);
    GlobalUnlock(dib);
    GlobalFree(dib);
    uint8_t *p = v.data() + sizeof(BITMAPINFOHEADER);
    uint32_t seed = 0x9E3779B9u * (uint32_t)(index + 1);
    for (int y = 0; y < HEIGHT; y++)
        for (int x = 0; x < WIDTH; x++, p += 3) {
            if (photographic) {
                seed = seed * 1664525u + 1013904223u;
                int grain = (int)(seed >> 28) - 8;
                double s = std::sin(x * 0.011 + index) * std::cos(y * 0.017 - index) * 100.0;
                int base = 128 + (int)s;
                p[0] = (uint8_t)std::clamp(base + grain + x / 16, 0, 255);
                p[1] = (uint8_t)std::clamp(base + grain / 2 + y / 12, 0, 255);
                p[2] = (uint8_t)std::clamp(255 - base + grain, 0, 255);
            } else {
                int band = (x / 128 + y / 96 + index) % 5;
                static const uint8_t colours[5][3] = {
                    {255, 255, 255}, {200, 40, 40}, {30, 90, 200}, {240, 240, 200}, {20, 20, 20}};
                memcpy(p, colours[band], 3);
            }
        }
    return v;
}

std::vector<uint8_t> Deflate(const std::vector<uint8_t> &data, int level)
{
    z_stream z{};
    deflateInit(&z, level);
    std::vector<uint8_t> out(deflateBound(&z, (uLong)data.size()));
    z.next_in = (Bytef *)data.data();
    z.avail_in = (uInt)data.size();
    z.next_out = out.data();
    z.avail_out = (uInt)out.size();
    deflate(&z, Z_FINISH);
    out.resize(z.total_out);
    deflateEnd(&z);
    return out;
}

// Inflates into a new buffer, which the caller keeps (as a load keeps its
// pictures) and frees.
uint8_t *Inflate(const std::vector<uint8_t> &packed, size_t length, size_t *made)
{
    uint8_t *out = (uint8_t *)malloc(length);
    z_stream z{};
    inflateInit(&z);
    z.next_in = (Bytef *)packed.data();
    z.avail_in = (uInt)packed.size();
    z.next_out = out;
    z.avail_out = (uInt)length;
    inflate(&z, Z_FINISH);
    *made = z.total_out;
    inflateEnd(&z);
    return out;
}

struct Window {
    HWND owner, list;
    HGLOBAL seth;
    BLOCKSET *set;
    explicit Window(DWORD style = WS_CHILD)
    {
        WNDCLASSA wc{};
        wc.lpfnWndProc = DefWindowProcA;
        wc.hInstance = hInst;
        wc.lpszClassName = "BenchDocument";
        RegisterClassA(&wc);
        owner = CreateWindowA("BenchDocument", "", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, NULL, NULL, hInst, NULL);
        list = CreateWindowA("LISTBOX", "", style, 0, 0, 10, 10, owner, (HMENU)IDC_BLOCKLIST, hInst, NULL);
        seth = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(BLOCKSET));
        SetWindowValue(owner, GWLP_USERDATA, seth);
        set = LockBlockSet(owner);
    }
    ~Window()
    {
        FreeBlocks(owner, set);
        UnlockBlockSet(owner);
        GlobalFree(seth);
        DestroyWindow(owner);
    }
};

std::string TempName(const char *name)
{
    char dir[MAX_PATH];
    GetTempPathA(sizeof dir, dir);
    return std::string(dir) + name;
}

void Put32(std::vector<uint8_t> &v, size_t at, uint32_t x)
{
    memcpy(&v[at], &x, 4);
}

// Where a stream stands in a file, and what it expands to.
struct Stream {
    size_t at, length, expanded;
};

// A document of `pages` pages of `objects` text objects each, a line of a
// slide in each, written record by record; its streams go to *streams.
std::vector<uint8_t> SmallDocument(uint32_t pages, uint32_t objects, std::vector<Stream> *streams)
{
    std::vector<uint8_t> f(100, 'P');
    std::vector<uint8_t> header(HEDRSIZE, 0);
    Put32(header, 0, TAG_HEDR);
    Put32(header, 4, HEDRSIZE);
    Put32(header, 8, HEDRSIZE);
    Put32(header, 16, HEDR_NEWLAYOUT);
    Put32(header, 338, pages + 1);
    f.insert(f.end(), header.begin(), header.end());
    const uint32_t fixed = ObjectFixedSize(TAG_TEXT);
    for (uint32_t p = 0; p < pages; p++) {
        size_t page = f.size();
        f.resize(page + PAGESIZE, 0);
        for (uint32_t o = 0; o < objects; o++) {
            char line[96];
            int n = snprintf(line, sizeof line, "Page %u, line %u: a few words of the slide's own text", p, o);
            std::vector<uint8_t> text(line, line + n + 1);
            std::vector<uint8_t> packed = Deflate(text, 9);
            std::vector<uint8_t> record(fixed, 0);
            Put32(record, 0, TAG_TEXT);
            Put32(record, 4, fixed + (uint32_t)text.size());
            Put32(record, 8, fixed);
            Put32(record, 12, (uint32_t)text.size());
            Put32(record, 16, (uint32_t)packed.size());
            Put32(record, 20, 0x6);
            Put32(record, 40, o + 1);
            f.insert(f.end(), record.begin(), record.end());
            streams->push_back({f.size(), packed.size(), text.size()});
            f.insert(f.end(), packed.begin(), packed.end());
        }
        uint32_t size = (uint32_t)(f.size() - page);
        Put32(f, page, TAG_PAGE);
        Put32(f, page + 4, size);
        Put32(f, page + 8, PAGESIZE);
        Put32(f, page + 12, size - PAGESIZE);
        Put32(f, page + 16, objects ? BLOCK_HASOBJECTS : 0);
        Put32(f, page + 322, objects);
    }
    std::vector<uint8_t> end(ENDSIZE, 0);
    Put32(end, 0, TAG_END);
    Put32(end, 8, ENDSIZE);
    Put32(end, 314, (uint32_t)(f.size() + ENDSIZE - 100) ^ MASK_LENGTH);
    Put32(end, 318, (uint32_t)crc32(0, header.data(), HEDRSIZE) ^ MASK_HEADERCRC);
    f.insert(f.end(), end.begin(), end.end());
    return f;
}

// The least a load of the file must do: read it, and inflate each stream
// into memory of its own that is kept, with one inflater.
double ReadAndInflate(const std::string &path, const std::vector<Stream> &streams)
{
    double t = Now();
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
    LARGE_INTEGER size;
    GetFileSizeEx(h, &size);
    std::vector<uint8_t> bytes((size_t)size.QuadPart);
    DWORD got = 0;
    ReadFile(h, bytes.data(), (DWORD)bytes.size(), &got, NULL);
    CloseHandle(h);
    std::vector<uint8_t *> kept;
    kept.reserve(streams.size());
    z_stream z{};
    inflateInit(&z);
    bool ok = true;
    for (const Stream &s : streams) {
        inflateReset(&z);
        uint8_t *out = (uint8_t *)malloc(s.expanded);
        z.next_in = bytes.data() + s.at;
        z.avail_in = (uInt)s.length;
        z.next_out = out;
        z.avail_out = (uInt)s.expanded;
        ok = inflate(&z, Z_FINISH) == Z_STREAM_END && ok;
        kept.push_back(out);
    }
    inflateEnd(&z);
    t = Now() - t;
    for (uint8_t *p : kept)
        free(p);
    if (!ok)
        printf("reference inflate failed\n");
    return t;
}

// What the document's model asks for every block, however small, before
// any of its content: an item in the block list holding a block of its own
// (see blockstore.h). Seconds to append `blocks` empty ones.
double ListFloor(uint32_t blocks)
{
    Window doc;
    BLOCK block{};
    double t = Now();
    for (uint32_t i = 0; i < blocks; i++)
        if (!AppendBlock(doc.list, doc.set, &block))
            return -1;
    return Now() - t;
}

// The block list of the programs themselves, whose items have heights of
// their own; the bench's other lists are plain.
constexpr DWORD PROGRAMLIST = WS_CHILD | WS_BORDER | WS_VSCROLL | LBS_NOTIFY | LBS_MULTIPLESEL |
                              LBS_OWNERDRAWVARIABLE | LBS_HASSTRINGS | LBS_NOINTEGRALHEIGHT | LBS_EXTENDEDSEL;

// Small pages and tiny streams, from one page to as many as a document may
// hold: each loaded against reading and inflating its bytes, the list's own
// share against the same, and the load into the programs' kind of list.
bool SmallDocuments()
{
    const struct {
        const char *name;
        uint32_t pages, objects;
    } cases[] = {
        {"1 page", 1, 1},
        {"100 pages", 100, 1},
        {"20,000 pages", 20000, 1},
        {"60,000 streams", 600, 100},
        {"handle limit", (MAXDOCUMENTHANDLES - 1) / 3, 1},
    };
    std::string path = TempName("sb_bench_small.exe");
    bool ok = true;
    printf("%-16s %8s %8s %8s %10s %10s %7s %8s %7s %9s\n", "small document", "pages", "objects", "MB", "load s",
           "reference", "ratio", "list s", "list/ref", "program s");
    for (const auto &c : cases) {
        std::vector<Stream> streams;
        std::vector<uint8_t> f = SmallDocument(c.pages, c.objects, &streams);
        HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
        DWORD written = 0;
        WriteFile(h, f.data(), (DWORD)f.size(), &written, NULL);
        CloseHandle(h);
        double load = 1e9, reference = 1e9, floor = 1e9, program = 1e9;
        for (int round = 0; round < 3; round++) {
            reference = std::min(reference, ReadAndInflate(path, streams));
            floor = std::min(floor, ListFloor(c.pages + 1));
            for (DWORD style : {(DWORD)WS_CHILD, PROGRAMLIST}) {
                Window doc(style);
                double t = Now();
                int r = LoadExeFile(doc.list, doc.set, path.c_str());
                t = Now() - t;
                double &best = style == PROGRAMLIST ? program : load;
                best = std::min(best, t);
                if (!r || SendMessageA(doc.list, LB_GETCOUNT, 0, 0) != (LRESULT)c.pages + 1) {
                    printf("%s did not load\n", c.name);
                    ok = false;
                }
            }
        }
        printf("%-16s %8u %8u %8.1f %10.3f %10.3f %7.2f %8.3f %8.2f %9.3f (goal 2)\n", c.name, c.pages,
               c.pages * c.objects, f.size() / 1048576.0, load, reference, load / reference, floor, floor / reference,
               program);
    }
    DeleteFileA(path.c_str());
    return ok;
}

// The best of `rounds` times zlib alone takes to pack and unpack `data`.
void ZlibTimes(const std::vector<std::vector<uint8_t>> &data, int rounds, std::vector<std::vector<uint8_t>> *out,
               double *packtime, double *unpacktime)
{
    std::vector<std::vector<uint8_t>> &packed = *out;
    double t, deflatetime = 1e9;
    for (int round = 0; round < rounds; round++) {
        packed.clear();
        t = Now();
        for (const auto &d : data)
            packed.push_back(Deflate(d, (int)CompressImages));
        deflatetime = std::min(deflatetime, Now() - t);
    }
    double inflatetime = 1e9;
    for (int round = 0; round < rounds; round++) {
        std::vector<uint8_t *> inflated;
        t = Now();
        for (size_t i = 0; i < data.size(); i++) {
            size_t made;
            inflated.push_back(Inflate(packed[i], data[i].size(), &made));
            if (made != data[i].size())
                printf("reference inflate failed\n");
        }
        inflatetime = std::min(inflatetime, Now() - t);
        for (uint8_t *p : inflated)
            free(p);
    }
    *packtime = deflatetime;
    *unpacktime = inflatetime;
}

// The best of three times refusing a large file without a document takes,
// against reading it once.
void RefusalTimes(double *reject, double *read)
{
    std::string junk = TempName("sb_bench_junk.bin");
    {
        HANDLE f = CreateFileA(junk.c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
        std::vector<uint8_t> chunk(1 << 20);
        uint32_t seed = 1;
        for (int i = 0; i < 100; i++) {
            for (auto &b : chunk) {
                seed = seed * 1103515245u + 12345u;
                b = (uint8_t)(seed >> 16);
            }
            DWORD written;
            WriteFile(f, chunk.data(), (DWORD)chunk.size(), &written, NULL);
        }
        CloseHandle(f);
    }
    double t, readtime = 1e9, rejecttime = 1e9;
    std::vector<uint8_t> chunk(1 << 20);
    for (int round = 0; round < 3; round++) {
        t = Now();
        HANDLE f = CreateFileA(junk.c_str(), GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
        DWORD got;
        while (ReadFile(f, chunk.data(), (DWORD)chunk.size(), &got, NULL) && got)
            ;
        CloseHandle(f);
        readtime = std::min(readtime, Now() - t);
        Window none;
        t = Now();
        int r = LoadExeFile(none.list, none.set, junk.c_str());
        rejecttime = std::min(rejecttime, Now() - t);
        if (r)
            printf("a file without a document was loaded\n");
    }
    DeleteFileA(junk.c_str());
    *reject = rejecttime;
    *read = readtime;
}

} // namespace

int main(int argc, char **argv)
{
    hInst = GetModuleHandleA(NULL);
    bool small = SmallDocuments();
    if (argc > 1 && strcmp(argv[1], "small") == 0)
        return small ? 0 : 1;
    const int pictures = 22;
    std::vector<std::vector<uint8_t>> data;
    size_t total = 0;
    for (int i = 0; i < pictures; i++) {
        data.push_back(Picture(i, i % 2 == 0));
        total += data.back().size();
    }
    printf("document: %d pictures, %.1f MB, level %u\n", pictures, total / 1048576.0, CompressImages);

    // References: zlib alone on the same bytes at the same level.
    // Each time is the best of a few rounds: other work on the machine only
    // ever adds to a time.
    const int rounds = 3;
    double t, deflatetime, inflatetime;
    std::vector<std::vector<uint8_t>> packed;
    ZlibTimes(data, rounds, &packed, &deflatetime, &inflatetime);
    size_t compressed = 0;
    for (const auto &p : packed)
        compressed += p.size();
    printf("compressed: %.1f MB\n", compressed / 1048576.0);

    Window doc;
    BLOCK header;
    CreateBlock(doc.owner, doc.set, &header, TAG_HEDR, nullptr, 0);
    AppendBlock(doc.list, doc.set, &header);
    for (int i = 0; i < pictures; i += 2) {
        BLOCK page;
        CreateBlock(doc.owner, doc.set, &page, TAG_PAGE, nullptr, 0);
        for (int j = i; j < i + 2 && j < pictures; j++) {
            HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE, data[j].size());
            memcpy(GlobalLock(h), data[j].data(), data[j].size());
            GlobalUnlock(h);
            AppendPageObject(&page, CreatePageObject(&page, TAG_IMAG, 0, (LONG_PTR)h));
            GlobalFree(h);
        }
        AppendBlock(doc.list, doc.set, &page);
    }
    std::string path = TempName("sb_bench_document.exe");
    double savetime = 1e9, loadtime = 1e9;
    bool ok = true;
    for (int round = 0; round < rounds; round++) {
        t = Now();
        ok = WriteExeFile(doc.list, doc.set, path.c_str()) && ok;
        savetime = std::min(savetime, Now() - t);
        Window loaded;
        t = Now();
        ok = LoadExeFile(loaded.list, loaded.set, path.c_str()) && ok;
        loadtime = std::min(loadtime, Now() - t);
        ok = ok && SendMessageA(loaded.list, LB_GETCOUNT, 0, 0) == pictures / 2 + 1;
    }
    DeleteFileA(path.c_str());
    if (!ok) {
        printf("the round trip failed\n");
        return 1;
    }

    double readtime, rejecttime;
    RefusalTimes(&rejecttime, &readtime);
    printf("save   %7.3f s, deflate %7.3f s: ratio %.2f (goal 1.2)\n", savetime, deflatetime,
           savetime / deflatetime);
    printf("load   %7.3f s, inflate %7.3f s: ratio %.2f (goal 1.2)\n", loadtime, inflatetime,
           loadtime / inflatetime);
    printf("reject %7.3f s, read    %7.3f s: ratio %.2f (goal 2)\n", rejecttime, readtime, rejecttime / readtime);
    return small ? 0 : 1;
}
