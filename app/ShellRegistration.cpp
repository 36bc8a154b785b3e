// SPDX-License-Identifier: BSD-3-Clause
#include "app/ShellRegistration.h"

#ifdef _WIN32
#include <QDir>
#include <QSettings>

bool RegisterShellFileTypes(const QString& programPath) {
    const QString program =
        QLatin1Char('"') + QDir::toNativeSeparators(programPath) + QLatin1Char('"');
    QSettings classes(QStringLiteral("HKEY_CURRENT_USER\\Software\\Classes"),
                      QSettings::NativeFormat);
    classes.setValue(QStringLiteral(".vrn/Default"), QStringLiteral("Quorvane.Document"));
    classes.setValue(QStringLiteral("Quorvane.Document/Default"), QStringLiteral("VORN Document"));
    classes.setValue(QStringLiteral("Quorvane.Document/DefaultIcon/Default"),
                     program + QStringLiteral(",1"));
    classes.setValue(QStringLiteral("Quorvane.Document/shell/open/command/Default"),
                     program + QStringLiteral(" \"%1\""));
    classes.setValue(QStringLiteral("Quorvane.Document/shell/print/command/Default"),
                     program + QStringLiteral(" /p \"%1\""));
    classes.setValue(QStringLiteral("Quorvane.Document/shell/printto/command/Default"),
                     program + QStringLiteral(" /pt \"%1\" \"%2\" \"%3\" \"%4\""));
    classes.sync();
    return classes.status() == QSettings::NoError;
}
#else
bool RegisterShellFileTypes(const QString& /*programPath*/) {
    return true;
}
#endif
