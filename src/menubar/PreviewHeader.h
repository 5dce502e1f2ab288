#pragma once

#include <QImage>
#include <QRect>
#include <QString>

#include <optional>

class QPainter;

namespace tw {

// The quick preview's header, drawn by the preview beneath its cards (its
// glow reaches below it): the close button, the product's name over the
// installed line, the pin and preferences buttons, and the glow bar along
// its bottom, all casting the header's glow.
class PreviewHeader {
public:
    enum class Button { close, pin, preferences };

    explicit PreviewHeader(bool pinned) : m_pinned(pinned) {}

    // 12 points of padding at the sides and above, 4 below.
    static int height();
    const QRect& geometry() const { return m_geometry; }
    void setGeometry(const QRect& rect) { m_geometry = rect; }

    const QString& installedLine() const { return m_line; }
    // Whether it changed.
    bool setInstalledLine(const QString& line);
    bool isPinned() const { return m_pinned; }
    // "pin.fill" when pinned, else "pin".
    QString pinSymbol() const;
    // The button's help: "Unpin" or "Keep on top", "Preferences"; none for close.
    QString help(Button button) const;
    // Where the button is, in the preview's coordinates.
    QRect buttonRect(Button button) const;
    std::optional<Button> buttonAt(const QPoint& point) const;

    // Draws the glow and the header at its geometry.
    void paint(QPainter& p, qreal dpr) const;

private:
    QImage body(qreal dpr) const;
    QString key() const;

    bool m_pinned;
    QString m_line;
    QRect m_geometry;
};

} // namespace tw
