// SPDX-License-Identifier: BSD-3-Clause
// Fuzz target: the profile values as a user may have typed them by hand:
// the window placement list, the depth choice, and whether a restored window
// rectangle lies on a screen.
// Input: a screen count byte, 16 bytes per screen, then the profile text.
#include "app/Profile.h"
#include "fuzz/FuzzSupport.h"

#include <algorithm>
#include <cstdint>
#include <string>

namespace {

int32_t Between(uint32_t raw, int32_t lo, int32_t hi) {
    return lo + static_cast<int32_t>(raw % static_cast<uint32_t>(hi - lo + 1));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzBytes in(data, size);
    QList<QRect> screens;
    for (int n = in.Byte() % 4; n > 0; --n) {
        const int32_t x = Between(in.Dword(), -32768, 32767);
        const int32_t y = Between(in.Dword(), -32768, 32767);
        const int32_t w = Between(in.Dword(), 0, 16384);
        const int32_t h = Between(in.Dword(), 0, 16384);
        screens.append(QRect(x, y, w, h));
    }
    const std::string text(reinterpret_cast<const char*>(in.Rest()), in.RestSize());

    // What is read back is what gets written at the next close, and that
    // must read back the same.
    const WindowPlacement placement = ParsePlacement(text);
    FUZZ_CHECK(ParsePlacement(FormatPlacement(placement)) == placement);
    for (int32_t member : placement.Members()) {
        FUZZ_CHECK(LeadingInteger(std::to_string(member)) == member);
    }

    const int bitSel = ParseBitSel(&text);
    FUZZ_CHECK(bitSel == 0 || bitSel == 1);
    FUZZ_CHECK(text.empty() ? bitSel == 1 : bitSel == (LeadingInteger(text) != 0 ? 1 : 0));

    if (const auto rect = UsableNormalRect(placement, screens)) {
        FUZZ_CHECK(rect->left() == placement.left && rect->top() == placement.top);
        FUZZ_CHECK(int64_t{rect->width()} == int64_t{placement.right} - placement.left);
        FUZZ_CHECK(int64_t{rect->height()} == int64_t{placement.bottom} - placement.top);
        FUZZ_CHECK(std::any_of(screens.begin(), screens.end(),
                               [&](const QRect& s) { return s.intersects(*rect); }));
    }
    return 0;
}
