// A bounded walk over the chunks of a RIFF file, the one way wave files and
// RMID MIDI files are read. Every step moves forward, no chunk stepped over
// reaches past the end of its parent, and the number of chunks has a bound,
// so a damaged or hostile length cannot send the walk back to a chunk it has
// seen, wrap it round or keep it going for ever.
#pragma once
#include <windows.h>
#include <mmsystem.h>

// Why a file's structure cannot be read; RIFF_OK when it can.
enum RIFFFAULT {
    RIFF_OK,
    RIFF_UNREADABLE, // the file cannot be opened or read
    RIFF_NOTFORM,    // not a RIFF form of the type asked for
    RIFF_NOCHUNK,    // the parent holds no chunk of that kind
    RIFF_PASTEND,    // a chunk reaches past the end of its parent
    RIFF_TOOMANY,    // more chunks than any sound file has
    RIFF_BADFORMAT,  // a wave's format is missing, cut short or not PCM
    RIFF_TOOLARGE,   // a wave's samples are more than memory holds in one block
};

// The walk gives up after this many chunks in one parent.
constexpr DWORD RIFFMAXCHUNKS = 16384;

// Where the bytes come from: `read` copies `n` bytes at `at`, false when it
// cannot. `size` is the whole source's length.
struct RIFFSOURCE {
    DWORD size;
    bool (*read)(const void *from, DWORD at, void *to, DWORD n);
    const void *from;
};

// A chunk: its id, the length it claims, where its data starts and how much
// of that data its parent holds (less than `size` when it is cut short).
struct RIFFCHUNK {
    FOURCC id;
    DWORD size;
    DWORD start;
    DWORD held;
};

// A source over bytes in memory.
RIFFSOURCE RiffMemory(const void *bytes, SIZE_T size);
// A source over an open file of `size` bytes.
RIFFSOURCE RiffFile(HANDLE file, DWORD size);

// The chunks of the RIFF form of type `type` at the source's start: a
// parent whose data begins after the form type. A form that claims more
// than the source holds stands for what it holds, as recorders that stop
// early leave it.
RIFFFAULT RiffForm(const RIFFSOURCE &source, FOURCC type, RIFFCHUNK *form);
// The first chunk `id` inside `parent` at or after `from` (0: the parent's
// start). The chunk found may be cut short; those stepped over are whole.
RIFFFAULT RiffFind(const RIFFSOURCE &source, const RIFFCHUNK &parent, FOURCC id, RIFFCHUNK *found, DWORD from = 0);
// Where the chunk after `chunk` starts, past its pad byte.
DWORD RiffAfter(const RIFFCHUNK &chunk);

// A PCM wave file's format and its samples: the one rule of every reader of
// wave files. A format chunk shorter than 16 bytes leaves the rest zero; the
// format needs channels and a frame size; the data chunk must be held whole,
// and `data` then holds its whole frames.
RIFFFAULT RiffWave(const RIFFSOURCE &source, PCMWAVEFORMAT *format, RIFFCHUNK *data);

// A file opened by name for reading (INVALID_HANDLE_VALUE when it cannot be,
// or when the name is MAX_PATH characters or more).
HANDLE RiffOpenFile(const char *path);
// The most sample bytes a wave file may have. A 32-bit process finds no free
// range much wider than this once its libraries are in, so a larger wave
// could not be loaded whole: every reader refuses it alike, the one that
// reads only the format as well as those that load the samples.
constexpr DWORD MAXWAVEBYTES = 512u << 20;
// RiffWave of an open file; a file of 2 GiB or more is unreadable, and a wave
// of more than MAXWAVEBYTES samples too large.
RIFFFAULT RiffWaveFile(HANDLE file, PCMWAVEFORMAT *format, RIFFCHUNK *data);
// Reads `n` bytes at `at` of an open file: false unless all of them came.
bool RiffReadFile(HANDLE file, DWORD at, void *to, DWORD n);
