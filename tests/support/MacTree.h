#pragma once

#include "platform/FileSystem.h"
#include "support/Printers.h"

#include <QByteArray>
#include <QColor>
#include <QDateTime>
#include <QString>
#include <QTemporaryDir>
#include <QVariantMap>

#include <memory>
#include <optional>
#include <vector>

namespace tw::test {

// What an application bundle holds.
struct BundleRecipe {
    QString identifier;            // CFBundleIdentifier ("" leaves it out)
    QString name;                  // CFBundleName
    QString displayName;           // CFBundleDisplayName
    QString version;               // CFBundleShortVersionString
    QString copyright;             // NSHumanReadableCopyright
    QVariantMap extra;             // any other keys
    bool binaryPlist = false;
    bool withoutInfoPlist = false;
    int files = 1;                 // executables and resources
    std::int64_t fileSize = 4096;  // bytes per file
};

struct PrivacyGrant {
    QString client;
    QString service;
    int authValue = 2;
};

// Builds Mac-shaped trees under a host folder (a fresh temporary one unless
// given). All paths taken and returned are logical Mac paths.
class MacTree {
public:
    explicit MacTree(const QString& login = QStringLiteral("tester"));
    MacTree(const QString& hostRoot, const QString& login);

    const FileSystem& fs() const { return *m_fs; }
    QString hostRoot() const { return m_root; }
    QString home() const { return m_fs->home(); }
    QString library() const { return m_fs->library(); }
    QString host(const QString& logical) const { return m_fs->toHostString(logical); }

    void mkdir(const QString& path) const;
    void write(const QString& path, const QByteArray& data) const;
    void writeSized(const QString& path, std::int64_t bytes) const;
    void symlink(const QString& link, const QString& target) const;  // target as written into the link
    void setModified(const QString& path, const QDateTime& when) const { setTime(path, 1, when); }
    void setAccessed(const QString& path, const QDateTime& when) const { setTime(path, 0, when); }
    bool exists(const QString& path) const { return m_fs->existsNoFollow(path); }
    QByteArray read(const QString& path) const;

    void writePlist(const QString& path, const QVariantMap& dict, bool binary = false) const;
    // An application bundle; returns its path.
    QString makeApp(const QString& path, const BundleRecipe& recipe) const;
    QString makeApp(const QString& path, const QString& identifier, const QString& name,
                    const QString& version = QStringLiteral("1.0")) const;
    // A privacy database with an "access" table.
    void makePrivacyDatabase(const QString& path, const std::vector<PrivacyGrant>& grants) const;
    // The user's Trash, empty.
    QString makeTrash() const;
    // An application icon file (icns): a rounded tile in color with a letter.
    static QByteArray iconFile(QRgb color, const QString& letter);

private:
    void open(const QString& root, const QString& login);
    void setTime(const QString& path, int which, const QDateTime& when) const;

    std::unique_ptr<QTemporaryDir> m_temp;
    QString m_root;
    std::unique_ptr<FileSystem> m_fs;
};

} // namespace tw::test
