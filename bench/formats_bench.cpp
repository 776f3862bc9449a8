// Loading a large picture in every format the way the system does, through
// LoadImageA with the file's bit count asked for (so the format's
// information entry point runs too), against the bare work on the same file
// in the same run: the library's own decode into memory for JPEG, PNG, GIF
// and AVI, and for BMP, PCX and TGA a read of the file and one copy of the
// picture's pixels. Goal: at most 15% more than the bare work; run-length
// pictures, whose runs must be expanded, at most 30% more, and planar PCX,
// whose planes are also interleaved, 50%.
// Then hostile files built here, each refused, against reading the same
// file's bytes: at most twice that.
//   scripts/wine-one.sh build/bin/formats_bench.exe
#include "bench/loadbench.h"
#include "codecs/codecs.h"
#include "common/modal.h"
#include "media/dib.h"
#include "media/imageformat.h"
#include "media/mngload.h"
#include <gif_lib.h>
#include <vfw.h>
#include <zlib.h>
#include <cstring>
#include <string>

using namespace bench;

namespace {

int expected; // the bit count the file should report

HGLOBAL LoadWithBits(char *path)
{
    unsigned short bits = 0;
    HGLOBAL dib = LoadImageA(NULL, path, NULL, &bits);
    if (dib && bits != expected) {
        printf("%s: bit count %u, expected %d\n", path, bits, expected);
        exit(1);
    }
    return dib;
}

std::vector<unsigned char> ReadWhole(const char *path)
{
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, NULL);
    DWORD size = GetFileSize(file, NULL), got = 0;
    std::vector<unsigned char> bytes(size);
    ReadFile(file, bytes.data(), size, &got, NULL);
    CloseHandle(file);
    bytes.resize(got);
    return bytes;
}

// The file's bytes into memory, then one copy of the picture's pixels
// (`pixelbytes` of them) into the new picture, from the file's bytes over
// and over where it holds fewer.
void CopyPixels(const char *path, unsigned char *out, size_t pixelbytes)
{
    std::vector<unsigned char> bytes = ReadWhole(path);
    for (size_t done = 0; done < pixelbytes && !bytes.empty();) {
        size_t n = std::min(bytes.size(), pixelbytes - done);
        memcpy(out + done, bytes.data(), n);
        done += n;
    }
}
void BareCopy(const char *path, unsigned char *out) { CopyPixels(path, out, size_t(WIDTH) * HEIGHT * 3); }
void BareCopy8(const char *path, unsigned char *out) { CopyPixels(path, out, size_t(WIDTH) * HEIGHT); }

void BareGif(const char *path, unsigned char *out)
{
    int error;
    GifFileType *gif = DGifOpenFileName(path, &error);
    GifRecordType record;
    while (DGifGetRecordType(gif, &record) == GIF_OK && record != IMAGE_DESC_RECORD_TYPE &&
           record != TERMINATE_RECORD_TYPE) {
        int code;
        GifByteType *block;
        DGifGetExtension(gif, &code, &block);
        while (block)
            DGifGetExtensionNext(gif, &block);
    }
    DGifGetImageDesc(gif);
    for (int y = 0; y < gif->Image.Height; y++)
        DGifGetLine(gif, out + size_t(y) * gif->Image.Width, gif->Image.Width);
    DGifCloseFile(gif, &error);
}

void BareAvi(const char *path, unsigned char *out)
{
    AVIFileInit();
    PAVIFILE file = NULL;
    PAVISTREAM stream = NULL;
    AVIFileOpenA(&file, path, OF_READ, NULL);
    AVIFileGetStream(file, &stream, streamtypeVIDEO, 0);
    PGETFRAME frames = AVIStreamGetFrameOpen(stream, NULL);
    auto *frame = (const BITMAPINFOHEADER *)AVIStreamGetFrame(frames, 0);
    memcpy(out, (const char *)frame + frame->biSize, size_t(WIDTH) * HEIGHT * 3);
    AVIStreamGetFrameClose(frames);
    AVIStreamRelease(stream);
    AVIFileRelease(file);
    AVIFileExit();
}

