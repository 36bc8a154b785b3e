// SPDX-License-Identifier: BSD-3-Clause
// The user-interface language, chosen once at start-up.
#pragma once

#include <QString>
#include <QStringList>

class QCoreApplication;

// True when the interface runs in Japanese.
bool UiIsJapanese();

// Decides the language: `forced` is "ja" or "en" from the command line (empty
// when not given); otherwise the first of `uiLanguages` (most preferred first)
// decides. Returns true for Japanese.
bool ChooseJapanese(const QString& forced, const QStringList& uiLanguages);

// Sets the language for UiIsJapanese and, for Japanese, installs our
// translations and Qt's own into `app` (the translators are owned by it).
// Returns false when our Japanese catalogue could not be loaded.
bool InstallLanguage(QCoreApplication& app, bool japanese);
