#pragma once

#include "monitor/SystemSnapshot.h"
#include "views/kit/FittedText.h"
#include "views/kit/MonitorWidgets.h"
#include "views/kit/PushButton.h"
#include "views/kit/SymbolView.h"
#include "views/kit/TintedLabel.h"
#include "views/system/SystemWidgets.h"

#include <QList>

namespace tw {

// The login-item banner in its two forms: the state, a line of explanation
// and one button (enable, or open the settings once enabled).
class PermissionBanner : public MonitorPanel {
    Q_OBJECT
public:
    explicit PermissionBanner(QWidget* parent = nullptr);

    bool showsEnabledForm() const { return m_enabled; }
    void setEnabledForm(bool enabled);

    QString symbol() const;
    QColor symbolColour() const;
    QString title() const;
    QString message() const;
    PushButton* button() const { return m_button; }

signals:
    void enableRequested();
    void settingsRequested();

private:
    void apply();

    bool m_enabled = false;
    SymbolView* m_icon;
    TintedLabel* m_title;
    TintedLabel* m_message;
    PushButton* m_button;
};

// A label (96 pt wide) beside its value, on one baseline.
class SpecRowView : public QWidget {
    Q_OBJECT
public:
    SpecRowView(const QString& label, QWidget* parent = nullptr);
    QString label() const { return m_label->text(); }
    QString value() const { return m_value->text(); }
    void setValue(const QString& value) { m_value->setText(value); }
    FittedText* valueText() const { return m_value; }

    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void resizeEvent(QResizeEvent* event) override;
    bool event(QEvent* event) override;

private:
    std::pair<int, int> tops() const;
    void placeChildren();
    FittedText* m_label;
    FittedText* m_value;
};

// What the Mac is: its picture, title, system version, year and the two
// columns of specifications.
class MachineCard : public MonitorPanel {
    Q_OBJECT
public:
    explicit MachineCard(QWidget* parent = nullptr);

    void display(const SystemSnapshot& s);
    PictureWell* pictureWell() const { return m_well; }
    QString title() const { return m_title->text(); }
    QString osVersion() const { return m_os->text(); }
    // The badge's text; empty while hidden.
    QString year() const;
    const QList<SpecRowView*>& leftRows() const { return m_left; }
    const QList<SpecRowView*>& rightRows() const { return m_right; }

private:
    PictureWell* m_well;
    TintedLabel* m_title;
    TintedLabel* m_os;
    YearBadge* m_badge;
    QList<SpecRowView*> m_left;
    QList<SpecRowView*> m_right;
};

} // namespace tw
