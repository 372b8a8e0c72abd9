#include "display/surface.h"

#include <cstddef>
#include <cstring>

SDL_Surface* openDisplay() {
    if (SDL_Init(SDL_INIT_VIDEO) != 0) return nullptr;
    // Asking for 32 bits rather than the display's depth keeps the raw
    // 0x00RRGGBB stores of the plot valid on every display.
    return SDL_SetVideoMode(kScreenWidth, kScreenHeight, 32, SDL_SWSURFACE);
}

void clearSurface(SDL_Surface* surface) {
    if (SDL_LockSurface(surface) != 0) return;
    const Uint32 black = SDL_MapRGB(surface->format, 0, 0, 0);
    const size_t rowBytes = static_cast<size_t>(surface->format->BytesPerPixel) * surface->w;
    auto* row = static_cast<Uint8*>(surface->pixels);
    for (int y = 0; y < surface->h; y++, row += surface->pitch) {
        std::memset(row, static_cast<int>(black & 0xFF), rowBytes);
    }
    SDL_UnlockSurface(surface);
}

namespace {

void storeMapped(Uint8* at, int bytesPerPixel, Uint32 pixel) {
    switch (bytesPerPixel) {
        case 1: *at = static_cast<Uint8>(pixel); break;
        case 2: {
            const Uint16 p16 = static_cast<Uint16>(pixel);
            std::memcpy(at, &p16, sizeof p16);
            break;
        }
        case 3:  // native byte order, as SDL lays out 24-bit pixels
            if (SDL_BYTEORDER == SDL_LIL_ENDIAN) {
                at[0] = pixel & 0xFF; at[1] = (pixel >> 8) & 0xFF; at[2] = (pixel >> 16) & 0xFF;
            } else {
                at[0] = (pixel >> 16) & 0xFF; at[1] = (pixel >> 8) & 0xFF; at[2] = pixel & 0xFF;
            }
            break;
        default: std::memcpy(at, &pixel, sizeof pixel); break;
    }
}

}  // namespace

void putMappedPixel(SDL_Surface* surface, int x, int y, std::uint32_t colour) {
    const SDL_PixelFormat* format = surface->format;
    const Uint32 mapped = SDL_MapRGB(surface->format, (colour >> 16) & 0xFF, (colour >> 8) & 0xFF,
                                     colour & 0xFF);
    Uint8* row = static_cast<Uint8*>(surface->pixels) + static_cast<std::ptrdiff_t>(y) * surface->pitch;
    storeMapped(row + static_cast<std::ptrdiff_t>(x) * format->BytesPerPixel, format->BytesPerPixel,
                mapped);
}
