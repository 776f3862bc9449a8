// Writes the sample presentation to the path on the command line.
#include "common/shell.h"
#include "player/sample.h"
#include <cstdio>

int main(int argc, char **argv)
{
    if (argc != 2) {
        fprintf(stderr, "usage: makesample OUTPUT.exe\n");
        return 2;
    }
    hInst = GetModuleHandleA(NULL);
    if (!WriteSamplePresentation(argv[1])) {
        fprintf(stderr, "makesample: could not write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
