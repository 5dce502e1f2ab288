#pragma once

#include <QByteArray>

#include <cstdint>
#include <memory>

struct sqlite3;

namespace tw {

// A SQLite database on an untrusted disk, opened for reading only: the file
// must be regular, no open blocks (a FIFO or a device in place of the
// database or one of its journals is refused at once), a lock held by
// another process fails at once instead of waiting, the schema is not
// trusted, texts and blobs are bounded, and every statement is interrupted
// once it has used up its budget of virtual-machine steps.
class ReadOnlyDatabase {
public:
    static constexpr std::int64_t kStatementSteps = 20'000'000;
    static constexpr int kMaxLength = 1 << 20;  // bytes of one text or blob

    static std::unique_ptr<ReadOnlyDatabase> open(const QByteArray& hostPath, std::int64_t stepsPerStatement = kStatementSteps);
    ~ReadOnlyDatabase();
    ReadOnlyDatabase(const ReadOnlyDatabase&) = delete;
    ReadOnlyDatabase& operator=(const ReadOnlyDatabase&) = delete;

    sqlite3* handle() const { return m_db; }
    // Gives the next statement its whole budget; call before running one.
    void renewBudget() { m_remaining = m_steps; }
    // Whether name is an ordinary table (not a view, not a virtual table).
    bool isPlainTable(const char* name);

private:
    ReadOnlyDatabase(sqlite3* db, std::int64_t steps) : m_db(db), m_steps(steps), m_remaining(steps) {}
    static int progress(void* self);

    sqlite3* m_db;
    std::int64_t m_steps;
    std::int64_t m_remaining;
};

} // namespace tw
