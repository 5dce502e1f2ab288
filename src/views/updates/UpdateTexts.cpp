#include "views/updates/UpdateTexts.h"

#include "state/Colour.h"
#include "state/Theme.h"

namespace tw::updatetexts {

using Kind = UpdateAvailability::Kind;

namespace {

const QString kDash = QStringLiteral("\u2014");

bool isWaiting(const UpdateAvailability& a)
{
    return a.is(Kind::pending) || a.is(Kind::checking);
}

} // namespace

QString versionLine(const AppUpdateItem& item)
{
    if (item.installedVersion.isEmpty())
        return QStringLiteral("Version unknown");
    return QStringLiteral("Installed version ") + item.installedVersion;
}

bool hasStatusLine(const UpdateAvailability& a)
{
    return a.isActionable() || a.is(Kind::launchToUpdate);
}

std::optional<StatusLine> statusLine(const AppUpdateItem& item)
{
    if (!hasStatusLine(item.availability))
        return std::nullopt;
    return StatusLine{item.statusLabel(), item.availability.isActionable()};
}

QString actionCaption(const UpdateAvailability& a)
{
    switch (a.kind()) {
    case Kind::updateAvailable:
        return QStringLiteral("Update");
    case Kind::appStoreUpdate:
        return QStringLiteral("Launch the App Store");
    case Kind::pending:
    case Kind::checking:
        return QStringLiteral("\u2026");
    case Kind::failed:
    case Kind::upToDate:
    case Kind::launchToUpdate:
        break;
    }
    return QStringLiteral("Launch");
}

bool actionEnabled(const UpdateAvailability& a)
{
    return !isWaiting(a);
}

QString installedVersion(const AppUpdateItem& item)
{
    return item.installedVersion.isEmpty() ? kDash : item.installedVersion;
}

QString availableVersion(const AppUpdateItem& item)
{
    const UpdateAvailability& a = item.availability;
    if (a.isActionable())
        return a.version();
    if (a.is(Kind::launchToUpdate))
        return kDash;
    return item.statusLabel();  // the failure message, "Checking…" or "Up to date"
}

QString message(const UpdateAvailability& a)
{
    switch (a.kind()) {
    case Kind::updateAvailable:
        return QStringLiteral("Download the update from the developer site.");
    case Kind::appStoreUpdate:
        return QStringLiteral("Launch the App Store to update.");
    case Kind::failed:
        return QStringLiteral("Could not check for updates. Launch the application to update it.");
    case Kind::pending:
    case Kind::checking:
        return QStringLiteral("Check for Updates to see if a newer version is available.");
    case Kind::upToDate:
        return QStringLiteral("This application is up to date. You can still launch it.");
    case Kind::launchToUpdate:
        break;
    }
    return QStringLiteral("Launch the application to update it.");
}

QColor detailButtonTint(const UpdateAvailability& a, AppAppearance appearance)
{
    return a.is(Kind::upToDate) ? AppTheme::accent(appearance) : rgb(0.22, 0.50, 0.94);
}

} // namespace tw::updatetexts
