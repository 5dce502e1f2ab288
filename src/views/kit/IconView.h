#pragma once

#include "platform/Icon.h"
#include "views/kit/Symbols.h"

#include <QWidget>

#include <optional>

namespace tw {

// An icon (of an application, a file, an image file) drawn from its IconRef
// at a side in points, with rounded corners. The pixels are decoded on the
// engine pool the first time any view paints that icon at that size (never
// for a view that is not shown), then kept for every view; nothing is drawn
// until they arrive. An IconRef of none shows the fallback symbol, if any.
// Decoding reads the file system of the installed shared state.
class IconView : public QWidget {
    Q_OBJECT
public:
    explicit IconView(qreal side, qreal cornerRadius = 0, QWidget* parent = nullptr);

    const IconRef& icon() const { return m_icon; }
    void setIcon(const IconRef& icon);
    void setFallback(std::optional<Glyph> glyph);
    // Whether the pixels for the current icon are at hand.
    bool isReady() const;
    // Whether a decode of the current icon is under way; false with no icon,
    // with its pixels at hand (a failed decode too) or before any paint.
    bool isDecoding() const;
    QSize sizeHint() const override;

    // How many decodes were started so far, in the whole process.
    static int decodeCount();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    qreal m_side;
    qreal m_radius;
    IconRef m_icon;
    std::optional<Glyph> m_fallback;
};

} // namespace tw
