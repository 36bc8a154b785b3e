// SPDX-License-Identifier: BSD-3-Clause
#include "app/Profile.h"

#include <QSettings>
#include <QStringList>
#include <QVariant>

#include <algorithm>
#include <limits>

std::array<int32_t, 11> WindowPlacement::Members() const {
    return {length, flags, showCmd, minX, minY, maxX, maxY, left, top, right, bottom};
}

WindowPlacement WindowPlacement::FromMembers(const std::array<int32_t, 11>& m) {
    return {m[0], m[1], m[2], m[3], m[4], m[5], m[6], m[7], m[8], m[9], m[10]};
}

int32_t LeadingInteger(std::string_view text) {
    size_t pos = 0;
    while (pos < text.size() && (text[pos] == ' ' || (text[pos] >= '\t' && text[pos] <= '\r')))
        ++pos;
    bool negative = false;
    if (pos < text.size() && (text[pos] == '-' || text[pos] == '+')) {
        negative = text[pos] == '-';
        ++pos;
    }
    // Accumulate in 64 bits and stop growing once past the 32-bit range.
    constexpr int64_t kLimit = int64_t{std::numeric_limits<int32_t>::max()} + 1;
    int64_t value = 0;
    for (; pos < text.size() && text[pos] >= '0' && text[pos] <= '9'; ++pos) {
        if (value <= kLimit)
            value = value * 10 + (text[pos] - '0');
    }
    if (negative)
        value = -value;
    if (value > std::numeric_limits<int32_t>::max())
        return std::numeric_limits<int32_t>::max();
    if (value < std::numeric_limits<int32_t>::min())
        return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(value);
}

WindowPlacement ParsePlacement(std::string_view text) {
    std::array<int32_t, 11> members{};
    size_t pos = 0;
    for (int32_t& member : members) {
        member = LeadingInteger(text.substr(pos));
        const size_t comma = text.find(',', pos);
        pos = comma == std::string_view::npos ? 0 : comma + 1;
    }
    return WindowPlacement::FromMembers(members);
}

std::string FormatPlacement(const WindowPlacement& placement) {
    std::string text;
    for (const int32_t member : placement.Members()) {
        if (!text.empty())
            text += ',';
        text += std::to_string(member);
    }
    return text;
}

int ParseBitSel(const std::string* value) {
    if (value == nullptr || value->empty())
        return 1;
    return LeadingInteger(*value) == 0 ? 0 : 1;
}

std::optional<std::string> GetProfileString(QSettings& settings, const QString& section,
                                            const QString& entry) {
    const QVariant value = settings.value(section + QLatin1Char('/') + entry);
    if (!value.isValid())
        return std::nullopt;
    if (value.typeId() == QMetaType::QStringList)
        return value.toStringList().join(QLatin1Char(',')).toStdString();
    return value.toString().toStdString();
}

void WriteProfileString(QSettings& settings, const QString& section, const QString& entry,
                        const std::string& value) {
    settings.setValue(section + QLatin1Char('/') + entry, QString::fromStdString(value));
}

int ReadBitSel() {
    QSettings settings(QString::fromLatin1(kProfileCompany),
                       QString::fromLatin1(kProfileApplication));
    const std::optional<std::string> value =
        GetProfileString(settings, QStringLiteral("Settings"), QStringLiteral("BitSel"));
    return ParseBitSel(value ? &*value : nullptr);
}

void WriteBitSel(int bitSel) {
    QSettings settings(QString::fromLatin1(kProfileCompany),
                       QString::fromLatin1(kProfileApplication));
    WriteProfileString(settings, QStringLiteral("Settings"), QStringLiteral("BitSel"),
                       std::to_string(bitSel));
}

int ReadPreviewPages() {
    QSettings settings(QString::fromLatin1(kProfileCompany),
                       QString::fromLatin1(kProfileApplication));
    const std::optional<std::string> value =
        GetProfileString(settings, QStringLiteral("Settings"), QStringLiteral("PreviewPages"));
    return value ? LeadingInteger(*value) : 0;
}

void WritePreviewPages(int pages) {
    QSettings settings(QString::fromLatin1(kProfileCompany),
                       QString::fromLatin1(kProfileApplication));
    WriteProfileString(settings, QStringLiteral("Settings"), QStringLiteral("PreviewPages"),
                       std::to_string(pages));
}

std::optional<WindowPlacement> ReadPlacement() {
    QSettings settings(QString::fromLatin1(kProfileCompany),
                       QString::fromLatin1(kProfileApplication));
    const std::optional<std::string> value =
        GetProfileString(settings, QStringLiteral("Settings"), QStringLiteral("InitPlacement"));
    if (!value || value->empty())
        return std::nullopt;
    return ParsePlacement(*value);
}

void WritePlacement(const WindowPlacement& placement) {
    QSettings settings(QString::fromLatin1(kProfileCompany),
                       QString::fromLatin1(kProfileApplication));
    WriteProfileString(settings, QStringLiteral("Settings"), QStringLiteral("InitPlacement"),
                       FormatPlacement(placement));
}

std::optional<QRect> UsableNormalRect(const WindowPlacement& placement,
                                      const QList<QRect>& screens) {
    // 64-bit differences: damaged values must not overflow.
    const int64_t width = int64_t{placement.right} - placement.left;
    const int64_t height = int64_t{placement.bottom} - placement.top;
    constexpr int64_t kMaxExtent = 1 << 20;
    if (width <= 0 || height <= 0 || width > kMaxExtent || height > kMaxExtent)
        return std::nullopt;
    const QRect rect(placement.left, placement.top, static_cast<int>(width),
                     static_cast<int>(height));
    const int needWidth = std::min(rect.width(), 32);
    const int needHeight = std::min(rect.height(), 32);
    for (const QRect& screen : screens) {
        const QRect overlap = screen.intersected(rect);
        if (overlap.width() >= needWidth && overlap.height() >= needHeight)
            return rect;
    }
    return std::nullopt;
}

std::optional<QRect> RestoredNormalRect(const WindowPlacement& placement,
                                        const QList<QRect>& screens, const QMargins& frame,
                                        const QSize& minimum) {
    constexpr int kMinVisible = 128;
    const std::optional<QRect> usable = UsableNormalRect(placement, screens);
    if (!usable)
        return std::nullopt;
    const QRect rect = *usable;
    // The screen it lands on: the one it overlaps most.
    QRect screen;
    int64_t bestArea = -1;
    for (const QRect& candidate : screens) {
        const QRect overlap = candidate.intersected(rect);
        const int64_t area = overlap.isEmpty() ? 0 : int64_t{overlap.width()} * overlap.height();
        if (area > bestArea) {
            bestArea = area;
            screen = candidate;
        }
    }
    // Where the rectangle itself may go so that its frame stays on the screen.
    const QRect area = screen.marginsRemoved(frame);
    if (area.width() <= 0 || area.height() <= 0)
        return std::nullopt;
    // The size never exceeds the area. The top-left corner, where the title
    // bar and the menu start, stays inside it, with at least a corner of the
    // window on the screen; a window may hang off the right or bottom edge
    // as far as that allows.
    const int width = std::min(rect.width(), std::max(area.width(), minimum.width()));
    const int height = std::min(rect.height(), std::max(area.height(), minimum.height()));
    const int lastX = area.left() + area.width() - std::min(width, kMinVisible);
    const int lastY = area.top() + area.height() - std::min(height, kMinVisible);
    const int x = std::clamp(rect.x(), area.left(), lastX);
    const int y = std::clamp(rect.y(), area.top(), lastY);
    return QRect(x, y, width, height);
}
