#pragma once

#include <QString>

namespace tw::test {

// A feed as release tools write it: items newest first, release notes in
// CDATA, the versions and the signature on the enclosure.
inline QString publishedFeed(int items)
{
    QString text = QStringLiteral("<?xml version=\"1.0\"?><rss><channel><title>App</title>");
    for (int i = items; i > 0; --i)
        text += QStringLiteral("<item><title>Version %1</title><description><![CDATA[<ul><li>Fixes</li><li>More "
                               "fixes and improvements in this release</li></ul>]]></description>"
                               "<pubDate>Mon, 01 Jan 2024 10:00:00 +0000</pubDate>"
                               "<sparkle:minimumSystemVersion>11.0</sparkle:minimumSystemVersion>"
                               "<enclosure url=\"https://example.com/App-%1.0.zip\" sparkle:version=\"%1\" "
                               "sparkle:shortVersionString=\"%1.0\" length=\"123456\" type=\"application/octet-stream\" "
                               "sparkle:edSignature=\"abcdefghijklmnopqrstuvwxyz0123456789\"/></item>")
                    .arg(i);
    return text + QStringLiteral("</channel></rss>");
}

// A download address that opens and never closes, followed by package names
// up to about size characters: a backtracking download pattern takes seconds
// over 300 KB of it.
inline QString backtrackingFeed(qsizetype size = 300'000)
{
    QString text = QStringLiteral("<rss><item><sparkle:shortVersionString>2.0</sparkle:shortVersionString>"
                                  "<enclosure url=\"");
    while (text.size() < size)
        text += QStringLiteral("/a.dmg");
    return text + QStringLiteral("</item></rss>");
}

} // namespace tw::test
