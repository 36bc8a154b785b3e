// SPDX-License-Identifier: BSD-3-Clause
#pragma once

#include <QIcon>
#include <QLatin1String>
#include <QString>

// The program's own toolbar image `name` (16 x 15, and twice that for
// high-density screens), whatever icon theme is installed.
inline QIcon ToolbarIcon(const char* name) {
    const QString base = QStringLiteral(":/toolbar/%1").arg(QLatin1String(name));
    QIcon icon;
    icon.addFile(base + QStringLiteral(".png"));
    icon.addFile(base + QStringLiteral("@2x.png"));
    return icon;
}
