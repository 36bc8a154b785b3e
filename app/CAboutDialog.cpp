// SPDX-License-Identifier: BSD-3-Clause
#include "app/CAboutDialog.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

CAboutDialog::CAboutDialog(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("IDD_ABOUTBOX"));
    setWindowTitle(tr("About Quorvane"));

    auto* icon = new QLabel(this);
    icon->setObjectName(QStringLiteral("IDR_MAINFRAME"));
    icon->setPixmap(QIcon(QStringLiteral(":/icons/quorvane.png")).pixmap(32, 32));
    icon->setAlignment(Qt::AlignTop | Qt::AlignHCenter);

    auto* version = new QLabel(tr("Quorvane Version 1.1"), this);
    version->setObjectName(QStringLiteral("IDC_STATIC_VERSION"));
    auto* about = new QLabel(tr("High-speed recording viewer and TIFF converter"), this);
    about->setObjectName(QStringLiteral("IDC_STATIC_ABOUT"));

    auto* ok = new QPushButton(tr("OK"), this);
    ok->setObjectName(QStringLiteral("IDOK"));
    ok->setDefault(true);
    ok->setAutoDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    // Icon at the left, the two lines beside it, OK at the top right.
    auto* layout = new QGridLayout(this);
    layout->addWidget(icon, 0, 0, 2, 1);
    layout->addWidget(version, 0, 1);
    layout->addWidget(about, 1, 1);
    layout->addWidget(ok, 0, 2, Qt::AlignTop);
    layout->setColumnStretch(1, 1);
    layout->setHorizontalSpacing(16);
    setLayout(layout);
    setSizeGripEnabled(false);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}
