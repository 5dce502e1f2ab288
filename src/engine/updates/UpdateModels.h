#pragma once

#include "platform/Icon.h"

#include <QHash>
#include <QString>
#include <QUrl>

#include <optional>

namespace tw {

// text as a strict URL; none when invalid or empty.
std::optional<QUrl> strictURL(const QString& text);

// How an application's newer version is found.
enum class UpdateChannel { sparkle, appStore, manual };
QString rawValue(UpdateChannel channel);

// The state of one update row. Two values are equal when they are the same
// case with equal payloads.
class UpdateAvailability {
public:
    enum class Kind { updateAvailable, appStoreUpdate, failed, pending, checking, upToDate, launchToUpdate };

    UpdateAvailability() = default;  // pending

    static UpdateAvailability updateAvailable(QString version, std::optional<QUrl> downloadURL);
    static UpdateAvailability appStoreUpdate(QString version, std::optional<qint64> trackId);
    static UpdateAvailability failed(QString message);
    static UpdateAvailability pending() { return UpdateAvailability(Kind::pending); }
    static UpdateAvailability checking() { return UpdateAvailability(Kind::checking); }
    static UpdateAvailability upToDate() { return UpdateAvailability(Kind::upToDate); }
    static UpdateAvailability launchToUpdate() { return UpdateAvailability(Kind::launchToUpdate); }

    Kind kind() const { return m_kind; }
    bool is(Kind kind) const { return m_kind == kind; }
    // An update the user can act on: updateAvailable or appStoreUpdate.
    bool isActionable() const { return m_kind == Kind::updateAvailable || m_kind == Kind::appStoreUpdate; }

    // Payloads; empty or none for the cases that carry no such value.
    const QString& version() const { return m_version; }
    const std::optional<QUrl>& downloadURL() const { return m_downloadURL; }
    std::optional<qint64> trackId() const { return m_trackId; }
    const QString& message() const { return m_message; }

    // For diagnostics: "updateAvailable(2.0, https://…)" and the like.
    QString describe() const;

    friend bool operator==(const UpdateAvailability&, const UpdateAvailability&) = default;

private:
    explicit UpdateAvailability(Kind kind) : m_kind(kind) {}

    Kind m_kind = Kind::pending;
    QString m_version;
    std::optional<QUrl> m_downloadURL;
    std::optional<qint64> m_trackId;
    QString m_message;
};

// The two failure messages of a check.
inline const QString kConnectionProblemMessage = QStringLiteral("Please check your Internet connection.");
inline const QString kUpdateIssueMessage = QStringLiteral("Check for Updates issue");

// One update row. Identified by its path; equal when path and availability are.
struct AppUpdateItem {
    QString appPath;            // logical path of the bundle
    QString name;
    QString bundleIdentifier;   // may be empty
    IconRef icon;
    QString installedVersion;   // may be empty
    UpdateChannel channel = UpdateChannel::manual;
    UpdateAvailability availability;

    const QString& id() const { return appPath; }
    // The row's one-line status (fixed English).
    QString statusLabel() const;

    friend bool operator==(const AppUpdateItem& a, const AppUpdateItem& b)
    {
        return a.appPath == b.appPath && a.availability == b.availability;
    }
};

inline size_t qHash(const AppUpdateItem& item, size_t seed = 0) { return qHash(item.appPath, seed); }

} // namespace tw
