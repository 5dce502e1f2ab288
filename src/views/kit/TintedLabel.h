#pragma once

#include "views/kit/Tints.h"

#include <QLabel>

namespace tw {

// A plain text (never rich text) in one of the workspaces' tints, recoloured
// whenever the theme changes.
class TintedLabel : public QLabel {
    Q_OBJECT
public:
    TintedLabel(const QString& text, Tint tint, const QFont& font, QWidget* parent = nullptr);

    Tint tint() const { return m_tint; }
    void setTint(Tint tint);

private:
    void restyle();

    Tint m_tint;
};

} // namespace tw
