// The argument bytes of each function bound at its first call, by name: how
// much the failure hook takes off the stack for one that cannot be bound.
#pragma once
#include <cstddef>

struct DELAYEDSIZE {
    const char *name;
    unsigned bytes; // of its arguments
};
// The table of every delayed list the program is linked with.
const DELAYEDSIZE *DelayedSizes(size_t *count);
