#pragma once

#include "views/kit/Tints.h"

#include <QLabel>

namespace tw {

// A plain text (never rich text) in one of the workspaces' tints, recoloured
// whenever the theme changes. Unless it is centred it stands against the
// leading side of its layout (the right in a right-to-left one), whatever
// the direction its own text reads in.
class TintedLabel : public QLabel {
    Q_OBJECT
public:
    TintedLabel(const QString& text, Tint tint, const QFont& font, QWidget* parent = nullptr);

    Tint tint() const { return m_tint; }
    void setTint(Tint tint);

protected:
    void changeEvent(QEvent* event) override;

private:
    void restyle();
    void alignToLeadingSide();

    Tint m_tint;
};

} // namespace tw
