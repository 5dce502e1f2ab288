#pragma once

#include "state/AppAppearance.h"
#include "views/kit/Glow.h"


namespace tw {

// One column card of a workspace: an opaque rounded card whose radius and
// colours follow the theme. Content goes into content(), inset so that it
// stays inside the rounded corners.
class WorkspaceCard : public GlowCastingWidget {
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

private:
    void layoutContent();
    QWidget* m_content;
    bool m_castsShadow = true;
};

} // namespace tw
