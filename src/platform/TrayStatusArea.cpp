#include "platform/StatusItem.h"

#include <QIcon>
#include <QPixmap>
#include <QSystemTrayIcon>

#include <cstdio>

namespace tw::host {

namespace {

class TrayItem final : public StatusItem {
public:
    TrayItem()
    {
        QObject::connect(&m_icon, &QSystemTrayIcon::activated, [this](QSystemTrayIcon::ActivationReason reason) {
            if (!m_handler)
                return;
            // A double click also sends a trigger first; the second half is dropped.
            if (reason == QSystemTrayIcon::Trigger)
                m_handler(Click::primary);
            else if (reason == QSystemTrayIcon::Context)
                m_handler(Click::context);
        });
    }

    void setImage(const QImage& image) override
    {
        m_icon.setIcon(QIcon(QPixmap::fromImage(image)));
        // Shown once it has an image: an empty icon would flash in the tray.
        if (!m_icon.isVisible())
            m_icon.show();
    }
    void setToolTip(const QString& text) override { m_icon.setToolTip(text); }
    QRect geometry() const override { return m_icon.geometry(); }
    void setClickHandler(std::function<void(Click)> handler) override { m_handler = std::move(handler); }

private:
    QSystemTrayIcon m_icon;
    std::function<void(Click)> m_handler;
};

class TrayArea final : public StatusArea {
public:
    explicit TrayArea(std::function<void(const QString&)> notice) : m_notice(std::move(notice)) {}

    bool isAvailable() const override { return QSystemTrayIcon::isSystemTrayAvailable(); }

    std::unique_ptr<StatusItem> addItem() override
    {
        if (!m_told && !isAvailable()) {
            m_told = true;
            m_notice(noStatusAreaNotice());
        }
        return std::make_unique<TrayItem>();
    }

private:
    std::function<void(const QString&)> m_notice;
    bool m_told = false;
};

} // namespace

QString noStatusAreaNotice()
{
    return QStringLiteral("Tidewell: this desktop has no status area, so the menu bar item is not shown; "
                          "everything stays reachable from the main window.");
}

std::unique_ptr<StatusArea> makeStatusArea(std::function<void(const QString&)> notice)
{
    if (!notice)
        notice = [](const QString& text) { std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData()); };
    return std::make_unique<TrayArea>(std::move(notice));
}

} // namespace tw::host
