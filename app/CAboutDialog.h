// SPDX-License-Identifier: BSD-3-Clause
// The About box: the program's icon, name and version, one line about it and
// an OK button.
#pragma once

#include <QDialog>

class CAboutDialog : public QDialog {
    Q_OBJECT

public:
    explicit CAboutDialog(QWidget* parent = nullptr);
};
