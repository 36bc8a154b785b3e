// SPDX-License-Identifier: BSD-3-Clause
// The main of a benchmark that drives the viewer: offscreen unless another
// platform is asked for, a profile of its own (the user's is never read or
// changed), and recordings written into a folder that lasts for the run.
#pragma once

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QSettings>
#include <QTemporaryDir>

#include <cstdio>
#include <functional>

// `write` puts the recordings into the folder; false ends the program with 1.
inline int RunGuiBenchmarks(int argc, char** argv,
                            const std::function<bool(const QTemporaryDir& dir)>& write) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir profile;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, profile.path());
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, profile.path());
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    QTemporaryDir dir;
    if (!dir.isValid() || !write(dir)) {
        std::fprintf(stderr, "cannot write the recordings in %s\n",
                     dir.path().toLocal8Bit().constData());
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
