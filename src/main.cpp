#include "engine/inventory/AppScanner.h"
#include "platform/Platform.h"

#include <QApplication>
#include <QHeaderView>
#include <QStandardItemModel>
#include <QTimer>
#include <QTreeView>

// The first window: the discovered applications with their version, developer and size.
int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tidewell"));
    QApplication::setOrganizationName(QStringLiteral("Marrowind"));

    tw::HostPlatform host;
    tw::AppScanner scanner(host.platform());

    QStandardItemModel model(0, 4);
    model.setHorizontalHeaderLabels({QStringLiteral("Name"), QStringLiteral("Version"), QStringLiteral("Developer"),
                                     QStringLiteral("Size")});
    QTreeView view;
    view.setWindowTitle(QStringLiteral("Tidewell"));
    view.setModel(&model);
    view.setRootIsDecorated(true);
    view.setUniformRowHeights(true);
    view.header()->setSectionResizeMode(0, QHeaderView::Stretch);
    view.resize(900, 600);

    auto row = [](const tw::AppInfo& a) {
        QList<QStandardItem*> items{new QStandardItem(a.name()), new QStandardItem(a.version()),
                                    new QStandardItem(a.developer()),
                                    new QStandardItem(tw::ByteFormat::string(a.displaySize()))};
        items[3]->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        return items;
    };
    QObject::connect(&scanner, &tw::AppScanner::appsChanged, &view, [&] {
        model.removeRows(0, model.rowCount());
        for (const tw::AppInfoPtr& a : scanner.apps()) {
            QList<QStandardItem*> items = row(*a);
            for (const tw::AppInfoPtr& m : a->members())
                items[0]->appendRow(row(*m));
            model.appendRow(items);
        }
    });
    view.show();
    QTimer::singleShot(0, &scanner, &tw::AppScanner::scanInstalledApps);
    return app.exec();
}