// The scene as a DIB of 24 bits, or of 8 with a 3-3-2 palette.
HGLOBAL SceneDib(int bits)
{
    std::vector<unsigned char> rgb = Scene();
    char palette[PALETTEBYTES];
    for (int i = 0; i < 256; i++) {
        palette[3 * i] = char((i >> 5) * 255 / 7);
        palette[3 * i + 1] = char((i >> 2 & 7) * 255 / 7);
        palette[3 * i + 2] = char((i & 3) * 255 / 3);
    }
    HGLOBAL dib = CreateDib(WIDTH, HEIGHT, bits == 8 ? palette : NULL, bits);
    auto *h = (BITMAPINFOHEADER *)GlobalLock(dib);
    unsigned char *pixels = (unsigned char *)h + h->biSize + (bits == 8 ? 1024 : 0);
    size_t rowbytes = (size_t(WIDTH) * bits / 8 + 3) & ~size_t(3);
    for (int y = 0; y < HEIGHT; y++) {
        unsigned char *row = pixels + size_t(HEIGHT - 1 - y) * rowbytes;
        const unsigned char *s = &rgb[size_t(y) * WIDTH * 3];
        for (int x = 0; x < WIDTH; x++, s += 3) {
            if (bits == 8) {
                row[x] = (unsigned char)((s[0] >> 5) << 5 | (s[1] >> 5) << 2 | s[2] >> 6);
            } else {
                row[3 * x] = s[2];
                row[3 * x + 1] = s[1];
                row[3 * x + 2] = s[0];
            }
        }
    }
    GlobalUnlock(dib);
    return dib;
}

bool WriteAviSample(const char *path, HGLOBAL dib)
{
    auto *h = (BITMAPINFOHEADER *)GlobalLock(dib);
    AVIFileInit();
    PAVIFILE file = NULL;
    PAVISTREAM stream = NULL;
    AVISTREAMINFOA info{};
    info.fccType = streamtypeVIDEO;
    info.dwScale = 1;
    info.dwRate = 10;
    bool ok = AVIFileOpenA(&file, path, OF_CREATE | OF_WRITE, NULL) == 0 &&
              AVIFileCreateStreamA(file, &stream, &info) == 0 && AVIStreamSetFormat(stream, 0, h, sizeof *h) == 0 &&
              AVIStreamWrite(stream, 0, 1, h + 1, LONG(h->biSizeImage), AVIIF_KEYFRAME, NULL, NULL) == 0;
    if (stream)
        AVIStreamRelease(stream);
    if (file)
        AVIFileRelease(file);
    AVIFileExit();
    GlobalUnlock(dib);
    return ok;
}

void Put16(std::string &s, unsigned v) { s += char(v & 0xFF), s += char(v >> 8 & 0xFF); }
void Put32(std::string &s, uint32_t v) { Put16(s, v & 0xFFFF), Put16(s, v >> 16); }
bool WriteBytes(const std::string &path, const std::string &bytes)
{
    FILE *f = fopen(path.c_str(), "wb");
    bool ok = f && fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return f && fclose(f) == 0 && ok;
}

