#include "platform/MainAppService.h"

#include "platform/Path.h"

#include <QUrl>

namespace tw {

QString statusDescription(MainAppService::ItemStatus status)
{
    switch (status) {
    case MainAppService::ItemStatus::notRegistered:
        return QStringLiteral("notRegistered");
    case MainAppService::ItemStatus::enabled:
        return QStringLiteral("enabled");
    case MainAppService::ItemStatus::requiresApproval:
        return QStringLiteral("requiresApproval");
    case MainAppService::ItemStatus::notFound:
        break;
    }
    return QStringLiteral("notFound");
}

namespace host {

namespace {

constexpr std::int64_t kEntryBytes = 64 << 10;

// A string value as a desktop entry stores it; none when the text holds a
// control character the format cannot carry.
std::optional<QString> escapedString(const QString& text)
{
    QString out;
    out.reserve(text.size() + 8);
    for (const QChar c : text) {
        switch (c.unicode()) {
        case u'\\':
            out += QLatin1String("\\\\");
            break;
        case u'\n':
            out += QLatin1String("\\n");
            break;
        case u'\t':
            out += QLatin1String("\\t");
            break;
        case u'\r':
            out += QLatin1String("\\r");
            break;
        default:
            if (c.unicode() < 0x20 || c.unicode() == 0x7f)
                return std::nullopt;
            out += c;
        }
    }
    return out;
}

struct EntryState {
    bool parses = false;
    bool hidden = false;
    bool disabled = false;
};

// Reads the keys that decide whether the entry runs. It parses when every
// line is blank, a comment, a group header or a key, and it has a
// "Desktop Entry" group.
EntryState readEntry(const QByteArray& data)
{
    EntryState state;
    bool inMainGroup = false;
    bool sawMainGroup = false;
    for (const QByteArray& raw : data.split('\n')) {
        const QByteArray line = raw.trimmed();
        if (line.isEmpty() || line.startsWith('#'))
            continue;
        if (line.startsWith('[')) {
            if (!line.endsWith(']'))
                return {};
            inMainGroup = line == "[Desktop Entry]";
            sawMainGroup = sawMainGroup || inMainGroup;
            continue;
        }
        const qsizetype eq = line.indexOf('=');
        if (eq <= 0)
            return {};
        if (!inMainGroup)
            continue;
        const QByteArray key = line.left(eq).trimmed();
        const QByteArray value = line.mid(eq + 1).trimmed();
        if (key == "Hidden")
            state.hidden = value == "true";
        else if (key == "X-GNOME-Autostart-enabled")
            state.disabled = value == "false";
    }
    state.parses = sawMainGroup;
    return state;
}

bool isSafeFileName(const QString& name)
{
    return !name.isEmpty() && name != QLatin1String(".") && name != QLatin1String("..") && !name.contains(u'/')
        && !name.contains(QChar(0));
}

class AutostartService final : public MainAppService {
public:
    AutostartService(FileSystem fs, AutostartIdentity identity, const QString& xdgConfigHome)
        : m_fs(std::move(fs))
        , m_identity(std::move(identity))
        , m_folder(autostartFolder(m_fs, xdgConfigHome))
    {
        if (!isSafeFileName(m_identity.applicationId))
            m_identity.applicationId = QStringLiteral("tidewell");
    }

    Status registerItem() override
    {
        const QString file = entryPath();
        const std::optional<QString> exec = m_identity.executable.isEmpty()
            ? std::nullopt
            : desktopExecValue(m_identity.executable);
        const std::optional<QString> name = escapedString(m_identity.name.isEmpty() ? m_identity.applicationId
                                                                                   : m_identity.name);
        if (!exec || !name)
            return failure(QStringLiteral("The program’s location cannot be written into a login item."));
        const QString text = QStringLiteral("[Desktop Entry]\nType=Application\nName=") + *name
            + QStringLiteral("\nExec=") + *exec + QStringLiteral("\nTerminal=false\nX-GNOME-Autostart-enabled=true\n");
        Status written = m_fs.makeDirectories(m_folder);
        if (written)
            written = m_fs.writeFileAtomic(file, text.toUtf8());
        if (!written) {
            return failure(QStringLiteral("The login item “%1” could not be written: %2")
                               .arg(m_fs.toHostString(file), written.error().description));
        }
        return {};
    }

    ItemStatus status() override
    {
        const QString file = entryPath();
        if (!m_fs.existsNoFollow(file))
            return ItemStatus::notRegistered;
        const std::optional<QByteArray> data = m_fs.readFile(file, kEntryBytes);
        const EntryState entry = data ? readEntry(*data) : EntryState{};
        if (!entry.parses)
            return ItemStatus::notFound;
        return entry.hidden || entry.disabled ? ItemStatus::requiresApproval : ItemStatus::enabled;
    }

    QStringList settingsAddresses() override
    {
        // A folder that cannot be made is stood for by its nearest existing parent.
        QString folder = m_folder;
        if (!m_fs.makeDirectories(folder)) {
            while (folder != QLatin1String("/") && !m_fs.isDirectory(folder))
                folder = path::parent(folder);
        }
        return {QUrl::fromLocalFile(m_fs.toHostString(folder)).toString(QUrl::FullyEncoded)};
    }

private:
    QString entryPath() const { return path::join(m_folder, m_identity.applicationId + QStringLiteral(".desktop")); }

    static Error failure(const QString& description) { return {kAppErrorDomain, 1, description}; }

    FileSystem m_fs;
    AutostartIdentity m_identity;
    QString m_folder;
};

} // namespace

QString autostartFolder(const FileSystem& fs, const QString& xdgConfigHome)
{
    const bool mapped = !fs.hostRoot().isEmpty();
    QString config = fs.home() + QStringLiteral("/.config");
    if (!mapped && xdgConfigHome.startsWith(u'/'))
        config = xdgConfigHome;
    return path::standardized(config + QStringLiteral("/autostart"));
}

std::optional<QString> desktopExecValue(const QString& executable)
{
    QString quoted = QStringLiteral("\"");
    for (const QChar c : executable) {
        if (c == u'"' || c == u'`' || c == u'$' || c == u'\\')
            quoted += u'\\';
        else if (c == u'%')
            quoted += u'%';
        quoted += c;
    }
    quoted += u'"';
    return escapedString(quoted);
}

std::unique_ptr<MainAppService> makeAutostartService(FileSystem fs, AutostartIdentity identity,
                                                     const QString& xdgConfigHome)
{
    return std::make_unique<AutostartService>(std::move(fs), std::move(identity), xdgConfigHome);
}

} // namespace host
} // namespace tw
