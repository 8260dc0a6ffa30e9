#pragma once

#include <QLocale>
#include <QTranslator>
#include <memory>

// Qt's own texts (the buttons and labels of the file, font, colour and
// progress dialogs) in the language of the locale, from Qt's translations
// as the system has them installed, put in place for the application. The
// program's own texts are not translated. Nothing is installed when the
// system has no translation for the locale; the translator stays in place
// while the returned object lives.
std::unique_ptr<QTranslator> InstallQtTranslations(const QLocale &locale = QLocale());
