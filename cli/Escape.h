// SPDX-License-Identifier: BSD-3-Clause
// The escaping of printed names is shared by every layer (framework/).
#pragma once

#include "framework/TextEscape.h"
