#pragma once

#include <SDL.h>
#include <cstddef>
#include <cstdint>
#include <cstring>

constexpr int kScreenWidth = 640;
constexpr int kScreenHeight = 480;

// Opens the 640x480 window. The surface is always 32 bits a pixel with red
// in bits 16-23, green in 8-15 and blue in 0-7, whatever the display's own
// depth: the library converts when it presents. Returns null when the video
// subsystem or the mode cannot be had; SDL_GetError() says why.
SDL_Surface* openDisplay();

// Fills the whole surface with black. When the surface cannot be locked the
// picture is left as it was.
void clearSurface(SDL_Surface* surface);

// The colour mapped to the surface's own format and written at its own
// pixel size, for surfaces that are not 32-bit 0x00RRGGBB.
void putMappedPixel(SDL_Surface* surface, int x, int y, std::uint32_t colour);

inline bool isXrgb8888(const SDL_PixelFormat* format) {
    return format->BytesPerPixel == 4 && format->Rmask == 0x00FF0000 &&
           format->Gmask == 0x0000FF00 && format->Bmask == 0x000000FF;
}

// Stores one pixel given as 0x00RRGGBB. x and y must lie inside the surface:
// the caller drops points that do not. On a 32-bit surface of that layout
// this is one store; any other format takes putMappedPixel. The plot calls
// this some 128,000 times a block, so it lives here to inline into the loop.
inline void putPixel(SDL_Surface* surface, int x, int y, std::uint32_t colour) {
    if (!isXrgb8888(surface->format)) {
        putMappedPixel(surface, x, y, colour);
        return;
    }
    auto* at = static_cast<Uint8*>(surface->pixels) + static_cast<std::ptrdiff_t>(y) * surface->pitch +
               4 * static_cast<std::ptrdiff_t>(x);
    std::memcpy(at, &colour, sizeof colour);
}
