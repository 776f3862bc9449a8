// Library functions bound at their first call rather than at start: the
// system libraries that only a few commands or pages need (printing, the
// shell, the task allocator, sound and movies) would otherwise be loaded,
// with all they pull in, before the player shows its first page, at more
// cost than reading a small document.
//
// A function's import slot, the pointer that every call through the system
// headers goes through, is defined by LAZYSLOT and first holds a stand-in,
// which loads the library, puts the real function in the slot and calls it;
// later calls go straight to the library. The linker takes a slot defined
// in a library of ours before the system's import library (which comes
// after it on the link line), so no caller changes. A function without a
// slot is imported as usual and loads its library at start.
#pragma once
#include <windows.h>

// The function `name` of `library`, put in *slot; null when either cannot
// be loaded, and the caller fails the call as the function itself fails.
template <class F> F BindLazily(F *slot, const char *library, const char *name)
{
    HMODULE module = LoadLibraryA(library);
    F f = module ? (F)(void *)GetProcAddress(module, name) : nullptr;
    if (f)
        *slot = f;
    return f;
}

// The slot of function `name` taking `bytes` bytes of arguments, named as the
// import libraries name it, holding first the stand-in `Lazy##name`.
#define LAZYSLOT(name, bytes)                                                                                          \
    extern "C" decltype(&name) slot_##name __asm__("__imp__" #name "@" #bytes);                                      \
    decltype(&name) slot_##name = Lazy##name
