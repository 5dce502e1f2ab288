#pragma once

#include "platform/StatusItem.h"

namespace tw::test {

struct FakeStatusArea;

// An item that keeps what it was given and is clicked by the test.
struct FakeStatusItem final : StatusItem {
    explicit FakeStatusItem(FakeStatusArea& area) : area(area) {}
    ~FakeStatusItem() override;

    FakeStatusArea& area;
    QImage image;
    QString toolTip;
    int imageChanges = 0;
    std::function<void(Click)> handler;

    void setImage(const QImage& i) override
    {
        image = i;
        ++imageChanges;
    }
    void setToolTip(const QString& text) override { toolTip = text; }
    QRect geometry() const override;
    void setClickHandler(std::function<void(Click)> h) override { handler = std::move(h); }
    void click(Click c = Click::primary)
    {
        if (handler)
            handler(c);
    }
};

// A status area with at most one item, placed where the test says.
struct FakeStatusArea final : StatusArea {
    bool available = true;
    QRect place{1200, 0, 24, 24};
    FakeStatusItem* item = nullptr;  // the item shown now
    int added = 0;
    int removed = 0;

    bool isAvailable() const override { return available; }
    std::unique_ptr<StatusItem> addItem() override
    {
        auto made = std::make_unique<FakeStatusItem>(*this);
        item = made.get();
        ++added;
        return made;
    }
};

inline FakeStatusItem::~FakeStatusItem()
{
    ++area.removed;
    if (area.item == this)
        area.item = nullptr;
}

inline QRect FakeStatusItem::geometry() const
{
    return area.place;
}

} // namespace tw::test
