#include "Language.h"

#include <QLocale>

Language desktop_language()
{
    const QLocale system = QLocale::system();
    // Under C, LANGUAGE is not read, as gettext does not read it.
    if (system.language() == QLocale::C)
        return Language::korean;
    const QStringList ui_languages = system.uiLanguages();
    return !ui_languages.isEmpty() && QLocale(ui_languages.first()).language() == QLocale::Korean
        ? Language::korean
        : Language::english;
}
