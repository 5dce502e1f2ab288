#pragma once

#include "state/EnumValues.h"
#include "platform/Services.h"

#include <QObject>
#include <QString>

namespace tw {

// The interface languages: the system's choice and ten languages.
enum class AppLanguage { system, en, es, fr, de, pt, it, ja, zhHans, ru, ar };

template <>
const QList<AppLanguage>& allCases<AppLanguage>();
QString rawValue(AppLanguage language);
// The language's own name; "system" is named in the current language.
QString displayName(AppLanguage language);

// Owns the persisted language choice ("settings.appLanguage").
class LanguageManager : public QObject {
    Q_OBJECT
public:
    explicit LanguageManager(Settings& settings, QObject* parent = nullptr);
    static LanguageManager& shared();

    static inline const QString key = QStringLiteral("settings.appLanguage");

    AppLanguage language() const { return m_language; }
    // Every assignment, also of the current value, stores the choice and
    // bumps the revision, so the interface rebuilds itself.
    void setLanguage(AppLanguage language);
    int revision() const { return m_revision; }

signals:
    void languageChanged();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    Settings& m_settings;
    int m_revision = 0;
    AppLanguage m_language = AppLanguage::system;
};

} // namespace tw
