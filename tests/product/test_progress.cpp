// SPDX-License-Identifier: BSD-3-Clause
// The progress line fits the terminal: the line itself at many widths, the
// width read from a terminal, and quorvane-cli drawn on a pseudo-terminal.
#include "cli/Progress.h"
#include "cli/Terminal.h"

#include "TestUtil.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

TEST(ProductProgress, LineFitsEveryWidthAndKeepsWhatMattersLongest) {
    for (int columns = 1; columns <= 200; ++columns) {
        for (const double seconds : {0.0, 0.5, 3600.0}) {
            const std::string line = FitProgressLine(120, 300, seconds, columns);
            EXPECT_LE(static_cast<int>(line.size()), std::max(columns - 1, 1))
                << columns << ": " << line;
            if (columns > 8) {
                EXPECT_NE(line.find("120/300"), std::string::npos) << columns << ": " << line;
            }
        }
    }
    // Wide: the whole text and a bar no wider than 60.
    EXPECT_EQ(FitProgressLine(150, 300, 1.0, 120),
              "[" + std::string(30, '#') + std::string(30, '.') +
                  "] 150/300 frames  150.0 fps  0:01 left");
    // 40 columns: the rate goes, the time left stays.
    EXPECT_EQ(FitProgressLine(150, 300, 1.0, 40), "[#####......] 150/300 frames  0:01 left");
    // Too narrow for a bar: the count alone.
    EXPECT_EQ(FitProgressLine(150, 300, 1.0, 12), "150/300");
    EXPECT_EQ(FitProgressLine(150, 300, 1.0, 5), "150/");
}

struct winsize Size(int columns) {
    struct winsize size {};
    size.ws_col = static_cast<unsigned short>(columns);
    size.ws_row = 24;
    return size;
}

TEST(ProductProgress, TerminalColumnsComeFromTheTerminal) {
    int master = -1;
    int slave = -1;
    struct winsize size = Size(57);
    ASSERT_EQ(openpty(&master, &slave, nullptr, nullptr, &size), 0);
    EXPECT_EQ(TerminalColumns(slave), 57);
    close(master);
    close(slave);
    TempDir dir;
    const int file = open((dir / "plain").c_str(), O_CREAT | O_WRONLY, 0600);
    EXPECT_EQ(TerminalColumns(file), 0);
    close(file);
}

// What the master side of a pseudo-terminal has received so far.
std::string Drain(int master) {
    std::string text;
    char buffer[4096];
    pollfd ready{master, POLLIN, 0};
    while (poll(&ready, 1, 50) > 0) {
        const ssize_t got = read(master, buffer, sizeof buffer);
        if (got <= 0) {
            break;
        }
        text.append(buffer, static_cast<size_t>(got));
    }
    return text;
}

TEST(ProductProgress, BarFollowsAResizedTerminal) {
    int master = -1;
    int slave = -1;
    struct winsize size = Size(120);
    ASSERT_EQ(openpty(&master, &slave, nullptr, nullptr, &size), 0);
    std::FILE* stream = fdopen(slave, "w");
    ASSERT_NE(stream, nullptr);
    {
        ProgressBar bar(stream, true);
        bar.Update(10, 300);
        std::string wide = Drain(master);
        EXPECT_GT(wide.size(), 70u) << wide;

        size = Size(40);
        ASSERT_EQ(ioctl(master, TIOCSWINSZ, &size), 0);
        std::raise(SIGWINCH); // as the terminal sends it to its foreground job
        bar.Update(20, 300);
        const std::string narrow = Drain(master);
        const std::size_t start = narrow.rfind('\r');
        ASSERT_NE(start, std::string::npos);
        // The new line, padded to blank the old one only within the width.
        EXPECT_LT(narrow.size() - start - 1, 40u) << narrow;
        EXPECT_NE(narrow.find("20/300"), std::string::npos) << narrow;
        bar.Finish();
        EXPECT_LT(Drain(master).size(), 42u);
    }
    std::fclose(stream);
    close(master);
}

// Runs quorvane-cli on a pseudo-terminal `columns` wide and returns all it drew.
std::string OnTerminal(int columns, const std::vector<std::string>& args,
                       const std::string& folder) {
    struct winsize size = Size(columns);
    int master = -1;
    const pid_t pid = forkpty(&master, nullptr, nullptr, &size);
    if (pid == 0) {
        std::vector<char*> argv{const_cast<char*>(QUORVANE_CLI_PATH)};
        for (const std::string& arg : args) {
            argv.push_back(const_cast<char*>(arg.c_str()));
        }
        argv.push_back(nullptr);
        if (chdir(folder.c_str()) == 0) {
            execv(QUORVANE_CLI_PATH, argv.data());
        }
        _exit(127);
    }
    std::string text;
    if (pid < 0) {
        return text;
    }
    char buffer[4096];
    for (;;) {
        const ssize_t got = read(master, buffer, sizeof buffer);
        if (got > 0) {
            text.append(buffer, static_cast<size_t>(got));
        } else if (got < 0 && errno == EINTR) {
            continue;
        } else {
            break; // EIO once the program has ended
        }
    }
    close(master);
    int status = 0;
    waitpid(pid, &status, 0);
    return text;
}

// The pieces between carriage returns and new lines that hold a bar.
std::vector<std::string> Redraws(const std::string& text) {
    std::vector<std::string> pieces;
    std::string piece;
    for (const char c : text) {
        if (c == '\r' || c == '\n') {
            if (piece.find('[') != std::string::npos) {
                pieces.push_back(piece);
            }
            piece.clear();
        } else {
            piece += c;
        }
    }
    return pieces;
}

TEST(ProductProgress, ConvertDrawsWithinTheTerminalWidth) {
    TempDir work;
    ASSERT_FALSE(WriteTestRecording(work, "clip.vrn", TestRecording(256, 256, 60)).empty());
    for (const int columns : {40, 120}) {
        const std::string text =
            OnTerminal(columns, {"convert", "clip.vrn", "-o", "out", "-j", "1"}, work.Path());
        const std::vector<std::string> redraws = Redraws(text);
        ASSERT_FALSE(redraws.empty()) << columns << ": " << text;
        for (const std::string& line : redraws) {
            EXPECT_LT(static_cast<int>(line.size()), columns) << "'" << line << "'";
        }
        // The last redraw shows the whole run.
        EXPECT_NE(redraws.back().find("60/60 frames"), std::string::npos) << redraws.back();
        if (columns == 120) {
            EXPECT_NE(redraws.back().find(" fps "), std::string::npos) << redraws.back();
        }
        EXPECT_NE(text.find("60 files, "), std::string::npos) << text;
    }
}

} // namespace
