// SPDX-License-Identifier: BSD-3-Clause
// Status-bar panes that go before the keyboard indicators.
#pragma once

#include <QList>
#include <QStatusBar>
#include <QWidget>

#include <initializer_list>

// Adds `panes` as permanent widgets: the indicators are taken out and put
// back behind them, which keeps their order whatever else the bar holds.
inline void AddPanesBeforeIndicators(QStatusBar* status, std::initializer_list<QWidget*> panes) {
    QList<QWidget*> indicators;
    for (const char* name :
         {"ID_INDICATOR_KANA", "ID_INDICATOR_CAPS", "ID_INDICATOR_NUM", "ID_INDICATOR_SCRL"}) {
        if (auto* indicator = status->findChild<QWidget*>(QString::fromLatin1(name))) {
            status->removeWidget(indicator);
            indicators.append(indicator);
        }
    }
    for (QWidget* pane : panes)
        status->addPermanentWidget(pane);
    for (QWidget* indicator : indicators) {
        status->addPermanentWidget(indicator);
        indicator->show();
    }
}
