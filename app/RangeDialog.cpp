// SPDX-License-Identifier: BSD-3-Clause
#include "app/RangeDialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

RangeDialog::RangeDialog(const DisplayRange& initial, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("IDD_DISPLAY_RANGE"));
    setWindowTitle(tr("Display Range"));
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    m_pLow = new QSpinBox(this);
    m_pLow->setObjectName(QStringLiteral("IDC_RANGE_LOW"));
    m_pHigh = new QSpinBox(this);
    m_pHigh->setObjectName(QStringLiteral("IDC_RANGE_HIGH"));
    for (QSpinBox* box : {m_pLow, m_pHigh})
        box->setRange(0, 1023);
    m_pLow->setValue(initial.low);
    m_pHigh->setValue(initial.high);
    form->addRow(tr("&Black at (0..1023):"), m_pLow);
    form->addRow(tr("&White at (0..1023):"), m_pHigh);
    layout->addLayout(form);
    m_pNote = new QLabel(tr("The white value must be above the black value."), this);
    m_pNote->setObjectName(QStringLiteral("IDC_RANGE_NOTE"));
    layout->addWidget(m_pNote);
    m_pButtons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    layout->addWidget(m_pButtons);
    connect(m_pButtons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(m_pButtons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_pLow, &QSpinBox::valueChanged, this, &RangeDialog::Validate);
    connect(m_pHigh, &QSpinBox::valueChanged, this, &RangeDialog::Validate);
    Validate();
}

DisplayRange RangeDialog::Range() const {
    return {DisplayRangeMode::Custom, m_pLow->value(), m_pHigh->value()};
}

void RangeDialog::Validate() {
    const bool ok = m_pLow->value() < m_pHigh->value();
    m_pButtons->button(QDialogButtonBox::Ok)->setEnabled(ok);
    m_pNote->setVisible(!ok);
}
