// SPDX-License-Identifier: BSD-3-Clause
#include "app/RecordingRates.h"

#include "app/Profile.h"
#include "recording/TimeBase.h"

#include <QDateTime>
#include <QFileInfo>
#include <QSettings>
#include <QUrl>

#include <sstream>

namespace {

const QString kRates = QStringLiteral("Rates");
const QString kDefault = QStringLiteral("Default");

QSettings Store() {
    return QSettings(QString::fromLatin1(kProfileCompany),
                     QString::fromLatin1(kProfileApplication));
}

QString Key(const QString& path) {
    return QString::fromLatin1(QUrl::toPercentEncoding(QFileInfo(path).absoluteFilePath()));
}

std::optional<double> ReadRate(const std::optional<std::string>& text) {
    double rate = 0;
    std::string error;
    if (!text || !ParseRate(*text, rate, error))
        return std::nullopt;
    return rate;
}

} // namespace

std::string FormatStoredRate(double rate, int64_t size, int64_t mtimeMs) {
    return FormatRate(rate) + " " + std::to_string(size) + " " + std::to_string(mtimeMs);
}

namespace {

// The value of stored "<value> <size> <mtime ms>" while the file still has
// that size and modification time.
std::optional<std::string> IdentifiedValue(const std::string& text, int64_t size,
                                           int64_t mtimeMs) {
    std::istringstream words(text);
    std::string value;
    int64_t storedSize = -1;
    int64_t storedTime = -1;
    std::string extra;
    if (!(words >> value >> storedSize >> storedTime) || (words >> extra))
        return std::nullopt;
    if (storedSize != size || storedTime != mtimeMs)
        return std::nullopt;
    return value;
}

std::string Identified(const std::string& value, const QFileInfo& file) {
    return value + " " + std::to_string(file.size()) + " " +
           std::to_string(file.lastModified().toMSecsSinceEpoch());
}

// The identified entry `key` of the file at `path`.
std::optional<std::string> ReadIdentified(const QString& key, const QString& path) {
    QSettings settings = Store();
    const std::optional<std::string> text = GetProfileString(settings, kRates, key);
    const QFileInfo file(path);
    if (!text || !file.exists())
        return std::nullopt;
    return IdentifiedValue(*text, file.size(), file.lastModified().toMSecsSinceEpoch());
}

std::optional<Scale> ReadScale(const std::optional<std::string>& text) {
    Scale scale;
    std::string error;
    if (!text || !ParseScale(*text, scale, error))
        return std::nullopt;
    return scale;
}

QString ScaleKey(const QString& path) {
    return QStringLiteral("Scale:") + Key(path);
}

} // namespace

std::optional<double> ParseStoredRate(const std::string& text, int64_t size, int64_t mtimeMs) {
    const std::optional<std::string> value = IdentifiedValue(text, size, mtimeMs);
    return value ? ReadRate(*value) : std::nullopt;
}

std::string FormatStoredScale(const Scale& scale, int64_t size, int64_t mtimeMs) {
    return FormatScale(scale) + " " + std::to_string(size) + " " + std::to_string(mtimeMs);
}

std::optional<Scale> ParseStoredScale(const std::string& text, int64_t size, int64_t mtimeMs) {
    return ReadScale(IdentifiedValue(text, size, mtimeMs));
}

std::optional<Scale> ReadRecordingScale(const QString& path) {
    return ReadScale(ReadIdentified(ScaleKey(path), path));
}

void WriteRecordingScale(const QString& path, const std::optional<Scale>& scale) {
    QSettings settings = Store();
    if (!scale) {
        settings.remove(kRates + QLatin1Char('/') + ScaleKey(path));
        return;
    }
    WriteProfileString(settings, kRates, ScaleKey(path), Identified(FormatScale(*scale), QFileInfo(path)));
}

std::optional<double> ReadOwnRate(const QString& path) {
    const std::optional<std::string> value = ReadIdentified(Key(path), path);
    return value ? ReadRate(*value) : std::nullopt;
}

std::optional<double> ReadRecordingRate(const QString& path) {
    if (const std::optional<double> own = ReadOwnRate(path))
        return own;
    return ReadDefaultRate();
}

void WriteRecordingRate(const QString& path, std::optional<double> rate) {
    QSettings settings = Store();
    const QFileInfo file(path);
    if (!rate) {
        settings.remove(kRates + QLatin1Char('/') + Key(path));
        return;
    }
    WriteProfileString(settings, kRates, Key(path), Identified(FormatRate(*rate), file));
}

std::optional<double> ReadDefaultRate() {
    QSettings settings = Store();
    return ReadRate(GetProfileString(settings, kRates, kDefault));
}

void WriteDefaultRate(std::optional<double> rate) {
    QSettings settings = Store();
    WriteProfileString(settings, kRates, kDefault, rate ? FormatRate(*rate) : std::string());
}

bool ReadSynchronizeViews() {
    QSettings settings = Store();
    const std::optional<std::string> text =
        GetProfileString(settings, QStringLiteral("View"), QStringLiteral("SynchronizeViews"));
    return text && LeadingInteger(*text) != 0;
}

void WriteSynchronizeViews(bool on) {
    QSettings settings = Store();
    WriteProfileString(settings, QStringLiteral("View"), QStringLiteral("SynchronizeViews"),
                       on ? "1" : "0");
}
