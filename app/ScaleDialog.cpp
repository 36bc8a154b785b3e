// SPDX-License-Identifier: BSD-3-Clause
#include "app/ScaleDialog.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>

namespace {

QString Tr(const char* text) {
    return QCoreApplication::translate("ScaleDialog", text);
}

const char* const kUnits[] = {"nm", "\u00b5m", "mm", "cm", "m"};

} // namespace

std::optional<Scale> RunScaleDialog(QWidget* parent, double pixels,
                                    const std::optional<Scale>& current) {
    QDialog dialog(parent);
    dialog.setObjectName(QStringLiteral("IDD_SET_SCALE"));
    dialog.setWindowTitle(Tr(QT_TRANSLATE_NOOP("ScaleDialog", "Set Scale")));
    auto* distance = new QDoubleSpinBox(&dialog);
    distance->setObjectName(QStringLiteral("IDC_SCALE_DISTANCE"));
    distance->setDecimals(4);
    distance->setRange(0.0001, 1e9);
    distance->setValue(1.0);
    auto* unit = new QComboBox(&dialog);
    unit->setObjectName(QStringLiteral("IDC_SCALE_UNIT"));
    for (const char* name : kUnits)
        unit->addItem(QString::fromUtf8(name));
    unit->setCurrentIndex(2);
    if (current && current->pixels > 0) {
        distance->setValue(current->length * pixels / current->pixels);
        unit->setCurrentText(QString::fromStdString(current->unit));
    }
    auto* row = new QHBoxLayout;
    row->addWidget(distance, 1);
    row->addWidget(unit);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    auto* form = new QFormLayout(&dialog);
    form->addRow(new QLabel(Tr(QT_TRANSLATE_NOOP("ScaleDialog",
                                                 "The selected line is %1 pixels long."))
                                .arg(pixels, 0, 'f', 2),
                            &dialog));
    form->addRow(Tr(QT_TRANSLATE_NOOP("ScaleDialog", "Known distance:")), row);
    form->addRow(buttons);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return Scale{pixels, distance->value(), unit->currentText().toStdString()};
}
