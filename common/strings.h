#pragma once
#include <windows.h>

constexpr int FETCHSTRINGSIZE = 256;

// The text of string resource `id` in one shared buffer, valid until the next
// call; a missing id gives a fixed complaint instead.
char *FetchString(unsigned id);
