// Privacy databases from a hostile disk: locked, endless, not files at all.

#include "platform/HostServices.h"
#include "platform/ReadOnlyDatabase.h"
#include "support/MacTree.h"

#include <gtest/gtest.h>

#include <sqlite3.h>
#include <sys/stat.h>

using namespace tw;
using tw::test::MacTree;

namespace {

const QString kDb = QStringLiteral("/Library/Application Support/com.apple.TCC/TCC.db");

struct Sqlite {
    sqlite3* db = nullptr;
    explicit Sqlite(const QByteArray& path) { EXPECT_EQ(sqlite3_open(path.constData(), &db), SQLITE_OK); }
    ~Sqlite() { sqlite3_close(db); }
    int exec(const char* sql) const { return sqlite3_exec(db, sql, nullptr, nullptr, nullptr); }
};

// The result codes of stepping sql to its end: SQLITE_DONE, or why it stopped.
int runToEnd(ReadOnlyDatabase& db, const char* sql)
{
    sqlite3_stmt* query = nullptr;
    if (sqlite3_prepare_v2(db.handle(), sql, -1, &query, nullptr) != SQLITE_OK)
        return sqlite3_errcode(db.handle());
    db.renewBudget();
    int rc;
    while ((rc = sqlite3_step(query)) == SQLITE_ROW) {
    }
    sqlite3_finalize(query);
    return rc;
}

} // namespace

TEST(PrivacyStoreLimits, QueriesOnlyARealAccessTable)
{
    struct Case {
        const char* what;
        const char* schema;
        bool counts;
    };
    const Case cases[] = {
        {"table", "CREATE TABLE access (service TEXT, client TEXT, auth_value INTEGER)", true},
        {"table named in capitals", "CREATE TABLE ACCESS (service TEXT, client TEXT, auth_value INTEGER)", true},
        {"endless view",
         "CREATE VIEW access AS WITH RECURSIVE r(n) AS (SELECT 1 UNION ALL SELECT n + 1 FROM r)"
         " SELECT 'kTCCServiceCamera' AS service, 'com.example.app' AS client, n AS auth_value FROM r",
         false},
        {"virtual table", "CREATE VIRTUAL TABLE access USING fts5(service, client, auth_value)", false},
        {"no access table", "CREATE TABLE other (service TEXT, client TEXT, auth_value INTEGER)", false},
    };
    for (const Case& c : cases) {
        MacTree t;
        t.mkdir("/Library/Application Support/com.apple.TCC");
        {
            const Sqlite db(t.fs().toHost(kDb));
            ASSERT_EQ(db.exec(c.schema), SQLITE_OK) << c.what;
            if (c.counts) {
                ASSERT_EQ(db.exec("INSERT INTO access VALUES ('kTCCServiceCamera', 'com.example.app', 2)"), SQLITE_OK);
            }
        }
        auto store = host::makePrivacyStore(t.fs());
        const auto answer = store->grantedServices(kDb, "com.example.app");
        EXPECT_EQ(answer.ok(), c.counts) << c.what;
        if (c.counts && answer.ok()) {
            EXPECT_EQ(*answer, QStringList{"kTCCServiceCamera"}) << c.what;
        }
    }
}

TEST(PrivacyStoreLimits, NeverWaitsOnAFifoOrALock)
{
    MacTree t;
    t.mkdir("/Library/Application Support/com.apple.TCC");
    auto store = host::makePrivacyStore(t.fs());

    // A FIFO in place of the database.
    ASSERT_EQ(::mkfifo(t.fs().toHost(kDb).constData(), 0600), 0);
    EXPECT_FALSE(store->grantedServices(kDb, "com.example.app"));

    // A FIFO in place of its journal, which a reader opens to look for an
    // unfinished transaction.
    t.makePrivacyDatabase(kDb, {{"com.example.app", "kTCCServiceCamera"}});
    const QByteArray journal = t.fs().toHost(kDb + "-journal");
    ASSERT_EQ(::mkfifo(journal.constData(), 0600), 0);
    EXPECT_FALSE(store->grantedServices(kDb, "com.example.app"));
    ASSERT_EQ(::unlink(journal.constData()), 0);
    EXPECT_EQ(store->grantedServices(kDb, "com.example.app"), Result<QStringList>(QStringList{"kTCCServiceCamera"}));

    // Another process holds the write lock: nothing is counted, and the
    // grants are back once it lets go.
    const Sqlite writer(t.fs().toHost(kDb));
    ASSERT_EQ(writer.exec("BEGIN EXCLUSIVE; INSERT INTO access VALUES ('kTCCServiceMicrophone', 'com.example.app', 0, 2)"),
              SQLITE_OK);
    EXPECT_FALSE(store->grantedServices(kDb, "com.example.app"));
    ASSERT_EQ(writer.exec("COMMIT"), SQLITE_OK);
    auto services = store->grantedServices(kDb, "com.example.app");
    ASSERT_TRUE(services);
    services->sort();
    EXPECT_EQ(*services, (QStringList{"kTCCServiceCamera", "kTCCServiceMicrophone"}));
}

TEST(PrivacyStoreLimits, EveryStatementStopsAtItsBudget)
{
    MacTree t;
    t.makePrivacyDatabase("/db", {});
    // About 20,000 steps per statement at most.
    auto db = ReadOnlyDatabase::open(t.fs().toHost("/db"), 20000);
    ASSERT_TRUE(db);
    EXPECT_EQ(runToEnd(*db, "WITH RECURSIVE r(n) AS (SELECT 1 UNION ALL SELECT n + 1 FROM r) SELECT n FROM r"),
              SQLITE_INTERRUPT);
    // A bounded statement fits, again and again: the budget is per statement.
    const char* bounded = "WITH RECURSIVE r(n) AS (SELECT 1 UNION ALL SELECT n + 1 FROM r WHERE n < 300) SELECT n FROM r";
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(runToEnd(*db, bounded), SQLITE_DONE) << i;
    // Texts beyond the length bound are refused rather than built.
    EXPECT_EQ(runToEnd(*db, "SELECT zeroblob(2000000)"), SQLITE_TOOBIG);

    // Only regular files are opened.
    t.mkdir("/folder.db");
    EXPECT_FALSE(ReadOnlyDatabase::open(t.fs().toHost("/folder.db")));
    EXPECT_FALSE(ReadOnlyDatabase::open(t.fs().toHost("/missing.db")));
}
