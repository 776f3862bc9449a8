// What the load-path benchmarks share: a large photograph-like scene written
// as JPEG and PNG, and the bare library decodes of those files into memory
// that the load paths are measured against.
#pragma once
#include "bench/clock.h"
#include <windows.h>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <jpeglib.h>
#include <png.h>
#include <vector>

namespace bench {

constexpr int WIDTH = 4000, HEIGHT = 3000, ROUNDS = 7;


// Something like a photograph: smooth light, edges and a little grain.
inline std::vector<unsigned char> Scene()
{
    std::vector<unsigned char> rgb(size_t(WIDTH) * HEIGHT * 3);
    unsigned seed = 12345;
    for (int y = 0; y < HEIGHT; y++)
        for (int x = 0; x < WIDTH; x++) {
            seed = seed * 1103515245 + 12345;
            int grain = int(seed >> 28) - 8;
            bool disc = (x - 2000) * (x - 2000) + (y - 1500) * (y - 1500) < 900 * 900;
            unsigned char *p = &rgb[(size_t(y) * WIDTH + x) * 3];
            p[0] = (unsigned char)std::clamp((disc ? 200 : x / 20) + grain, 0, 255);
            p[1] = (unsigned char)std::clamp(y / 15 + grain, 0, 255);
            p[2] = (unsigned char)std::clamp((disc ? 60 : (x + y) / 30) + grain, 0, 255);
        }
    return rgb;
}

inline bool WriteJpeg(const char *path, const std::vector<unsigned char> &rgb)
{
    FILE *f = fopen(path, "wb");
    if (!f)
        return false;
    jpeg_compress_struct c;
    jpeg_error_mgr e;
    c.err = jpeg_std_error(&e);
    jpeg_create_compress(&c);
    jpeg_stdio_dest(&c, f);
    c.image_width = WIDTH;
    c.image_height = HEIGHT;
    c.input_components = 3;
    c.in_color_space = JCS_RGB;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, 90, TRUE);
    jpeg_start_compress(&c, TRUE);
    while (c.next_scanline < c.image_height) {
        JSAMPROW row = (JSAMPROW)&rgb[size_t(c.next_scanline) * WIDTH * 3];
        jpeg_write_scanlines(&c, &row, 1);
    }
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    return fclose(f) == 0;
}

inline bool WritePng(const char *path, const std::vector<unsigned char> &rgb)
{
    FILE *f = fopen(path, "wb");
    if (!f)
        return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, NULL, NULL, NULL);
    png_infop info = png_create_info_struct(png);
    png_init_io(png, f);
    png_set_IHDR(png, info, WIDTH, HEIGHT, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = 0; y < HEIGHT; y++)
        png_write_row(png, &rgb[size_t(y) * WIDTH * 3]);
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return fclose(f) == 0;
}

// The bare decodes: the library straight from the file into one buffer.
inline void BareJpeg(const char *path, unsigned char *out)
{
    FILE *f = fopen(path, "rb");
    jpeg_decompress_struct c;
    jpeg_error_mgr e;
    c.err = jpeg_std_error(&e);
    jpeg_create_decompress(&c);
    jpeg_stdio_src(&c, f);
    jpeg_read_header(&c, TRUE);
    jpeg_start_decompress(&c);
    while (c.output_scanline < c.output_height) {
        JSAMPROW row = out + size_t(c.output_scanline) * c.output_width * 3;
        jpeg_read_scanlines(&c, &row, 1);
    }
    jpeg_finish_decompress(&c);
    jpeg_destroy_decompress(&c);
    fclose(f);
}

inline void BarePng(const char *path, unsigned char *out)
{
    FILE *f = fopen(path, "rb");
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, NULL, NULL, NULL);
    png_infop info = png_create_info_struct(png);
    png_init_io(png, f);
    png_read_info(png, info);
    png_read_update_info(png, info);
    std::vector<png_bytep> rows(HEIGHT);
    for (int y = 0; y < HEIGHT; y++)
        rows[y] = out + size_t(y) * WIDTH * 3;
    png_read_image(png, rows.data());
    png_read_end(png, NULL);
    png_destroy_read_struct(&png, &info, NULL);
    fclose(f);
}

// Writes the scene to both files in the temporary folder; false on failure.
inline bool WriteSamples(const char *name, char (&jpeg)[MAX_PATH], char (&png)[MAX_PATH])
{
    char folder[MAX_PATH];
    GetTempPathA(MAX_PATH, folder);
    snprintf(jpeg, sizeof jpeg, "%s%s_%lu.jpg", folder, name, GetCurrentProcessId());
    snprintf(png, sizeof png, "%s%s_%lu.png", folder, name, GetCurrentProcessId());
    std::vector<unsigned char> scene = Scene();
    return WriteJpeg(jpeg, scene) && WritePng(png, scene);
}

// The best of ROUNDS times of the bare decode and of `ours` on the same
// file, taken in turns; the bare time is returned, ours goes to *oursbest.
inline double Best(void (*bare)(const char *, unsigned char *), HGLOBAL (*ours)(char *), char *path,
                   double *oursbest)
{
    double barebest = 1e9;
    *oursbest = 1e9;
    for (int round = 0; round < ROUNDS; round++) {
        double t = Now();
        auto *out = (unsigned char *)malloc(size_t(WIDTH) * HEIGHT * 3);
        bare(path, out);
        barebest = std::min(barebest, Now() - t);
        free(out);
        t = Now();
        HGLOBAL dib = ours(path);
        *oursbest = std::min(*oursbest, Now() - t);
        if (!dib) {
            printf("reading %s failed\n", path);
            exit(1);
        }
        GlobalFree(dib);
    }
    return barebest;
}

} // namespace bench
