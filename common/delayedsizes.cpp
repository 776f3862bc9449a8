// The programs' own delayed lists. This file is alone in its object, so that
// a test program that binds lists of its own links its own build of it
// (with those lists added) and the library's is never taken: the names the
// tests make up stay out of the programs.
#include "common/delayedsizes.h"

namespace {
const DELAYEDSIZE sizes[] = {
#include "delayedsizes.inc"
#ifdef SB_DELAYED_TEST_SIZES
#include "delayedtestsizes.inc"
#endif
};
} // namespace

const DELAYEDSIZE *DelayedSizes(size_t *count)
{
    *count = sizeof sizes / sizeof *sizes;
    return sizes;
}
