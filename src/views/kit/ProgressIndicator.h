#pragma once

#include <QWidget>

namespace tw {

class Spinner;

// A spinner over a label ("Scanning applications…"), centred in all the
// space the widget is given.
class ProgressIndicator : public QWidget {
    Q_OBJECT
public:
    explicit ProgressIndicator(const QString& label, QWidget* parent = nullptr);

    QString label() const { return m_label; }
    Spinner* spinner() const { return m_spinner; }
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QRectF labelRect() const;

    QString m_label;
    Spinner* m_spinner;
};

} // namespace tw
