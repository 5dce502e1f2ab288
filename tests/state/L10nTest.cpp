#include "state/L10n.h"
#include "state/LanguageManager.h"
#include "state/SharedState.h"
#include "state/Theme.h"
#include "state/NavigationTypes.h"
#include "support/FakePlatform.h"

#include <QCoreApplication>
#include <QEvent>
#include <QSignalSpy>
#include <QRegularExpression>
#include <gtest/gtest.h>

using namespace tw;
using tw::test::FakePlatform;

namespace {

const QString kLanguageKey = QStringLiteral("settings.appLanguage");

QString resolve(std::optional<QString> stored, QStringList preferred)
{
    return L10n::resolveLanguageCode(stored, preferred);
}

} // namespace

TEST(L10nTest, ResolvesStoredAndPreferredLanguages)
{
    // Nothing stored: the first preferred language decides.
    EXPECT_EQ(resolve(std::nullopt, {"pt-BR", "en"}), "pt");
    EXPECT_EQ(resolve(std::nullopt, {"zh-Hant-TW"}), "zh-Hans");
    EXPECT_EQ(resolve(std::nullopt, {"zh"}), "zh-Hans");
    EXPECT_EQ(resolve(std::nullopt, {"nb", "de"}), "en");  // only the first one counts
    EXPECT_EQ(resolve(std::nullopt, {"ja-JP"}), "ja");
    EXPECT_EQ(resolve(std::nullopt, {}), "en");
    EXPECT_EQ(resolve(QStringLiteral("system"), {"ar-EG"}), "ar");
    // A stored choice wins over the system and is used unchecked.
    EXPECT_EQ(resolve(QStringLiteral("zh-Hans"), {"fr-FR"}), "zh-Hans");
    EXPECT_EQ(resolve(QStringLiteral("xx"), {"fr-FR"}), "xx");
    EXPECT_EQ(resolve(QStringLiteral("de"), {}), "de");
}

TEST(L10nTest, LooksUpThroughTheInstalledSettingsAndSystemLanguages)
{
    FakePlatform fake;
    // Without an installed state the lookup is English.
    EXPECT_EQ(L10n::t("tab.updates"), "Updates");

    fake.locale.languages = {"pt-BR", "en"};
    SharedState state(fake);
    EXPECT_EQ(L10n::t("tab.updates"), "Atualizações");
    EXPECT_EQ(pillTitle(SidebarTab::network), "Rede");

    // A change of the system's languages, once announced (Qt sends a locale change).
    fake.locale.languages = {"zh-Hant-TW"};
    QEvent localeChange(QEvent::LocaleChange);
    QCoreApplication::sendEvent(QCoreApplication::instance(), &localeChange);
    EXPECT_EQ(L10n::t("tab.updates"), "更新");

    fake.locale.languages = {"nb"};
    L10n::languageMayHaveChanged();
    EXPECT_EQ(L10n::t("tab.updates"), "Updates");

    // The stored choice, once a change is announced.
    fake.settings.setValue(kLanguageKey, "zh-Hans");
    fake.locale.languages = {"fr-FR"};
    L10n::languageMayHaveChanged();
    EXPECT_EQ(L10n::t("sort.size"), "大小");
    fake.settings.setValue(kLanguageKey, "xx");
    L10n::languageMayHaveChanged();
    EXPECT_EQ(L10n::t("sort.size"), "Size");
    EXPECT_EQ(L10n::currentLanguageCode(), "xx");
    state.language().setLanguage(AppLanguage::de);
    EXPECT_EQ(displayName(AppLanguage::system), "Systemstandard");
    EXPECT_EQ(displayName(AppLanguage::ja), "日本語");
    EXPECT_EQ(L10n::t("no.such.key"), "no.such.key");
}

namespace {

// Settings that count how often the language choice is read.
struct CountingSettings final : Settings {
    tw::test::MemorySettings inner;
    mutable int languageReads = 0;
    QVariant value(const QString& key) const override
    {
        if (key == kLanguageKey)
            ++languageReads;
        return inner.value(key);
    }
    void setValue(const QString& key, const QVariant& v) override { inner.setValue(key, v); }
};

} // namespace