// The scene in the 3-3-2 palette of SceneDib, bottom row first, coded in
// run-length rows of eight bits: runs of equal indices, the rest as
// literal runs, every row ended.
bool WriteRle8Bmp(const std::string &path, HGLOBAL indexed)
{
    auto *h = (BITMAPINFOHEADER *)GlobalLock(indexed);
    const unsigned char *table = (const unsigned char *)(h + 1), *pixels = table + 1024;
    size_t rowbytes = (WIDTH + 3) & ~3;
    std::string runs;
    for (int y = 0; y < HEIGHT; y++) {
        const unsigned char *row = pixels + y * rowbytes;
        for (int x = 0; x < WIDTH;) {
            int run = 1;
            while (x + run < WIDTH && run < 255 && row[x + run] == row[x])
                run++;
            if (run >= 2) {
                runs += char(run), runs += char(row[x]);
                x += run;
                continue;
            }
            int literal = 1; // up to the next pair of equal indices
            while (x + literal < WIDTH && literal < 255 &&
                   !(x + literal + 1 < WIDTH && row[x + literal] == row[x + literal + 1]))
                literal++;
            if (literal < 3) {
                for (int k = 0; k < literal; k++)
                    runs += char(1), runs += char(row[x + k]);
            } else {
                runs += char(0), runs += char(literal);
                runs.append((const char *)row + x, literal);
                if (literal & 1)
                    runs += char(0);
            }
            x += literal;
        }
        runs += char(0), runs += char(0);
    }
    runs += char(0), runs += char(1);
    std::string file = "BM";
    uint32_t offset = 14 + 40 + 1024;
    Put32(file, offset + uint32_t(runs.size())), Put32(file, 0), Put32(file, offset);
    Put32(file, 40), Put32(file, WIDTH), Put32(file, HEIGHT), Put16(file, 1), Put16(file, 8), Put32(file, BI_RLE8);
    Put32(file, uint32_t(runs.size())), Put32(file, 2835), Put32(file, 2835), Put32(file, 256), Put32(file, 0);
    file.append((const char *)table, 1024);
    file += runs;
    GlobalUnlock(indexed);
    return WriteBytes(path, file);
}

// The scene in true colour, bottom row first, as run-length packets:
// repeats of one colour, and literal packets of up to 128 colours.
bool WriteRleTga(const std::string &path, HGLOBAL colour)
{
    auto *h = (BITMAPINFOHEADER *)GlobalLock(colour);
    const unsigned char *pixels = (const unsigned char *)(h + 1);
    size_t rowbytes = (size_t(WIDTH) * 3 + 3) & ~size_t(3);
    std::string file(18, '\0');
    file[2] = 10;
    file[12] = char(WIDTH & 0xFF), file[13] = char(WIDTH >> 8), file[14] = char(HEIGHT & 0xFF), file[15] = char(HEIGHT >> 8);
    file[16] = 24;
    for (int y = 0; y < HEIGHT; y++) {
        const unsigned char *row = pixels + y * rowbytes;
        auto same = [&](int a, int b) { return memcmp(row + 3 * a, row + 3 * b, 3) == 0; };
        for (int x = 0; x < WIDTH;) {
            int run = 1;
            while (x + run < WIDTH && run < 128 && same(x, x + run))
                run++;
            if (run >= 2) {
                file += char(0x80 | (run - 1));
                file.append((const char *)row + 3 * x, 3);
                x += run;
                continue;
            }
            int literal = 1;
            while (x + literal < WIDTH && literal < 128 && !(x + literal + 1 < WIDTH && same(x + literal, x + literal + 1)))
                literal++;
            file += char(literal - 1);
            file.append((const char *)row + 3 * x, 3 * literal);
            x += literal;
        }
    }
    GlobalUnlock(colour);
    return WriteBytes(path, file);
}

// --- hostile files ----------------------------------------------------------

std::string Chunk(const char *id, const std::string &body, const char *type = nullptr)
{
    std::string c(id, 4);
    Put32(c, uint32_t(body.size() + (type ? 4 : 0)));
    if (type)
        c.append(type, 4);
    c += body;
    if (c.size() & 1)
        c += '\0';
    return c;
}

// A movie of one 1 x 1 frame whose stream claims a billion of them.
std::string BillionFrameAvi()
{
    std::string avih, strh, strf, idx1;
    for (uint32_t v : {100000u, 0u, 0u, 0x10u, 1u, 0u, 1u, 4u, 1u, 1u, 0u, 0u, 0u, 0u})
        Put32(avih, v);
    for (uint32_t v : {uint32_t(mmioFOURCC('v', 'i', 'd', 's')), 0u, 0u, 0u, 0u, 1u, 10u, 0u, 0x40000000u, 4u,
                       0xFFFFFFFFu, 0u, 0u, 0u})
        Put32(strh, v);
    for (uint32_t v : {40u, 1u, 1u})
        Put32(strf, v);
    Put16(strf, 1), Put16(strf, 24);
    strf.resize(40, '\0');
    for (uint32_t v : {uint32_t(mmioFOURCC('0', '0', 'd', 'b')), 0x10u, 4u, 4u})
        Put32(idx1, v);
    std::string hdrl = Chunk("LIST", Chunk("avih", avih) + Chunk("LIST", Chunk("strh", strh) + Chunk("strf", strf), "strl"), "hdrl");
    return Chunk("RIFF", hdrl + Chunk("LIST", Chunk("00db", std::string(4, '\xFF')), "movi") + Chunk("idx1", idx1), "AVI ");
}

