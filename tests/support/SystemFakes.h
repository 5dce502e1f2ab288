#pragma once

#include "platform/MainAppService.h"
#include "platform/ProductArt.h"

#include <QHash>
#include <QImage>
#include <QSet>
#include <QStringList>

namespace tw::test {

inline const QString kLoginItemsAddress =
    QStringLiteral("x-apple.systempreferences:com.apple.LoginItems-Settings.extension");
inline const QString kPrivacyAddress = QStringLiteral("x-apple.systempreferences:com.apple.preference.security?Privacy");

// The login-item service as the Mac has it: registration succeeds (and
// enables) or fails as told; the status is whatever the system holds.
struct FakeAppService final : MainAppService {
    Status current = Status::notRegistered;
    std::optional<Error> failure;
    QStringList addresses{kLoginItemsAddress, kPrivacyAddress};
    int registrations = 0;
    int statusReads = 0;

    std::optional<Error> registerItem() override
    {
        ++registrations;
        if (failure)
            return failure;
        current = Status::enabled;
        return std::nullopt;
    }
    Status status() override
    {
        ++statusReads;
        return current;
    }
    QStringList settingsAddresses() override { return addresses; }
};

// Product art as a test declares it; records the device model codes asked for.
struct FakeArt final : ProductArt {
    QHash<QString, QString> deviceTypes;  // model code -> type
    QSet<QString> declared;
    std::optional<QString> colour;
    QStringList asked;
    QImage picture;

    std::optional<QString> deviceModelType(const QString& code) override
    {
        asked << code;
        return deviceTypes.contains(code) ? std::optional<QString>(deviceTypes.value(code)) : std::nullopt;
    }
    bool isDeclared(const QString& type) override { return declared.contains(type); }
    QImage icon(const QString&) override { return picture; }
    std::optional<QString> enclosureColorAnswer() override { return colour; }
};

// A desktop picture path that counts how often it is asked for.
struct CountingDesktop final : DesktopPictureSource {
    std::optional<QString> path;
    int calls = 0;
    std::optional<QString> mainScreenPicture() override
    {
        ++calls;
        return path;
    }
};

} // namespace tw::test
