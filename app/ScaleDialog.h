// SPDX-License-Identifier: BSD-3-Clause
// Tools > Set Scale: the distance, with its unit, that the selected line's
// length stands for.
#pragma once

#include "measure/Scale.h"

#include <optional>

class QWidget;

// Asks for the distance `pixels` image pixels span, starting from `current`
// when there is one. None when cancelled.
std::optional<Scale> RunScaleDialog(QWidget* parent, double pixels,
                                    const std::optional<Scale>& current);
