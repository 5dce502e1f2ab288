#pragma once

#include "platform/HostHardware.h"

#include <QHash>

namespace tw::test {

// Host facts set by the test; storageMedia and batteryProperties count their calls.
struct FakeHardware final : HostHardware {
    OsVersion os{QStringLiteral("macOS"), QStringLiteral("14.5"), QStringLiteral("23F79")};
    std::optional<PlatformExpert> board;
    std::optional<QString> brand;
    std::optional<QString> host;
    std::vector<RegistryChain> media;
    std::optional<QVariantMap> battery;
    int mediaCalls = 0;
    int batteryCalls = 0;

    OsVersion osVersion() override { return os; }
    std::optional<PlatformExpert> platformExpert() override { return board; }
    std::optional<QString> processorBrand() override { return brand; }
    std::optional<QString> hostName() override { return host; }
    std::vector<RegistryChain> storageMedia() override
    {
        ++mediaCalls;
        return media;
    }
    std::optional<QVariantMap> batteryProperties() override
    {
        ++batteryCalls;
        return battery;
    }
};

// Answers each data type with its set output (none: the tool failed) and
// counts the runs.
struct CountingProfiler final : ProfilerRunner {
    QHash<QString, QByteArray> answers;
    QHash<QString, int> runs;

    std::optional<QByteArray> run(const QString& type) override
    {
        ++runs[type];
        const auto it = answers.constFind(type);
        return it == answers.constEnd() ? std::nullopt : std::optional<QByteArray>(*it);
    }
};

} // namespace tw::test
