// SPDX-License-Identifier: BSD-3-Clause
// Values of the per-user profile: the main window's placement record, the
// output depth and the reading rules for values typed in by hand.
//
// The parsing and formatting functions are free of any toolkit; the thin
// wrappers at the end reach the store through QSettings("Ostrel", "Quorvane").
#pragma once

#include <QList>
#include <QMargins>
#include <QRect>
#include <QSize>
#include <QString>

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

class QSettings;

// The eleven members of a window placement record, in stored order.
struct WindowPlacement {
    int32_t length = 44;
    int32_t flags = 0;
    int32_t showCmd = 1;
    int32_t minX = -1;
    int32_t minY = -1;
    int32_t maxX = -1;
    int32_t maxY = -1;
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;

    std::array<int32_t, 11> Members() const;
    static WindowPlacement FromMembers(const std::array<int32_t, 11>& members);
    bool operator==(const WindowPlacement&) const = default;
};

inline constexpr int32_t kShowNormal = 1;
inline constexpr int32_t kShowMinimized = 2;
inline constexpr int32_t kShowMaximized = 3;

// Leading decimal integer of `text` after optional blanks, with an optional
// sign; 0 when there is none. Out-of-range values saturate at the 32-bit limits.
int32_t LeadingInteger(std::string_view text);

// Reads the eleven members: each is the leading integer from the reading
// position; the position then moves behind the next comma, or back to the
// start when there is none, so a short list repeats from its beginning.
WindowPlacement ParsePlacement(std::string_view text);

// "%ld" for the first member, ",%ld" for each further one.
std::string FormatPlacement(const WindowPlacement& placement);

// Output depth choice: missing or empty -> 1 (16 bits); otherwise the leading
// integer, where 0 -> 0 (8 bits) and any other number -> 1.
int ParseBitSel(const std::string* value);

// ---- Store access (QSettings) ----

inline constexpr const char* kProfileCompany = "Ostrel";
inline constexpr const char* kProfileApplication = "Quorvane";

// A string value of `section`/`entry`, or nothing when it is missing. A comma
// list typed unquoted into an INI store comes back as a list: it is joined
// with "," again.
std::optional<std::string> GetProfileString(QSettings& settings, const QString& section,
                                            const QString& entry);
void WriteProfileString(QSettings& settings, const QString& section, const QString& entry,
                        const std::string& value);

// "Settings"/"BitSel" through ParseBitSel, and its "%d" writer.
int ReadBitSel();
void WriteBitSel(int bitSel);

// "Settings"/"PreviewPages" as its leading integer (0 when missing), and its
// "%d" writer.
int ReadPreviewPages();
void WritePreviewPages(int pages);

// "Settings"/"InitPlacement"; nothing when missing or empty.
std::optional<WindowPlacement> ReadPlacement();
void WritePlacement(const WindowPlacement& placement);

// The normal rectangle of `placement` when it can be used on one of the
// `screens` (available areas): not empty, and overlapping one of them by at
// least 32 x 32 pixels (or by all of a smaller window). Nothing otherwise.
std::optional<QRect> UsableNormalRect(const WindowPlacement& placement,
                                      const QList<QRect>& screens);

// The rectangle to restore: UsableNormalRect, then fitted to the screen it
// overlaps most. Within that screen's available area less the window's
// `frame` (title bar and borders around the rectangle), the size is clamped
// to the area (never below `minimum`, the least the window can be) and the
// top-left corner moved just as far as needed to lie in it with at least
// 128 x 128 pixels (or the whole window) on the screen, so the title bar and
// the menu stay reachable. Values in range are returned exactly as stored.
std::optional<QRect> RestoredNormalRect(const WindowPlacement& placement,
                                        const QList<QRect>& screens, const QMargins& frame,
                                        const QSize& minimum = {});
