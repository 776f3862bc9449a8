// Loading a large picture in every format the way the system does, through
// LoadImageA with the file's bit count asked for (so the format's
// information entry point runs too), against the bare work on the same file
// in the same run: the library's own decode into memory for JPEG, PNG, GIF
// and AVI, and for BMP, PCX and TGA a read of the file and a copy of its
// bytes into a new picture. Goal: at most 15% more than the bare work.
//   scripts/wine-one.sh build/bin/formats_bench.exe
#include "bench/loadbench.h"
#include "codecs/codecs.h"
#include "media/dib.h"
#include "media/imageformat.h"
#include <gif_lib.h>
#include <vfw.h>
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

// The file's bytes into memory, then copied into the new picture.
void BareCopy(const char *path, unsigned char *out)
{
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, NULL);
    DWORD size = GetFileSize(file, NULL), got = 0;
    std::vector<unsigned char> bytes(size);
    ReadFile(file, bytes.data(), size, &got, NULL);
    CloseHandle(file);
    size_t n = std::min<size_t>(got, size_t(WIDTH) * HEIGHT * 3);
    memcpy(out, bytes.data(), n);
}

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
    HGLOBAL colour = SceneDib(24), indexed = SceneDib(8);
    bool ok = BMPWriteGraphicFile((char *)bmp.c_str(), colour) && GIFWriteGraphicFile((char *)gif.c_str(), indexed) &&
              PCXWriteGraphicFile((char *)pcx.c_str(), colour) && TGAWriteGraphicFile((char *)tga.c_str(), colour) &&
              WriteAviSample(avi.c_str(), colour);
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
    } formats[] = {
        {"JPEG", BareJpeg, jpeg, 24, "libjpeg's decode"},   {"PNG", BarePng, png, 24, "libpng's decode"},
        {"GIF", BareGif, gif.c_str(), 8, "giflib's decode"}, {"AVI", BareAvi, avi.c_str(), 24, "the AVI library's frame"},
        {"BMP", BareCopy, bmp.c_str(), 24, "read and copy"},  {"PCX", BareCopy, pcx.c_str(), 24, "read and copy"},
        {"TGA", BareCopy, tga.c_str(), 24, "read and copy"},
    };
    for (const auto &f : formats) {
        expected = f.bits;
        double ours, bare = Best(f.bare, LoadWithBits, (char *)f.path, &ours);
        printf("%-4s %dx%d: %s %.1f ms, LoadImageA %.1f ms, ratio %.3f (goal 1.15)\n", f.name, WIDTH, HEIGHT,
               f.reference, bare * 1000, ours * 1000, ours / bare);
    }
    for (const char *path : {(const char *)jpeg, (const char *)png, bmp.c_str(), gif.c_str(), pcx.c_str(), tga.c_str(), avi.c_str()})
        DeleteFileA(path);
    return 0;
}
