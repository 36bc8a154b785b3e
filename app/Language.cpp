// SPDX-License-Identifier: BSD-3-Clause
#include "app/Language.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

#include <memory>

namespace {
bool g_japanese = false;

// Installs a catalogue owned by `app`; false when it cannot be loaded.
bool InstallCatalogue(QCoreApplication& app, const QString& name, const QString& directory) {
    auto translator = std::make_unique<QTranslator>();
    if (!translator->load(name, directory))
        return false;
    translator->setParent(&app);
    QCoreApplication::installTranslator(translator.release());
    return true;
}
} // namespace

bool UiIsJapanese() {
    return g_japanese;
}

bool ChooseJapanese(const QString& forced, const QStringList& uiLanguages) {
    if (forced.compare(QLatin1String("ja"), Qt::CaseInsensitive) == 0)
        return true;
    if (forced.compare(QLatin1String("en"), Qt::CaseInsensitive) == 0)
        return false;
    // Only the most preferred language counts: Japanese listed as a fallback
    // behind another language must not switch the interface.
    return !uiLanguages.isEmpty() && uiLanguages.first().startsWith(QLatin1String("ja"));
}

bool InstallLanguage(QCoreApplication& app, bool japanese) {
    g_japanese = japanese;
    if (!japanese)
        return true;
    // Qt's own texts (standard dialogs) are optional: not every system ships them.
    InstallCatalogue(app, QStringLiteral("qtbase_ja"),
                     QLibraryInfo::path(QLibraryInfo::TranslationsPath));
    return InstallCatalogue(app, QStringLiteral("quorvane_ja"), QStringLiteral(":/i18n"));
}
