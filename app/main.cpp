// SPDX-License-Identifier: BSD-3-Clause
#include "app/CQuorvaneApp.h"

#include <QuorvaneVersion.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// Whether the toolkit can reach a display. Without one it would abort with a
// message about reinstalling; a platform chosen on purpose (offscreen, vnc,
// eglfs) needs none.
bool DisplayReachable() {
#if defined(__unix__) && !defined(__APPLE__)
    const char* platform = std::getenv("QT_QPA_PLATFORM");
    const bool windowed = platform == nullptr || *platform == '\0' ||
                          std::strncmp(platform, "xcb", 3) == 0 ||
                          std::strncmp(platform, "wayland", 7) == 0;
    const char* x11 = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    return !windowed || (x11 != nullptr && *x11 != '\0') ||
           (wayland != nullptr && *wayland != '\0');
#else
    return true;
#endif
}

} // namespace

int main(int argc, char** argv) {
    // --help, --version and usage errors are answered before the toolkit
    // starts, so they work without a display (over ssh, in a container).
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    if (const int status =
            ReportCommandLine(ParseCommandLine(arguments), QStringLiteral(QUORVANE_VERSION));
        status >= 0)
        return status;
    if (!DisplayReachable()) {
        std::fputs("quorvane: no display: set DISPLAY or WAYLAND_DISPLAY, or use quorvane-cli\n",
                   stderr);
        return 1;
    }

    CQuorvaneApp app(argc, argv);
    app.setApplicationVersion(QStringLiteral(QUORVANE_VERSION));
    if (!app.InitInstance())
        return app.ExitCode();
    return CQuorvaneApp::exec();
}
