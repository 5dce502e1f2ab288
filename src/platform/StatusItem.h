#pragma once

#include <QImage>
#include <QRect>
#include <QString>

#include <functional>
#include <memory>

namespace tw {

// One item in the desktop's status area (the menu bar's extras, the system
// tray): an image with a tool tip that reports clicks. It is shown for as
// long as the object lives.
class StatusItem {
public:
    enum class Click { primary, context };

    virtual ~StatusItem() = default;
    virtual void setImage(const QImage& image) = 0;
    virtual void setToolTip(const QString& text) = 0;
    // Where the item stands, in global screen coordinates; empty when the
    // desktop does not tell.
    virtual QRect geometry() const = 0;
    // Called once per click, on the GUI thread.
    virtual void setClickHandler(std::function<void(Click)> handler) = 0;
};

// The desktop's status area, where items are added.
class StatusArea {
public:
    virtual ~StatusArea() = default;
    // Whether the desktop shows status items at all.
    virtual bool isAvailable() const = 0;
    // A new item; it appears once it has an image (on a desktop without a
    // status area, as soon as one turns up).
    virtual std::unique_ptr<StatusItem> addItem() = 0;
};

namespace host {

// The system tray's. Where the desktop has none, the first item added says
// so once through notice (the standard error when none is given); the item
// is made all the same and appears if a tray turns up later.
std::unique_ptr<StatusArea> makeStatusArea(std::function<void(const QString&)> notice = {});
// What is said when there is no tray.
QString noStatusAreaNotice();

} // namespace host

} // namespace tw
