#include "platform/standard_streams.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <initializer_list>

namespace {

void pointSanitizerReportsAt(int fd) {
    for (const char* runtime : {"libasan.so.8", "libtsan.so.2", "libubsan.so.1"}) {
        void* handle = dlopen(runtime, RTLD_LAZY | RTLD_NOLOAD);
        if (!handle) continue;
        using SetReportFd = void (*)(void*);
        if (auto set = reinterpret_cast<SetReportFd>(dlsym(handle, "__sanitizer_set_report_fd"))) {
            set(reinterpret_cast<void*>(static_cast<std::intptr_t>(fd)));
        }
        dlclose(handle);
    }
}

}  // namespace

void openMissingStandardStreams() {
    for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; fd++) {
        if (fcntl(fd, F_GETFD) != -1) continue;
        // The lowest free descriptor: this one.
        open("/dev/null", fd == STDIN_FILENO ? O_RDONLY : O_WRONLY);
    }
}

void silenceLibraryDiagnostics() {
    std::fflush(stderr);
    const int devNull = open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (devNull < 0) return;
    const int original = fcntl(STDERR_FILENO, F_DUPFD_CLOEXEC, 3);
    dup2(devNull, STDERR_FILENO);
    close(devNull);
    if (original >= 0) pointSanitizerReportsAt(original);
}
