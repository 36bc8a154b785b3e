// SPDX-License-Identifier: BSD-3-Clause
#include "app/RecentFileList.h"

#include "app/Profile.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>

namespace {
const QString kSection = QStringLiteral("Recent File List");

QString EntryName(int number) {
    return QStringLiteral("File%1").arg(number);
}

QString Normalised(const QString& path) {
    return path.isEmpty() ? path : QDir::cleanPath(QFileInfo(path).absoluteFilePath());
}
} // namespace

qsizetype RecentFileList::IndexOf(const QString& path) const {
    const QString wanted = Normalised(path);
    for (qsizetype i = 0; i < m_files.size(); ++i) {
        if (Normalised(m_files[i]) == wanted)
            return i;
    }
    return -1;
}

void RecentFileList::Add(const QString& path) {
    if (path.isEmpty())
        return;
    const qsizetype index = IndexOf(path);
    if (index >= 0)
        m_files.removeAt(index);
    m_files.prepend(Normalised(path));
    while (m_files.size() > m_nMaxFiles)
        m_files.removeLast();
}

bool RecentFileList::Remove(const QString& path) {
    const qsizetype index = IndexOf(path);
    if (index < 0)
        return false;
    m_files.removeAt(index);
    return true;
}

QString RecentFileList::MenuText(int index) const {
    QString path = QDir::toNativeSeparators(m_files.value(index));
    // A literal '&' in a path must not become a mnemonic.
    path.replace(QLatin1Char('&'), QStringLiteral("&&"));
    // Entries 1..9 get their digit as mnemonic, the tenth "1&0".
    const int number = index + 1;
    const QString label = number < 10 ? QStringLiteral("&%1").arg(number)
                                      : QStringLiteral("%1&%2").arg(number / 10).arg(number % 10);
    return label + QLatin1Char(' ') + path;
}

void RecentFileList::ReadList(QSettings& settings) {
    m_files.clear();
    for (int number = 1; number <= m_nMaxFiles; ++number) {
        const std::optional<std::string> value =
            GetProfileString(settings, kSection, EntryName(number));
        if (value && !value->empty() && IndexOf(QString::fromStdString(*value)) < 0)
            m_files.append(QString::fromStdString(*value));
    }
}

void RecentFileList::WriteList(QSettings& settings) const {
    settings.remove(kSection);
    for (qsizetype i = 0; i < m_files.size(); ++i)
        settings.setValue(kSection + QLatin1Char('/') + EntryName(static_cast<int>(i) + 1),
                          m_files[i]);
}

void RecentFileList::ReadList() {
    QSettings settings(QString::fromLatin1(kProfileCompany),
                       QString::fromLatin1(kProfileApplication));
    ReadList(settings);
}

void RecentFileList::WriteList() const {
    QSettings settings(QString::fromLatin1(kProfileCompany),
                       QString::fromLatin1(kProfileApplication));
    WriteList(settings);
}