// 58 bytes whose header claims 377 MiB of rows.
std::string ShortBmp()
{
    std::string file = "BM";
    Put32(file, 58), Put32(file, 0), Put32(file, 54);
    Put32(file, 40), Put32(file, 11000), Put32(file, 12000), Put16(file, 1), Put16(file, 24);
    file.append(24, '\0');
    return file + "\1\2\3\4";
}

void PutBig(std::string &s, uint32_t v)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        s += char(v >> shift & 0xFF);
}
std::string PngChunk(const char *type, const std::string &data)
{
    std::string c;
    PutBig(c, uint32_t(data.size()));
    c.append(type, 4);
    c += data;
    PutBig(c, uint32_t(crc32(crc32(0, (const Bytef *)type, 4), (const Bytef *)data.data(), uInt(data.size()))));
    return c;
}

// An animation of 100,000 frames of one grey pixel each.
std::string TinyFramesMng()
{
    std::string mhdr, ihdr;
    for (uint32_t v : {1u, 1u, 10u, 0u, 0u, 0u, 0u})
        PutBig(mhdr, v);
    PutBig(ihdr, 1), PutBig(ihdr, 1);
    ihdr += std::string("\x08\0\0\0\0", 5);
    const Bytef row[2] = {0, 128};
    Bytef packed[64];
    uLongf length = sizeof packed;
    compress(packed, &length, row, sizeof row);
    std::string frame = PngChunk("IHDR", ihdr) + PngChunk("IDAT", std::string((const char *)packed, length)) +
                        PngChunk("IEND", "");
    std::string file = std::string("\x8AMNG\r\n\x1A\n", 8) + PngChunk("MHDR", mhdr);
    file.reserve(file.size() + frame.size() * 100000 + 12);
    for (int i = 0; i < 100000; i++)
        file += frame;
    return file + PngChunk("MEND", "");
}

INT_PTR AnswerOk(const MODALCALL *) { return IDOK; }

bool RefuseImage(const char *path) { return !LoadImageA(NULL, path, NULL, NULL); }
bool RefuseAnimation(const char *path) { return !LoadAnimation(NULL, path); }

// The best time of `times` refusals of the file against the best of as many
// reads of its bytes, taken in turns; the ratio, or a negative number when
// the file was not refused.
double RefusalRatio(const char *path, bool (*refuse)(const char *), int times, double *refused, double *read)
{
    *refused = *read = 1e9;
    for (int round = 0; round < ROUNDS; round++) {
        double t = Now();
        for (int i = 0; i < times; i++)
            ReadWhole(path);
        *read = std::min(*read, (Now() - t) / times);
        t = Now();
        for (int i = 0; i < times; i++)
            if (!refuse(path))
                return -1;
        *refused = std::min(*refused, (Now() - t) / times);
    }
    return *refused / *read;
}

} // namespace

