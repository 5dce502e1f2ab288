#pragma once

#include "app/NeonPaint.h"
#include "app/SidebarIcons.h"
#include "app/Theme.h"

#include <QAbstractButton>
#include <QImage>
#include <QWidget>

#include <functional>

namespace tw {

class ClockwiseNeonBorder;

// Calls f whenever the theme changes (when the shared state is installed).
void onThemeChange(QObject* context, std::function<void()> f);

// The sidebar's glass card with its neon edge and glow. The widget keeps
// glowRoom() around the card for the animated border's glow; place it with
// setCardGeometry. The content widget covers the card; lay children out in it.
class NeonGlassPanel : public QWidget, public GlowCaster {
    Q_OBJECT
public:
    explicit NeonGlassPanel(QWidget* parent = nullptr);

    static constexpr int glowRoom() { return 8; }
    static constexpr qreal cornerRadius() { return 22; }
    void setCardGeometry(const QRect& card);
    QRect cardRect() const;
    QWidget* content() const { return m_content; }
    ClockwiseNeonBorder* border() const { return m_border; }

    static QList<neon::Shadow> shadows(AppAppearance a);
    // The card body (fill, sheen, edge and highlight line) at a size.
    static QImage body(QSize size, AppAppearance a, qreal dpr);

    void paintGlow(QPainter& p) override;
    QMargins glowExtent() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    QWidget* m_content;
    ClockwiseNeonBorder* m_border;
};

// One sidebar pill: the glyph and a one-line title on a capsule.
class NeonPillButton : public QAbstractButton, public GlowCaster {
    Q_OBJECT
public:
    NeonPillButton(const QString& title, SidebarGlyph glyph, bool selected, QWidget* parent = nullptr);

    QString title() const { return text(); }
    SidebarGlyph glyph() const { return m_glyph; }
    bool isSelected() const { return m_selected; }
    void setSelected(bool selected);

    static constexpr int pillHeight() { return 42; }
    // The title as drawn (elided to one line at the current width).
    QString shownTitle() const;
    QColor titleColour() const;
    QColor glyphColour() const;
    static QColor fillColour(bool selected, AppAppearance a);
    static QList<neon::Shadow> shadows(bool selected, AppAppearance a);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    void paintGlow(QPainter& p) override;
    QMargins glowExtent() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool hitButton(const QPoint& pos) const override;

private:
    QRectF titleRect() const;
    QImage body() const;

    SidebarGlyph m_glyph;
    bool m_selected;
    mutable qreal m_elidedWidth = -1;
    mutable QString m_elidedSource;
    mutable QString m_elided;
};

// A workspace's title bar: the title on a glowing gradient bar with an
// animated edge. The widget keeps glowRoom() around the bar; place it with
// setBarGeometry. It takes no clicks (they move the window).
class WorkspaceTitleBar : public QWidget, public GlowCaster {
    Q_OBJECT
public:
    explicit WorkspaceTitleBar(const QString& title, QWidget* parent = nullptr);

    static constexpr int glowRoom() { return 8; }
    QString title() const { return m_title; }
    void setBarGeometry(const QRect& bar);
    QRect barRect() const;
    // The bar's height: the title's line and 12 points above and below.
    static int barHeight();
    ClockwiseNeonBorder* border() const { return m_border; }

    static QColor titleColour(AppAppearance a);
    // The bar's top-to-bottom gradient colours.
    static QList<QColor> barFill(AppAppearance a);
    static QList<neon::Shadow> shadows(AppAppearance a);

    void paintGlow(QPainter& p) override;
    QMargins glowExtent() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    QImage body() const;

    QString m_title;
    ClockwiseNeonBorder* m_border;
};

// One column card of a workspace: an opaque rounded card whose radius and
// colours follow the theme. Content goes into content(), inset so that it
// stays inside the rounded corners.
class WorkspaceCard : public QWidget, public GlowCaster {
    Q_OBJECT
public:
    explicit WorkspaceCard(QWidget* parent = nullptr);

    QWidget* content() const { return m_content; }
    // Whether the card casts its (indigo-only) shadow; on by default.
    void setCastsShadow(bool on) { m_castsShadow = on; }
    static qreal radius(AppAppearance a);
    // The inset that keeps rectangular content inside the corners.
    static int contentInset(AppAppearance a);

    void paintGlow(QPainter& p) override;
    QMargins glowExtent() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void layoutContent();
    QWidget* m_content;
    bool m_castsShadow = true;
};

// The frame of every workspace: the title bar on top, then a 340-point middle
// column beside a detail column that takes the rest.
class WorkspaceChrome : public QWidget {
    Q_OBJECT
public:
    explicit WorkspaceChrome(const QString& title, QWidget* parent = nullptr);

    static constexpr int middleWidth() { return 340; }
    WorkspaceTitleBar* titleBar() const { return m_titleBar; }
    WorkspaceCard* middleCard() const { return m_middle; }
    WorkspaceCard* detailCard() const { return m_detail; }
    // Where a workspace puts its two columns' contents.
    QWidget* middle() const { return m_middle->content(); }
    QWidget* detail() const { return m_detail->content(); }

    static QColor background(AppAppearance a);
    // Shared by every workspace: paints the background and the glows of the
    // host's children where region needs it, and places a title bar across
    // the top of a workspace width wide, returning where the content starts.
    static void paintBackdrop(QWidget* host, const QRegion& region);
    static int placeTitleBar(WorkspaceTitleBar* bar, int width);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    WorkspaceTitleBar* m_titleBar;
    WorkspaceCard* m_middle;
    WorkspaceCard* m_detail;
};

} // namespace tw
