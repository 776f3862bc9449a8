// Animation and movie files written by the tests themselves, so that what the
// program reads from them is known to the byte.
#pragma once
#include <windows.h>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace sbtest {

// An MNG of one-colour RGB frames, each with its delay in ms, asking for
// `repeat` passes.
std::string Mng(int w, int h, const std::vector<std::pair<COLORREF, uint32_t>> &frames, uint32_t repeat);

// An uncompressed AVI of `frames` frames of `bpp` bytes a pixel, ten a
// second, each four bands of colour that move on by one band a frame.
std::vector<uint8_t> Avi(int width, int height, uint32_t frames, int bpp = 3);

} // namespace sbtest
