// SPDX-License-Identifier: BSD-3-Clause
#include "convert/Signals.h"

#include <csignal>

#ifndef _WIN32
#include <pthread.h>
#include <signal.h>
#endif

namespace {

std::atomic<bool>* g_flag = nullptr;
std::atomic<int> g_signal{0};
static_assert(std::atomic<int>::is_always_lock_free && std::atomic<bool>::is_always_lock_free);

#ifdef _WIN32
constexpr int kSignals[] = {SIGINT, SIGTERM};
#else
constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};
#endif

extern "C" void OnInterruptSignal(int sig) {
    int none = 0;
    g_signal.compare_exchange_strong(none, sig);
    if (g_flag != nullptr) {
        g_flag->store(true);
    }
#ifdef _WIN32
    std::signal(sig, OnInterruptSignal); // the handler is reset on every call there
#endif
}

} // namespace

void InstallInterruptHandlers(std::atomic<bool>* interrupted) {
    g_flag = interrupted;
    for (const int sig : kSignals) {
#ifdef _WIN32
        std::signal(sig, OnInterruptSignal);
#else
        // A signal the program was started to ignore (nohup, a background
        // job) stays ignored.
        struct sigaction previous {};
        if (sigaction(sig, nullptr, &previous) == 0 && previous.sa_handler == SIG_IGN) {
            continue;
        }
        struct sigaction action {};
        action.sa_handler = OnInterruptSignal;
        sigemptyset(&action.sa_mask);
        // Restarted system calls: a signal must not turn a frame's write into
        // a failure.
        action.sa_flags = SA_RESTART;
        sigaction(sig, &action, nullptr);
#endif
    }
}

int ReceivedSignal() {
    return g_signal.load();
}

int ReRaiseReceivedSignal() {
    const int sig = g_signal.load();
    if (sig == 0) {
        return 0;
    }
    std::signal(sig, SIG_DFL);
#ifndef _WIN32
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, sig);
    pthread_sigmask(SIG_UNBLOCK, &set, nullptr);
#endif
    std::raise(sig);
    return 128 + sig;
}