TEST(L10nTest, TheLanguageIsResolvedOncePerChangeNotPerLookup)
{
    FakePlatform fake;
    CountingSettings settings;
    Platform::Parts parts;
    parts.fs = &fake.fs();
    parts.settings = &settings;
    parts.locale = &fake.locale;
    const Platform platform(parts);
    SharedState state(platform);
    state.language().setLanguage(AppLanguage::fr);
    const int before = settings.languageReads;
    for (int i = 0; i < 500; ++i)
        EXPECT_EQ(L10n::t("sort.size"), "Taille");
    EXPECT_LE(settings.languageReads - before, 1);

    // A new choice shows at the next lookup.
    state.language().setLanguage(AppLanguage::es);
    EXPECT_EQ(L10n::t("sort.size"), "Tamaño");
}

TEST(L10nTest, FallsBackToEnglishThenToTheKey)
{
    TranslationTableSet tables;
    tables.insert("en", {{"a.one", "One"}, {"a.two", "Two"}});
    tables.insert("fr", {{"a.one", "Un"}});
    EXPECT_EQ(L10n::lookup(tables, "fr", "a.one"), "Un");
    EXPECT_EQ(L10n::lookup(tables, "fr", "a.two"), "Two");        // missing in French
    EXPECT_EQ(L10n::lookup(tables, "xx", "a.one"), "One");        // no such table
    EXPECT_EQ(L10n::lookup(tables, "fr", "a.three"), "a.three");  // in no table
    EXPECT_EQ(L10n::lookup({}, "en", "a.one"), "a.one");
}

TEST(L10nTest, FormatsArgumentsWithTheResolvedLocale)
{
    EXPECT_EQ(L10n::format("%@ has %d items", {"Foo", 3}, "en"), "Foo has 3 items");
    EXPECT_EQ(L10n::format("%2$@, %1$@", {"world", "hello"}, "en"), "hello, world");
    EXPECT_EQ(L10n::format("%lld bytes, %ld%%", {qint64(5000000000LL), 42L}, "en"), "5000000000 bytes, 42%");
    EXPECT_EQ(L10n::format("%.1f GB", {1.25}, "de"), "1,2 GB");  // printf rounding, German separator
    EXPECT_EQ(L10n::format("%.2f", {3.14159}, "fr"), "3,14");
    EXPECT_EQ(L10n::format("%.1f", {1.5}, "xx"), "1.5");  // an unknown code formats as the C locale
    EXPECT_EQ(L10n::format("%05d|%-4d|%x", {42, 7, 255}, "en"), "00042|7   |ff");
    // A placeholder without an argument and an unknown conversion stay as written.
    EXPECT_EQ(L10n::format("%@ and %@", {"one"}, "en"), "one and %@");
    EXPECT_EQ(L10n::format("50%k", {1}, "en"), "50%k");

    // Without arguments the text is returned as it is: "%" stays.
    FakePlatform fake;
    SharedState state(fake);
    EXPECT_EQ(L10n::t("common.select_all"), "Select All");
    EXPECT_EQ(L10n::t("common.select_all", 5), "Select All");
}

namespace {

// The format placeholders of a text, in sorted order.
QStringList placeholders(const QString& text)
{
    QStringList found;
    static const QRegularExpression placeholder(QStringLiteral("%(\\d+\\$)?[-+ 0#]*\\d*(\\.\\d+)?(ll|l)?[@dfs%]"));
    for (auto it = placeholder.globalMatch(text); it.hasNext();)
        found << it.next().captured();
    found.sort();
    return found;
}

} // namespace

