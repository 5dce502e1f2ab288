#pragma once

#include "views/kit/FeatureEmptyState.h"

namespace tw {

// What the detail column shows in the remains segment while no entry is
// selected: "Remove remaining files", what remains are, and a pair of sheets
// (the symbol at 0.8 opacity; subtitle lines up to 420 points wide).
class EmptyRemainsPanel : public FeatureEmptyState {
    Q_OBJECT
public:
    explicit EmptyRemainsPanel(QWidget* parent = nullptr);
};

} // namespace tw
