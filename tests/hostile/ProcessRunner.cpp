// SPDX-License-Identifier: BSD-3-Clause
#include "ProcessRunner.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace {

std::string ReadAll(int fd) {
    std::string text;
    if (fd < 0 || lseek(fd, 0, SEEK_SET) != 0) {
        return text;
    }
    char buffer[4096];
    ssize_t n = 0;
    while ((n = read(fd, buffer, sizeof buffer)) > 0) {
        text.append(buffer, static_cast<size_t>(n));
    }
    return text;
}

// The parent's environment with `extra` added or replacing same-named entries.
std::vector<std::string> MergedEnvironment(const std::vector<std::string>& extra) {
    std::vector<std::string> env;
    for (char** e = environ; *e != nullptr; ++e) {
        const std::string entry(*e);
        const std::string name = entry.substr(0, entry.find('='));
        bool replaced = false;
        for (const auto& x : extra) {
            replaced = replaced || x.substr(0, x.find('=')) == name;
        }
        if (!replaced) {
            env.push_back(entry);
        }
    }
    env.insert(env.end(), extra.begin(), extra.end());
    return env;
}

std::vector<char*> Pointers(std::vector<std::string>& strings) {
    std::vector<char*> ptrs;
    for (auto& s : strings) {
        ptrs.push_back(s.data());
    }
    ptrs.push_back(nullptr);
    return ptrs;
}

[[maybe_unused]] std::string SanitizerOptions(const char* name) {
    const char* existing = std::getenv(name);
    std::string options = existing != nullptr ? existing : "";
    return options + (options.empty() ? "" : ":") + "abort_on_error=1:halt_on_error=1";
}

} // namespace

std::string ProcessResult::Describe() const {
    std::ostringstream s;
    if (timedOut) {
        s << "timed out";
    } else if (signal != 0) {
        s << "signal " << signal << " (" << strsignal(signal) << ")";
    } else {
        s << "exit " << exitCode;
    }
    s << "; stderr: " << err;
    return s.str();
}

std::vector<std::string> ProcessResult::ErrLines() const {
    std::vector<std::string> lines;
    std::istringstream in(err);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty()) {
            lines.push_back(line);
        }
    }
    return lines;
}

ChildProcess::ChildProcess(const std::vector<std::string>& argv,
                           const std::vector<std::string>& env, long memoryCapMb) {
    std::vector<std::string> args = argv;
    std::vector<std::string> extra = env;
    rlimit addressSpace{RLIM_INFINITY, RLIM_INFINITY};
#if defined(__SANITIZE_ADDRESS__)
    // A sanitizer report must end the child with a signal, never with an
    // exit status a test could take for a clean failure.
    std::string asan = SanitizerOptions("ASAN_OPTIONS");
    if (memoryCapMb > 0) {
        asan += ":max_allocation_size_mb=" + std::to_string(memoryCapMb);
    }
    extra.push_back("ASAN_OPTIONS=" + asan);
    extra.push_back("UBSAN_OPTIONS=" + SanitizerOptions("UBSAN_OPTIONS"));
#else
    if (memoryCapMb > 0) {
        addressSpace.rlim_cur = addressSpace.rlim_max = static_cast<rlim_t>(memoryCapMb) << 20;
    }
#endif
    std::vector<std::string> environment = MergedEnvironment(extra);
    std::vector<char*> argp = Pointers(args);
    std::vector<char*> envp = Pointers(environment);
    outFd_ = memfd_create("child-out", MFD_CLOEXEC);
    errFd_ = memfd_create("child-err", MFD_CLOEXEC);
    if (outFd_ < 0 || errFd_ < 0) {
        return;
    }
    pid_ = fork();
    if (pid_ == 0) {
        // Only async-signal-safe calls between fork and exec.
        dup2(outFd_, STDOUT_FILENO);
        dup2(errFd_, STDERR_FILENO);
        if (addressSpace.rlim_cur != RLIM_INFINITY) {
            setrlimit(RLIMIT_AS, &addressSpace);
        }
        execve(argp[0], argp.data(), envp.data());
        _exit(127);
    }
}

ChildProcess::~ChildProcess() {
    if (pid_ > 0 && !reaped_) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
    for (int fd : {outFd_, errFd_}) {
        if (fd >= 0) {
            close(fd);
        }
    }
}

bool ChildProcess::Signal(int sig) const {
    return pid_ > 0 && !reaped_ && kill(pid_, sig) == 0;
}

bool ChildProcess::Running() {
    if (pid_ <= 0 || reaped_) {
        return false;
    }
    int status = 0;
    rusage usage{};
    const pid_t r = wait4(pid_, &status, WNOHANG, &usage);
    if (r == pid_) {
        reaped_ = true;
        result_.maxRssKb = usage.ru_maxrss;
        if (WIFEXITED(status)) {
            result_.exitCode = WEXITSTATUS(status);
        } else if (WIFSIGNALED(status)) {
            result_.signal = WTERMSIG(status);
        }
        return false;
    }
    return true;
}

ProcessResult ChildProcess::Wait(double timeoutSeconds) {
    if (pid_ <= 0) {
        result_.err = "cannot start process";
        return result_;
    }
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::duration<double>(timeoutSeconds);
    while (Running()) {
        if (std::chrono::steady_clock::now() > deadline) {
            kill(pid_, SIGKILL);
            result_.timedOut = true;
            while (Running()) {
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    result_.out = ReadAll(outFd_);
    result_.err = ReadAll(errFd_);
    return result_;
}

ProcessResult RunProcess(const std::vector<std::string>& argv, double timeoutSeconds,
                         const std::vector<std::string>& env, long memoryCapMb) {
    ChildProcess child(argv, env, memoryCapMb);
    return child.Wait(timeoutSeconds);
}
