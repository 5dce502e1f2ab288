#pragma once

#include <QObject>
#include <QString>

class QLocalServer;

namespace tw {

// One running copy per user: the first launch listens on a local socket; a
// later launch finds it, asks it to bring its window forward and exits.
class SingleInstanceGuard : public QObject {
    Q_OBJECT
public:
    // name: the socket's name; the default is per user.
    explicit SingleInstanceGuard(QString name = defaultName(), QObject* parent = nullptr);
    ~SingleInstanceGuard() override;

    static QString defaultName();

    // True when this process is the running copy (it now listens); false when
    // another copy answered and was asked to come forward: this one should exit.
    bool tryBecomePrimary();
    bool isPrimary() const { return m_server != nullptr; }

signals:
    // A later launch asked for the window.
    void reopenRequested();

private:
    void readRequest();

    QString m_name;
    QLocalServer* m_server = nullptr;
};

} // namespace tw
