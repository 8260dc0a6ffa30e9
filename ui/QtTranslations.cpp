#include "QtTranslations.h"

#include <QCoreApplication>
#include <QLibraryInfo>

std::unique_ptr<QTranslator> InstallQtTranslations(const QLocale &locale)
{
    auto translator = std::make_unique<QTranslator>();
    if (!translator->load(locale, QStringLiteral("qtbase"), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath))
        || !QCoreApplication::installTranslator(translator.get()))
        return nullptr;
    return translator;
}
