// Test-only probe, loaded with LD_PRELOAD into the real program: every
// SDL_Flip writes one line with the CLOCK_MONOTONIC time in nanoseconds to
// the file descriptor named by AMTONE_TEST_FLIP_FD. Each flip ends one call
// of the stream callback, so the lines show when and how often it runs.

#include <SDL.h>
#include <dlfcn.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

extern "C" int SDL_Flip(SDL_Surface* surface) {
    using FlipFunction = int (*)(SDL_Surface*);
    static const auto realFlip = reinterpret_cast<FlipFunction>(dlsym(RTLD_NEXT, "SDL_Flip"));
    static const char* fdText = std::getenv("AMTONE_TEST_FLIP_FD");
    const int result = realFlip(surface);
    if (fdText) {
        timespec now;
        clock_gettime(CLOCK_MONOTONIC, &now);
        char line[32];
        const int length = std::snprintf(line, sizeof line, "%lld\n",
                                         now.tv_sec * 1000000000LL + now.tv_nsec);
        [[maybe_unused]] const ssize_t written = write(std::atoi(fdText), line, length);
    }
    return result;
}
