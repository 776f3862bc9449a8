// Installing a file procedure of the multimedia library without loading it.
//
// The library's functions are bound at their first call (see
// common/delayed/winmm.def): a page without sound or movie never loads it.
// The runtime installs its in-memory file procedure when it registers its
// classes, long before anything is played. While the library is not loaded
// that installation is kept here and made the moment the library is bound,
// before the call that bound it runs: nothing can open a file through the
// procedure without first calling into the library.
#pragma once
#include <windows.h>
#include <mmsystem.h>

// As mmioInstallIOProcA, for MMIO_INSTALLPROC and MMIO_REMOVEPROC.
LPMMIOPROC InstallIOProcWhenBound(FOURCC code, LPMMIOPROC proc, DWORD flags);
