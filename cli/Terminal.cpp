// SPDX-License-Identifier: BSD-3-Clause
#include "cli/Terminal.h"

#include <atomic>

#ifndef _WIN32
#include <csignal>
#include <sys/ioctl.h>
#include <unistd.h>
#endif

namespace {
// Set by SIGWINCH; the only state the handler touches.
std::atomic<bool> g_resized{false};
static_assert(std::atomic<bool>::is_always_lock_free);

#ifndef _WIN32
extern "C" void OnResize(int) {
    g_resized.store(true);
}
#endif
} // namespace

int TerminalColumns(int fd) {
#ifdef _WIN32
    (void)fd;
    return 0;
#else
    struct winsize size {};
    if (ioctl(fd, TIOCGWINSZ, &size) != 0) {
        return 0;
    }
    return size.ws_col;
#endif
}

void WatchTerminalResize() {
#ifndef _WIN32
    struct sigaction action {};
    action.sa_handler = OnResize;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGWINCH, &action, nullptr);
#endif
}

bool TakeTerminalResize() {
    return g_resized.exchange(false);
}
