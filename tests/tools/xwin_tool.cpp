// Test-only X11 helper for the window tests.
//   xwin_tool wait-window WIDTH HEIGHT TIMEOUT_S  prints the id of a mapped
//                                                 top-level window of that size
//   xwin_tool shot WINDOW FILE.ppm               saves the window's pixels
//   xwin_tool close WINDOW                       asks it to close, as a window
//                                                manager's close button does
// It waits on X events (with a bounded timeout), never by sleeping.

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <sys/select.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

Window findWindow(Display* display, int width, int height) {
    Window root = DefaultRootWindow(display), parent, *children = nullptr;
    unsigned int count = 0;
    Window found = 0;
    if (!XQueryTree(display, root, &root, &parent, &children, &count)) return 0;
    for (unsigned int i = 0; i < count && !found; i++) {
        XWindowAttributes attributes;
        if (XGetWindowAttributes(display, children[i], &attributes) &&
            attributes.map_state == IsViewable && attributes.width == width &&
            attributes.height == height) {
            found = children[i];
        }
    }
    if (children) XFree(children);
    return found;
}

int waitWindow(Display* display, int width, int height, double timeoutSeconds) {
    XSelectInput(display, DefaultRootWindow(display), SubstructureNotifyMask);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(timeoutSeconds);
    for (;;) {
        if (Window window = findWindow(display, width, height)) {
            std::printf("%lu\n", window);
            return 0;
        }
        while (XPending(display)) {
            XEvent event;
            XNextEvent(display, &event);
        }
        const auto left = deadline - std::chrono::steady_clock::now();
        if (left <= std::chrono::steady_clock::duration::zero()) return 1;
        const auto us = std::chrono::duration_cast<std::chrono::microseconds>(left).count();
        timeval timeout{static_cast<time_t>(us / 1000000), static_cast<suseconds_t>(us % 1000000)};
        fd_set fds;
        FD_ZERO(&fds);
        FD_SET(ConnectionNumber(display), &fds);
        select(ConnectionNumber(display) + 1, &fds, nullptr, nullptr, &timeout);
    }
}

int shot(Display* display, Window window, const char* path) {
    XWindowAttributes attributes;
    if (!XGetWindowAttributes(display, window, &attributes)) return 1;
    XImage* image = XGetImage(display, window, 0, 0, attributes.width, attributes.height, AllPlanes, ZPixmap);
    if (!image) return 1;
    FILE* out = std::fopen(path, "wb");
    if (!out) return 1;
    std::fprintf(out, "P6\n%d %d\n255\n", image->width, image->height);
    auto channel = [](unsigned long pixel, unsigned long mask) {
        int shift = 0;
        while (mask && !(mask & 1)) { mask >>= 1; shift++; }
        return static_cast<unsigned char>(((pixel >> shift) & mask) * 255 / (mask ? mask : 1));
    };
    for (int y = 0; y < image->height; y++) {
        for (int x = 0; x < image->width; x++) {
            const unsigned long pixel = XGetPixel(image, x, y);
            const unsigned char rgb[3] = {channel(pixel, image->red_mask), channel(pixel, image->green_mask),
                                          channel(pixel, image->blue_mask)};
            std::fwrite(rgb, 1, 3, out);
        }
    }
    std::fclose(out);
    XDestroyImage(image);
    return 0;
}

int closeWindow(Display* display, Window window) {
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(display, window, False, NoEventMask, &event);
    XSync(display, False);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) return 2;
    Display* display = XOpenDisplay(nullptr);
    if (!display) return 2;
    int status = 2;
    if (!std::strcmp(argv[1], "wait-window") && argc == 5) {
        status = waitWindow(display, std::atoi(argv[2]), std::atoi(argv[3]), std::atof(argv[4]));
    } else if (!std::strcmp(argv[1], "shot") && argc == 4) {
        status = shot(display, std::strtoul(argv[2], nullptr, 10), argv[3]);
    } else if (!std::strcmp(argv[1], "close") && argc == 3) {
        status = closeWindow(display, std::strtoul(argv[2], nullptr, 10));
    }
    XCloseDisplay(display);
    return status;
}
