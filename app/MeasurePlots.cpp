// SPDX-License-Identifier: BSD-3-Clause
#include "app/MeasurePlots.h"

void OpenPlotOverTime(CChildFrame*, const Region&) {}

void OpenLineProfile(CChildFrame*, const Line&) {}
