#include "Language.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>
#include <memory>

namespace {

// The program's English, embedded by qt_add_translations under its default prefix.
const QString own_english = QStringLiteral(":/i18n/novard_en.qm");

struct Translators {
    std::unique_ptr<QTranslator> own;
    std::unique_ptr<QTranslator> qt;
};

Translators& installed()
{
    static Translators translators;
    return translators;
}

std::unique_ptr<QTranslator> install(const QString& file, const QString& folder = {})
{
    auto translator = std::make_unique<QTranslator>();
    // Qt's Korean is a recommended package, not a required one: without it Qt's few texts stay
    // English and the program's own stay exact.
    if (!translator->load(file, folder) || !QCoreApplication::installTranslator(translator.get()))
        return nullptr;
    return translator;
}

} // namespace

std::optional<Language> language_named(QStringView name)
{
    if (name == u"ko")
        return Language::korean;
    if (name == u"en")
        return Language::english;
    return std::nullopt;
}

QString language_error(QStringView value)
{
    return QStringLiteral("--language takes ko or en, not '%1'").arg(value);
}

void use_language(std::optional<Language> chosen)
{
    Translators& translators = installed();
    // A translator removes itself from the application as it is destroyed.
    translators = {};
    if (chosen.value_or(desktop_language()) == Language::english)
        translators.own = install(own_english);
    else
        translators.qt = install(
            QStringLiteral("qtbase_ko"), QLibraryInfo::path(QLibraryInfo::TranslationsPath));
}
