#pragma once

#include <QObject>

#include <functional>

class QWidget;

namespace tw {

class WindowNotices;

// Answers reopenMainWindow by asking the registered factory for a new main
// window and bringing it forward. The program entry registers the factory.
// Unlike a bridge that lives inside a window, this one also answers when no
// main window exists at all.
class MainWindowOpenBridge : public QObject {
    Q_OBJECT
public:
    explicit MainWindowOpenBridge(WindowNotices& notices, QObject* parent = nullptr);
    static MainWindowOpenBridge& shared();

    using Factory = std::function<QWidget*()>;
    void setFactory(Factory factory) { m_factory = std::move(factory); }

signals:
    void windowOpened(QWidget* window);

private:
    void open();

    Factory m_factory;
};

} // namespace tw
