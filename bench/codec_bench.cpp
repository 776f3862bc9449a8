// Loading a large JPEG and PNG through the codec entry points, against the
// bare library decoding the same file into memory. The load path should
// cost at most 15% more than the bare decode. Both sides decode into newly
// allocated memory, as any load of a new picture must: touching 36 MB of
// fresh pages costs about as much as a third of the JPEG decode itself.
#include "bench/loadbench.h"
#include "codecs/codecs.h"

using namespace bench;

int main()
{
    char jpeg[MAX_PATH], png[MAX_PATH];
    if (!WriteSamples("codec_bench", jpeg, png)) {
        printf("cannot write the sample files\n");
        return 1;
    }
    double ours, bare = Best(BareJpeg, JPGReadGraphicFile, jpeg, &ours);
    printf("JPEG %dx%d: bare %.1f ms, JPGReadGraphicFile %.1f ms, ratio %.3f (goal 1.15)\n", WIDTH, HEIGHT,
           bare * 1000, ours * 1000, ours / bare);
    bare = Best(BarePng, PNGReadGraphicFile, png, &ours);
    printf("PNG  %dx%d: bare %.1f ms, PNGReadGraphicFile %.1f ms, ratio %.3f (goal 1.15)\n", WIDTH, HEIGHT,
           bare * 1000, ours * 1000, ours / bare);
    DeleteFileA(jpeg);
    DeleteFileA(png);
    return 0;
}
