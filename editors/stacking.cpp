#include "editors/stacking.h"
#include "document/objects.h"
#include "editors/pageeditor.h"

bool RestackPageObject(BLOCK *block, unsigned index, UINT move)
{
    const unsigned i = index, n = BlockObjectCount(block);
    HGLOBAL object = GetPageObject(block, i);
    if (!object)
        return false;
    bool ok = true;
    auto shift = [&](unsigned from, unsigned to) {
        HGLOBAL h = ok ? GetPageObject(block, from) : NULL;
        ok = h && PutPageObject(block, h, to);
    };
    switch (move) {
    case WMU_OBJECTTOTOP:
        if (i + 1 < n) {
            for (unsigned j = i + 1; j < n; j++)
                shift(j, j - 1);
            ok = ok && PutPageObject(block, object, n - 1);
        }
        break;
    case WMU_OBJECTTOBOTTOM:
        if (i >= 1) {
            for (unsigned j = i; j-- > 0;)
                shift(j, j + 1);
            ok = ok && PutPageObject(block, object, 0);
        }
        break;
    case WMU_OBJECTFORWARD:
    case WMU_OBJECTBACKWARD: {
        bool forward = move == WMU_OBJECTFORWARD;
        if (forward ? i + 1 < n : i >= 1) {
            unsigned other = forward ? i + 1 : i - 1;
            shift(other, i);
            ok = ok && PutPageObject(block, object, other);
        }
        break;
    }
    }
    return ok;
}
