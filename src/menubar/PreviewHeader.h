#pragma once

#include "views/kit/Glow.h"

#include <QAbstractButton>
#include <QWidget>

namespace tw {

// The quick preview's header: the close button, the product's name over the
// installed line, the pin and preferences buttons, and the glow bar along
// its bottom, all casting the header's glow (through the nearest glow host,
// as it reaches below the header). Painted as one picture, made again only
// when its text, the pin or the theme changes; the buttons are areas over it.
class PreviewHeader : public QWidget, public GlowCaster {
    Q_OBJECT
    Q_INTERFACES(tw::GlowCaster)
public:
    PreviewHeader(bool pinned, QWidget* parent = nullptr);

    void setInstalledLine(const QString& line);
    const QString& installedLine() const { return m_line; }
    bool isPinned() const { return m_pinned; }
    // "pin.fill" when pinned, else "pin"; the help "Unpin" or "Keep on top".
    QString pinSymbol() const;

    QAbstractButton* closeButton() const { return m_close; }
    QAbstractButton* pinButton() const { return m_pin; }
    QAbstractButton* preferencesButton() const { return m_preferences; }

    QSize sizeHint() const override;
    void paintGlow(QPainter& p) override;
    QMargins glowExtent() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QImage body(qreal dpr) const;
    QString key() const;

    bool m_pinned;
    QString m_line;
    QAbstractButton* m_close;
    QAbstractButton* m_pin;
    QAbstractButton* m_preferences;
};

} // namespace tw
