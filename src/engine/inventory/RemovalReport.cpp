#include "engine/inventory/RemovalReport.h"

#include "platform/Format.h"

namespace tw {

namespace {
// Past the codes of the uninstall refusal (1) and the Trash move (2 to 5),
// so that none of theirs reads as one of these.
constexpr int kRefusedCode = 6;
constexpr int kNotOwnedCode = 7;
} // namespace

void RemovalReport::add(const QString& path, const Result<Trashed>& outcome, const QString& item)
{
    if (!outcome)
        failures << RemovalFailure{path, item, outcome.error()};
    else
        (*outcome == Trashed::moved ? moved : gone) << path;
}

QStringList RemovalReport::failedPaths() const
{
    QStringList paths;
    paths.reserve(failures.size());
    for (const RemovalFailure& f : failures)
        paths << f.path;
    return paths;
}

namespace removal {

Error refused()
{
    return {kAppErrorDomain, kRefusedCode, QStringLiteral("This item is protected.")};
}

bool isRefusal(const Error& error)
{
    return error.domain == kAppErrorDomain && error.code == kRefusedCode;
}

Error notOwned()
{
    return {kAppErrorDomain, kNotOwnedCode, QStringLiteral("This item no longer belongs to the application.")};
}

QString namedList(const QStringList& lines, qsizetype shown)
{
    QStringList out;
    for (const QString& line : lines.mid(0, shown))
        out << singleLine(line);
    if (lines.size() > shown)
        out << QStringLiteral("…and %1 more.").arg(lines.size() - shown);
    return out.join(u'\n');
}

QString failureLine(const QString& head, const Error& reason)
{
    return isRefusal(reason) ? head : head + QStringLiteral(": ") + reason.description;
}

QStringList failureLines(const QList<RemovalFailure>& failures)
{
    QStringList lines;
    lines.reserve(failures.size());
    for (const RemovalFailure& f : failures)
        lines << failureLine(f.item, f.reason);
    return lines;
}

} // namespace removal

} // namespace tw
