#include "italian.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace tavola {

void SpeakItalian(QCoreApplication& application) {
    auto* translator = new QTranslator(&application);
    // Without Debian's translations the texts stay in English, which is no
    // reason to keep a child from playing.
    if (translator->load(QLocale(QLocale::Italian, QLocale::Italy), "qt", "_",
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(translator);
}

} // namespace tavola
