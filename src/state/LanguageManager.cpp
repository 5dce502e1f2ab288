#include "state/LanguageManager.h"

#include "state/L10n.h"
#include "state/SharedState.h"

#include <QCoreApplication>
#include <QEvent>

namespace tw {

template <>
const QList<AppLanguage>& allCases<AppLanguage>()
{
    static const QList<AppLanguage> cases{AppLanguage::system, AppLanguage::en, AppLanguage::es, AppLanguage::fr,
                                          AppLanguage::de,     AppLanguage::pt, AppLanguage::it, AppLanguage::ja,
                                          AppLanguage::zhHans, AppLanguage::ru, AppLanguage::ar};
    return cases;
}

QString rawValue(AppLanguage language)
{
    switch (language) {
    case AppLanguage::system: return QStringLiteral("system");
    case AppLanguage::en: return QStringLiteral("en");
    case AppLanguage::es: return QStringLiteral("es");
    case AppLanguage::fr: return QStringLiteral("fr");
    case AppLanguage::de: return QStringLiteral("de");
    case AppLanguage::pt: return QStringLiteral("pt");
    case AppLanguage::it: return QStringLiteral("it");
    case AppLanguage::ja: return QStringLiteral("ja");
    case AppLanguage::zhHans: return QStringLiteral("zh-Hans");
    case AppLanguage::ru: return QStringLiteral("ru");
    case AppLanguage::ar: return QStringLiteral("ar");
    }
    return {};
}

QString displayName(AppLanguage language)
{
    switch (language) {
    case AppLanguage::system: return L10n::t(QStringLiteral("lang.system"));
    case AppLanguage::en: return QStringLiteral("English");
    case AppLanguage::es: return QStringLiteral("Español");
    case AppLanguage::fr: return QStringLiteral("Français");
    case AppLanguage::de: return QStringLiteral("Deutsch");
    case AppLanguage::pt: return QStringLiteral("Português");
    case AppLanguage::it: return QStringLiteral("Italiano");
    case AppLanguage::ja: return QStringLiteral("日本語");
    case AppLanguage::zhHans: return QStringLiteral("简体中文");
    case AppLanguage::ru: return QStringLiteral("Русский");
    case AppLanguage::ar: return QStringLiteral("العربية");
    }
    return {};
}

// ---- LanguageManager -----------------------------------------------------------

LanguageManager::LanguageManager(Settings& settings, QObject* parent)
    : QObject(parent)
    , m_settings(settings)
{
    // A change of the system's languages reaches the application as a locale change.
    if (QCoreApplication* app = QCoreApplication::instance())
        app->installEventFilter(this);
    const std::optional<QString> stored = settings.stringValue(key);
    m_language = stored ? fromRawValue<AppLanguage>(*stored).value_or(AppLanguage::system) : AppLanguage::system;
}

LanguageManager& LanguageManager::shared()
{
    return SharedState::instance().language();
}

bool LanguageManager::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::LocaleChange && watched == QCoreApplication::instance())
        L10n::languageMayHaveChanged();
    return false;
}

void LanguageManager::setLanguage(AppLanguage language)
{
    m_settings.setValue(key, rawValue(language));
    L10n::languageMayHaveChanged();
    m_language = language;
    ++m_revision;
    emit languageChanged();
}

} // namespace tw
