// SPDX-License-Identifier: BSD-3-Clause
#include "app/CQuorvaneApp.h"

#include <QuorvaneVersion.h>

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

    CQuorvaneApp app(argc, argv);
    app.setApplicationVersion(QStringLiteral(QUORVANE_VERSION));
    if (!app.InitInstance())
        return app.ExitCode();
    return CQuorvaneApp::exec();
}
