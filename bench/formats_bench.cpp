// Loading a large JPEG and PNG the way the system does, through LoadImageA
// with the file's bit count asked for (so the codec's information entry
// point runs too), against the bare library decoding the same file into
// memory. Goal: at most 15% more than the bare decode.
#include "bench/loadbench.h"
#include "media/imageformat.h"

using namespace bench;

namespace {

HGLOBAL LoadWithBits(char *path)
{
    unsigned short bits = 0;
    HGLOBAL dib = LoadImageA(NULL, path, NULL, &bits);
    if (dib && bits != 24) {
        printf("%s: bit count %u, expected 24\n", path, bits);
        exit(1);
    }
    return dib;
}

} // namespace

int main()
{
    char jpeg[MAX_PATH], png[MAX_PATH];
    if (!WriteSamples("formats_bench", jpeg, png)) {
        printf("cannot write the sample files\n");
        return 1;
    }
    double ours, bare = Best(BareJpeg, LoadWithBits, jpeg, &ours);
    printf("JPEG %dx%d: bare %.1f ms, LoadImageA %.1f ms, ratio %.3f (goal 1.15)\n", WIDTH, HEIGHT, bare * 1000,
           ours * 1000, ours / bare);
    bare = Best(BarePng, LoadWithBits, png, &ours);
    printf("PNG  %dx%d: bare %.1f ms, LoadImageA %.1f ms, ratio %.3f (goal 1.15)\n", WIDTH, HEIGHT, bare * 1000,
           ours * 1000, ours / bare);
    DeleteFileA(jpeg);
    DeleteFileA(png);
    return 0;
}