int main()
{
    char jpeg[MAX_PATH], png[MAX_PATH];
    if (!WriteSamples("formats_bench", jpeg, png)) {
        printf("cannot write the sample files\n");
        return 1;
    }
    std::string base(jpeg, strrchr(jpeg, '.'));
    std::string bmp = base + ".bmp", gif = base + ".gif", pcx = base + ".pcx", tga = base + ".tga", avi = base + ".avi";
    std::string rlebmp = base + "_rle.bmp", rletga = base + "_rle.tga";
    HGLOBAL colour = SceneDib(24), indexed = SceneDib(8);
    bool ok = BMPWriteGraphicFile((char *)bmp.c_str(), colour) && GIFWriteGraphicFile((char *)gif.c_str(), indexed) &&
              PCXWriteGraphicFile((char *)pcx.c_str(), colour) && TGAWriteGraphicFile((char *)tga.c_str(), colour) &&
              WriteAviSample(avi.c_str(), colour) && WriteRle8Bmp(rlebmp, indexed) && WriteRleTga(rletga, colour);
    GlobalFree(colour);
    GlobalFree(indexed);
    if (!ok) {
        printf("cannot write the sample files\n");
        return 1;
    }
    const struct {
        const char *name;
        void (*bare)(const char *, unsigned char *);
        const char *path;
        int bits;
        const char *reference;
        double goal;
    } formats[] = {
        {"JPEG", BareJpeg, jpeg, 24, "libjpeg's decode", 1.15},
        {"PNG", BarePng, png, 24, "libpng's decode", 1.15},
        {"GIF", BareGif, gif.c_str(), 8, "giflib's decode", 1.15},
        {"AVI", BareAvi, avi.c_str(), 24, "the AVI library's frame", 1.15},
        {"BMP", BareCopy, bmp.c_str(), 24, "read and copy", 1.15},
        {"BMP run-length", BareCopy8, rlebmp.c_str(), 8, "read and copy", 1.3},
        {"PCX planar", BareCopy, pcx.c_str(), 24, "read and copy", 1.5},
        {"TGA", BareCopy, tga.c_str(), 24, "read and copy", 1.15},
        {"TGA run-length", BareCopy, rletga.c_str(), 24, "read and copy", 1.3},
    };
    for (const auto &f : formats) {
        expected = f.bits;
        // The machine is shared: the best of twice the usual rounds, for the
        // reference and the load path alike, is the time each takes alone.
        double ours = 1e9, bare = 1e9;
        for (int pass = 0; pass < 2; pass++) {
            double o, b = Best(f.bare, LoadWithBits, (char *)f.path, &o);
            bare = std::min(bare, b);
            ours = std::min(ours, o);
        }
        printf("%-14s %dx%d: %s %.1f ms, LoadImageA %.1f ms, ratio %.3f (goal %.2f)\n", f.name, WIDTH, HEIGHT,
               f.reference, bare * 1000, ours * 1000, ours / bare, f.goal);
    }

    std::string hugeavi = base + "_frames.avi", shortbmp = base + "_short.bmp", manymng = base + "_frames.mng";
    if (!WriteBytes(hugeavi, BillionFrameAvi()) || !WriteBytes(shortbmp, ShortBmp()) ||
        !WriteBytes(manymng, TinyFramesMng())) {
        printf("cannot write the hostile files\n");
        return 1;
    }
    COMMONSetModalHook(AnswerOk); // the animation loader's box answers itself
    const struct {
        const char *name;
        const std::string &path;
        bool (*refuse)(const char *);
        int times;
    } hostile[] = {
        {"AVI claiming 2^30 frames", hugeavi, RefuseImage, 200},
        {"BMP of 58 bytes claiming 377 MiB", shortbmp, RefuseImage, 200},
        {"MNG of 100,000 frames", manymng, RefuseAnimation, 3},
    };
    int failed = 0;
    for (const auto &h : hostile) {
        double refused, read, ratio = RefusalRatio(h.path.c_str(), h.refuse, h.times, &refused, &read);
        if (ratio < 0) {
            printf("%s: not refused\n", h.name);
            failed = 1;
            continue;
        }
        printf("refusing %-32s %.3f ms, reading it %.3f ms, ratio %.3f (goal 2)\n", h.name, refused * 1000,
               read * 1000, ratio);
    }
    for (const char *path : {(const char *)jpeg, (const char *)png, bmp.c_str(), gif.c_str(), pcx.c_str(), tga.c_str(),
                             avi.c_str(), rlebmp.c_str(), rletga.c_str(), hugeavi.c_str(), shortbmp.c_str(),
                             manymng.c_str()})
        DeleteFileA(path);
    return failed;
}
