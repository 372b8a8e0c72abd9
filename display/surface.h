#pragma once

#include <SDL.h>
#include <cstdint>

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

// Stores one pixel given as 0x00RRGGBB. x and y must lie inside the surface:
// the caller drops points that do not. On a 32-bit surface of that layout
// this is one store; on any other format the colour is mapped and written at
// the surface's own pixel size.
void putPixel(SDL_Surface* surface, int x, int y, std::uint32_t colour);
