// SPDX-License-Identifier: BSD-3-Clause
#include "Termination.h"

#include <atomic>
#include <csignal>
#include <mutex>

#include <signal.h>

namespace {

constexpr int kSignals[] = {SIGTERM, SIGHUP};

std::atomic<int> g_noted{0};
static_assert(std::atomic<int>::is_always_lock_free);

// Conversions may run on several Python threads at once: the first guard
// installs, the last one restores and re-raises.
std::mutex g_mutex;
int g_guards = 0;
struct sigaction g_previous[2];
bool g_taken[2] = {false, false};

extern "C" void NoteTermination(int sig) {
    int none = 0;
    g_noted.compare_exchange_strong(none, sig);
}

} // namespace

TerminationGuard::TerminationGuard() {
    const std::lock_guard lock(g_mutex);
    if (g_guards++ > 0) {
        return;
    }
    g_noted.store(0);
    for (int i = 0; i < 2; ++i) {
        g_taken[i] = false;
        // A handler Python code installed (or SIG_IGN) is left alone: it is
        // run or honoured as usual.
        if (sigaction(kSignals[i], nullptr, &g_previous[i]) != 0 ||
            g_previous[i].sa_handler != SIG_DFL) {
            continue;
        }
        struct sigaction action {};
        action.sa_handler = NoteTermination;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        g_taken[i] = sigaction(kSignals[i], &action, nullptr) == 0;
    }
}

TerminationGuard::~TerminationGuard() {
    const std::lock_guard lock(g_mutex);
    if (--g_guards > 0) {
        return;
    }
    for (int i = 0; i < 2; ++i) {
        if (g_taken[i]) {
            sigaction(kSignals[i], &g_previous[i], nullptr);
        }
    }
    if (const int sig = g_noted.exchange(0); sig != 0) {
        sigset_t set;
        sigemptyset(&set);
        sigaddset(&set, sig);
        pthread_sigmask(SIG_UNBLOCK, &set, nullptr);
        std::raise(sig);
    }
}

bool TerminationGuard::Noted() {
    return g_noted.load() != 0;
}