TEST(L10nTest, EveryTableHoldsTheSameKeysTranslated)
{
    const TranslationTableSet& tables = TranslationTables::tables();
    const QStringList codes{"en", "es", "fr", "de", "pt", "it", "ja", "zh-Hans", "ru", "ar"};
    EXPECT_EQ(TranslationTables::languageCodes(), codes);
    ASSERT_EQ(tables.size(), 10);
    EXPECT_FALSE(tables.contains("system"));

    const TranslationTable& english = tables["en"];
    QStringList englishKeys = english.keys();
    englishKeys.sort();
    EXPECT_EQ(englishKeys.size(), 46);
    for (const QString& code : codes) {
        SCOPED_TRACE(code.toStdString());
        ASSERT_TRUE(tables.contains(code));
        const TranslationTable& table = tables[code];
        QStringList keys = table.keys();
        keys.sort();
        EXPECT_EQ(keys, englishKeys);
        // Each key is listed once in the table's source.
        EXPECT_EQ(TranslationTables::entryCount(code), table.size());
        int translated = 0;
        for (auto it = table.cbegin(); it != table.cend(); ++it) {
            EXPECT_FALSE(it->trimmed().isEmpty()) << it.key().toStdString();
            // The same placeholders as the English text (most have none).
            EXPECT_EQ(placeholders(*it), placeholders(english[it.key()])) << it.key().toStdString();
            if (*it != english[it.key()])
                ++translated;
        }
        // Translations, not copies of English (a few words such as "Apps" may coincide).
        if (code != "en") {
            EXPECT_GE(translated, 40);
        }
    }

    // The keys callers build from enumeration raw values all exist.
    for (SidebarTab tab : allCases<SidebarTab>())
        EXPECT_TRUE(english.contains("tab." + rawValue(tab)));
    for (AppsSegment segment : allCases<AppsSegment>())
        EXPECT_TRUE(english.contains("segment." + rawValue(segment)));
    for (AppSort sort : allCases<AppSort>())
        EXPECT_TRUE(english.contains("sort." + rawValue(sort)));
    for (AppAppearance a : allCases<AppAppearance>()) {
        EXPECT_TRUE(english.contains(nameKey(a)));
        EXPECT_TRUE(english.contains(descriptionKey(a)));
    }
    EXPECT_EQ(english["theme.indigo"], "Deep Blue Glass");
    EXPECT_EQ(english["apps.drag_drop"], "Drag & Drop an application to quickly uninstall");
    // The alerts' texts are fixed English, not table entries: no text takes arguments.
    for (auto it = english.cbegin(); it != english.cend(); ++it)
        EXPECT_EQ(placeholders(*it), QStringList()) << it.key().toStdString();
    EXPECT_FALSE(english.contains("apps.uninstall_files_only"));
}

TEST(L10nTest, LanguageManagerPersistsEveryAssignment)
{
    tw::test::MemorySettings settings;
    {
        LanguageManager absent(settings);
        EXPECT_EQ(absent.language(), AppLanguage::system);
        EXPECT_EQ(absent.revision(), 0);
        EXPECT_FALSE(settings.contains(kLanguageKey));  // creation writes nothing
    }
    settings.setValue(kLanguageKey, "fr");
    EXPECT_EQ(LanguageManager(settings).language(), AppLanguage::fr);
    settings.setValue(kLanguageKey, "zh-Hans");
    EXPECT_EQ(LanguageManager(settings).language(), AppLanguage::zhHans);
    settings.setValue(kLanguageKey, "FR");
    EXPECT_EQ(LanguageManager(settings).language(), AppLanguage::system);

    LanguageManager manager(settings);
    QSignalSpy changed(&manager, &LanguageManager::languageChanged);
    manager.setLanguage(AppLanguage::ru);
    EXPECT_EQ(settings.value(kLanguageKey), QVariant("ru"));
    EXPECT_EQ(manager.revision(), 1);
    // The same value again is still stored and still counts.
    settings.setValue(kLanguageKey, "tampered");
    manager.setLanguage(AppLanguage::ru);
    EXPECT_EQ(settings.value(kLanguageKey), QVariant("ru"));
    EXPECT_EQ(manager.revision(), 2);
    EXPECT_EQ(changed.count(), 2);

    EXPECT_EQ(allCases<AppLanguage>().size(), 11);
    EXPECT_EQ(rawValue(AppLanguage::zhHans), "zh-Hans");
    EXPECT_EQ(fromRawValue<AppLanguage>("zh-hans"), std::nullopt);
    EXPECT_EQ(fromRawValue<AppLanguage>("ar"), AppLanguage::ar);
}
