// SPDX-License-Identifier: BSD-3-Clause
// The most-recently-used file list: at most ten paths, most recent first,
// kept in "Recent File List"/"File1".."File10" of the profile.
#pragma once

#include <QString>
#include <QStringList>

class QSettings;

class RecentFileList {
public:
    static constexpr int kMaxFiles = 10;

    explicit RecentFileList(int maxFiles = kMaxFiles) : m_nMaxFiles(maxFiles) {}

    // Moves `path` to the front (adding it when new) and drops the oldest
    // entries beyond the maximum.
    void Add(const QString& path);
    // Removes `path`; false when it was not listed.
    bool Remove(const QString& path);

    const QStringList& Files() const { return m_files; }
    int MaxFiles() const { return m_nMaxFiles; }

    // Menu text of entry `index` (0-based): "&1 /path/name.vrn".
    QString MenuText(int index) const;

    void ReadList(QSettings& settings);
    void WriteList(QSettings& settings) const;

    // Through QSettings("Ostrel", "Quorvane").
    void ReadList();
    void WriteList() const;

private:
    qsizetype IndexOf(const QString& path) const;

    int m_nMaxFiles;
    QStringList m_files;
};
