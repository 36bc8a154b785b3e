// SPDX-License-Identifier: BSD-3-Clause
#include "app/ViewSettings.h"

#include "app/Profile.h"

#include <QSettings>

#include <algorithm>
#include <optional>
#include <string>

namespace {

const QString kSection = QStringLiteral("View");

QSettings Store() {
    return QSettings(QString::fromLatin1(kProfileCompany),
                     QString::fromLatin1(kProfileApplication));
}

std::optional<int> ReadInt(QSettings& settings, const char* entry) {
    const std::optional<std::string> text =
        GetProfileString(settings, kSection, QString::fromLatin1(entry));
    if (!text || text->empty())
        return std::nullopt;
    return LeadingInteger(*text);
}

void WriteInt(const char* entry, int value) {
    QSettings settings = Store();
    WriteProfileString(settings, kSection, QString::fromLatin1(entry), std::to_string(value));
}

} // namespace

ViewSettings ReadViewSettings() {
    QSettings settings = Store();
    ViewSettings view;
    view.rate = std::clamp(ReadInt(settings, "PlaybackRate").value_or(0), 0, 1000);
    view.loop = ReadInt(settings, "PlaybackLoop").value_or(0) != 0;
    const int mode = ReadInt(settings, "DisplayRange").value_or(0);
    view.range.mode =
        mode >= 0 && mode <= 3 ? static_cast<DisplayRangeMode>(mode) : DisplayRangeMode::Standard;
    const int low = std::clamp(ReadInt(settings, "RangeLow").value_or(0), 0, 1023);
    const int high = std::clamp(ReadInt(settings, "RangeHigh").value_or(1023), 0, 1023);
    if (low < high) {
        view.range.low = low;
        view.range.high = high;
    }
    return view;
}

void WritePlaybackRate(int framesPerSecond) {
    WriteInt("PlaybackRate", framesPerSecond);
}

void WritePlaybackLoop(bool loop) {
    WriteInt("PlaybackLoop", loop ? 1 : 0);
}

void WriteDisplayRange(const DisplayRange& range) {
    WriteInt("DisplayRange", static_cast<int>(range.mode));
    if (range.mode == DisplayRangeMode::Custom) {
        WriteInt("RangeLow", range.low);
        WriteInt("RangeHigh", range.high);
    }
}
