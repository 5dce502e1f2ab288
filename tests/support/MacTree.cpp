#include "support/MacTree.h"

#include "platform/Path.h"
#include "platform/PropertyList.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImageWriter>
#include <QPainter>
#include <QPainterPath>

#include <fcntl.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utime.h>

#include <stdexcept>

namespace tw::test {

namespace {
void require(bool ok, const QString& what)
{
    if (!ok)
        throw std::runtime_error(what.toStdString());
}
} // namespace

MacTree::MacTree(const QString& login)
    : m_temp(std::make_unique<QTemporaryDir>())
{
    require(m_temp->isValid(), QStringLiteral("temporary folder"));
    open(m_temp->path(), login);
}

MacTree::MacTree(const QString& hostRoot, const QString& login)
{
    QDir().mkpath(hostRoot);
    open(QDir(hostRoot).absolutePath(), login);
}

void MacTree::open(const QString& root, const QString& login)
{
    m_root = root;
    m_fs = std::make_unique<FileSystem>(m_root, QStringLiteral("/Users/") + login);
    mkdir(home());
}

void MacTree::mkdir(const QString& path) const
{
    require(QDir().mkpath(host(path)), QStringLiteral("mkdir ") + path);
}

void MacTree::write(const QString& path, const QByteArray& data) const
{
    mkdir(path::parent(path));
    QFile f(host(path));
    require(f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(data) == data.size(),
            QStringLiteral("write ") + path);
}

void MacTree::writeSized(const QString& path, std::int64_t bytes) const
{
    write(path, QByteArray(qsizetype(bytes), 'x'));
}

void MacTree::symlink(const QString& link, const QString& target) const
{
    mkdir(path::parent(link));
    require(::symlink(target.toUtf8().constData(), m_fs->toHost(link).constData()) == 0,
            QStringLiteral("symlink ") + link);
}

// Sets one of the entry's times (0 access, 1 modification), keeping the other.
void MacTree::setTime(const QString& path, int which, const QDateTime& when) const
{
    struct stat st;
    const QByteArray h = m_fs->toHost(path);
    require(::lstat(h.constData(), &st) == 0, QStringLiteral("stat ") + path);
    struct timespec times[2] = {st.st_atim, st.st_mtim};
    times[which] = {when.toSecsSinceEpoch(), 0};
    require(::utimensat(AT_FDCWD, h.constData(), times, AT_SYMLINK_NOFOLLOW) == 0, QStringLiteral("utimensat ") + path);
}

QByteArray MacTree::read(const QString& path) const
{
    return m_fs->readFile(path).value_or(QByteArray());
}

void MacTree::writePlist(const QString& path, const QVariantMap& dict, bool binary) const
{
    write(path, binary ? plist::toBinary(dict) : plist::toXml(dict));
}

QString MacTree::makeApp(const QString& path, const BundleRecipe& recipe) const
{
    mkdir(path + QStringLiteral("/Contents/MacOS"));
    if (!recipe.withoutInfoPlist) {
        QVariantMap info = recipe.extra;
        auto put = [&](const char* key, const QString& value) {
            if (!value.isEmpty())
                info.insert(QLatin1String(key), value);
        };
        put("CFBundleIdentifier", recipe.identifier);
        put("CFBundleName", recipe.name);
        put("CFBundleDisplayName", recipe.displayName);
        put("CFBundleShortVersionString", recipe.version);
        put("NSHumanReadableCopyright", recipe.copyright);
        writePlist(path + QStringLiteral("/Contents/Info.plist"), info, recipe.binaryPlist);
    }
    for (int i = 0; i < recipe.files; ++i) {
        const QString file = i == 0 ? path + QStringLiteral("/Contents/MacOS/") + path::baseName(path)
                                    : path + QStringLiteral("/Contents/Resources/r%1.dat").arg(i);
        writeSized(file, recipe.fileSize);
    }
    return path;
}

QString MacTree::makeApp(const QString& path, const QString& identifier, const QString& name, const QString& version) const
{
    BundleRecipe recipe;
    recipe.identifier = identifier;
    recipe.name = name;
    recipe.version = version;
    return makeApp(path, recipe);
}

void MacTree::makePrivacyDatabase(const QString& path, const std::vector<PrivacyGrant>& grants) const
{
    mkdir(path::parent(path));
    QFile::remove(host(path));
    sqlite3* db = nullptr;
    require(sqlite3_open(m_fs->toHost(path).constData(), &db) == SQLITE_OK, QStringLiteral("sqlite open"));
    sqlite3_exec(db, "CREATE TABLE access (service TEXT NOT NULL, client TEXT NOT NULL, client_type INTEGER, auth_value INTEGER NOT NULL)",
                 nullptr, nullptr, nullptr);
    sqlite3_stmt* stmt = nullptr;
    sqlite3_prepare_v2(db, "INSERT INTO access (service, client, client_type, auth_value) VALUES (?1, ?2, 0, ?3)", -1, &stmt, nullptr);
    for (const PrivacyGrant& g : grants) {
        const QByteArray service = g.service.toUtf8(), client = g.client.toUtf8();
        sqlite3_bind_text(stmt, 1, service.constData(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(stmt, 2, client.constData(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_int(stmt, 3, g.authValue);
        sqlite3_step(stmt);
        sqlite3_reset(stmt);
    }
    sqlite3_finalize(stmt);
    sqlite3_close(db);
}

QString MacTree::makeTrash() const
{
    const QString trash = m_fs->trash();
    mkdir(trash);
    return trash;
}

QByteArray MacTree::iconFile(QRgb color, const QString& letter)
{
    QImage img(256, 256, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath tile;
    tile.addRoundedRect(QRectF(16, 16, 224, 224), 52, 52);
    QLinearGradient g(0, 16, 0, 240);
    g.setColorAt(0, QColor(color).lighter(130));
    g.setColorAt(1, QColor(color));
    p.fillPath(tile, g);
    QFont f = p.font();
    f.setPixelSize(128);
    f.setBold(true);
    p.setFont(f);
    p.setPen(Qt::white);
    p.drawText(QRectF(16, 16, 224, 224), Qt::AlignCenter, letter);
    p.end();
    QByteArray out;
    QBuffer buffer(&out);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "icns");
    if (!writer.write(img))
        return {};
    return out;
}

} // namespace tw::test
