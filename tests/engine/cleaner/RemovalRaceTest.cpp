// Removals racing another process of the user that swaps a parent folder for
// a link: the path acted on is the path judged, so nothing outside moves.

#include "engine/cleaner/SystemCleaner.h"
#include "engine/inventory/PrivilegedTrash.h"
#include "engine/inventory/SafetyTest.h"
#include "support/FakePlatform.h"
#include "support/Awaited.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <random>
#include <thread>
#include <unistd.h>

#include <gtest/gtest.h>

using namespace tw;
using tw::test::FakePlatform;

namespace {

const QString kFolder = QStringLiteral("/Users/tester/Library/Caches/com.example.racer");
const QString kTrash = QStringLiteral("/Users/tester/.Trash");
constexpr int kRounds = 120;

void writeHost(const QString& hostPath, const QByteArray& data)
{
    QFile f(hostPath);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(data);
}

QByteArray readHost(const QString& hostPath)
{
    QFile f(hostPath);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Swaps the folder for a link out of the root and back, at seeded random
// moments, until told to stop; the folder is back in place at the end.
class Swapper {
public:
    Swapper(const QString& folder, const QString& outside, unsigned seed)
        : m_folder(folder.toUtf8()), m_aside((folder + ".aside").toUtf8()), m_outside(outside.toUtf8()), m_rng(seed)
    {
        m_thread = std::thread([this] { run(); });
    }
    ~Swapper()
    {
        m_stop = true;
        m_thread.join();
    }
    int swaps() const { return m_swaps; }
    // Until the first swap, so that the removals race it from the start.
    bool started()
    {
        std::unique_lock lock(m_mutex);
        return m_first.wait_for(lock, std::chrono::seconds(60), [this] { return m_swaps > 0; });
    }

private:
    // A seeded, varying stretch of the swapper's time, so the swaps land at
    // ever other points of the removals.
    void pause()
    {
        for (unsigned n = m_rng() % 150; n > 0; --n)
            std::this_thread::yield();
    }
    void run()
    {
        while (!m_stop) {
            if (::rename(m_folder.constData(), m_aside.constData()) != 0)
                continue;
            ::symlink(m_outside.constData(), m_folder.constData());
            if (m_swaps++ == 0) {
                const std::lock_guard lock(m_mutex);
                m_first.notify_all();
            }
            pause();
            ::unlink(m_folder.constData());
            ::rename(m_aside.constData(), m_folder.constData());
            pause();
        }
    }

    QByteArray m_folder, m_aside, m_outside;
    std::mt19937 m_rng;
    std::atomic<bool> m_stop{false};
    std::atomic<int> m_swaps{0};
    std::mutex m_mutex;
    std::condition_variable m_first;
    std::thread m_thread;
};

} // namespace

TEST(RemovalRace, AParentSwappedForALinkNeverLetsAnOutsideFileGo)
{
    for (const unsigned seed : {7u, 31u}) {
        SCOPED_TRACE(seed);
        QTemporaryDir outside;
        FakePlatform fp;
        fp.tree().makeTrash();
        for (int r = 0; r < kRounds; ++r) {
            fp.tree().write(kFolder + QStringLiteral("/item-%1").arg(r), "inside");
            writeHost(outside.path() + QStringLiteral("/item-%1").arg(r), "outside");
        }
        SystemCleaner cleaner(fp.platform());
        {
            Swapper swapper(fp.tree().host(kFolder), outside.path(), seed);
            ASSERT_TRUE(swapper.started());
            for (int r = 0; r < kRounds; ++r) {
                const QString item = kFolder + QStringLiteral("/item-%1").arg(r);
                // Both removal roads: the Trash move after the safety test, and a remains entry.
                if (r % 2 == 0) {
                    if (safety::isSafeToRemove(fp.fs(), item))
                        (void)privilegedtrash::moveToTrash(fp, item);
                } else {
                    RemovableItem entry;
                    entry.path = item;
                    entry.isSelected = true;
                    (void)tw::test::trashed(cleaner, {entry});
                }
            }
        }
        for (int r = 0; r < kRounds; ++r)
            EXPECT_EQ(readHost(outside.path() + QStringLiteral("/item-%1").arg(r)), "outside") << r;
        // What reached the Trash came from inside, and every inside item is somewhere.
        const auto trashed = fp.fs().list(kTrash, Hidden::Include);
        ASSERT_TRUE(trashed);
        for (const DirEntry& e : *trashed)
            EXPECT_EQ(fp.tree().read(kTrash + "/" + e.name), "inside") << e.name.toStdString();
        const auto left = fp.fs().list(kFolder, Hidden::Include);
        ASSERT_TRUE(left);
        EXPECT_EQ(trashed->size() + left->size(), size_t(kRounds));
    }
}
