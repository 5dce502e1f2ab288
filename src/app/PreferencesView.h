#pragma once

#include "state/AppAppearance.h"

#include <QAbstractButton>
#include <QWidget>

#include <functional>

namespace tw {

class AppSettings;
class NeonSwitch;

// A small default-action button (the sheet's "Done").
class SheetButton : public QAbstractButton {
    Q_OBJECT
public:
    explicit SheetButton(const QString& title, QWidget* parent = nullptr);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
};

// The preferences sheet: two switches that write their settings the moment
// they change. 460 x 280 points; "Done", Return or Escape dismisses it.
class PreferencesView : public QWidget {
    Q_OBJECT
public:
    PreferencesView(AppSettings& settings, std::function<void()> dismiss, QWidget* parent = nullptr);

    static constexpr int sheetWidth() { return 460; }
    static constexpr int sheetHeight() { return 280; }

    NeonSwitch* menuBarSwitch() const { return m_menuBar; }
    NeonSwitch* trashSwitch() const { return m_trash; }
    SheetButton* doneButton() const { return m_done; }

    static QString menuBarTitle();
    static QString menuBarDescription();
    static QString trashTitle();
    static QString trashDescription();
    static QColor titleColour(AppAppearance a);
    static QColor sheetColour(AppAppearance a);

    // A rectangle laid out left to right, placed in the sheet's direction.
    QRectF placed(const QRectF& r) const;
    // Where switch row's title is painted (0: the menu bar's, 1: the Trash's);
    // a title too long for one line wraps.
    QRectF titleRect(int row) const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    // Tab and Shift+Tab go round the sheet's own controls while it is up.
    bool focusNextPrevChild(bool next) override;

private:
    struct Row {
        QString titleText;
        QString descriptionText;
        QRectF title;
        QRectF description;
        QRectF box;
    };
    QList<Row> rows() const;
    Qt::Alignment leading() const;
    QRectF groupBox() const;

    AppSettings& m_settings;
    std::function<void()> m_dismiss;
    NeonSwitch* m_menuBar;
    NeonSwitch* m_trash;
    SheetButton* m_done;
};

} // namespace tw
