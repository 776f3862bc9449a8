#include "common/strings.h"
#include "common/shell.h"
#include <cstring>

static char fetchbuffer[FETCHSTRINGSIZE];

char *FetchString(unsigned id)
{
    if (LoadStringA(hInst, id, fetchbuffer, sizeof fetchbuffer) <= 0)
        strcpy(fetchbuffer, "String table error - this application may be damaged");
    return fetchbuffer;
}
