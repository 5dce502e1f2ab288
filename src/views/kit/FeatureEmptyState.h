#pragma once

#include <QRectF>
#include <QWidget>

namespace tw {

// The placeholder of a detail column while nothing is selected: a title
// (28 pt bold, primaryTextTint), a subtitle (14 pt, secondary, centred lines
// no wider than 400 points) and a symbol (56 pt, accentTint at 0.85), 14
// points apart, centred in the whole column with 24 points of padding. The
// texts are shown as given.
class FeatureEmptyState : public QWidget {
    Q_OBJECT
public:
    FeatureEmptyState(const QString& title, const QString& subtitle, const QString& systemImage,
                      QWidget* parent = nullptr);

    QString title() const { return m_title; }
    QString subtitle() const { return m_subtitle; }
    QString systemImage() const { return m_systemImage; }
    // The widest the subtitle's lines may be (400 points unless set) and the
    // symbol's opacity (0.85 unless set).
    void setSubtitleWidth(qreal width);
    void setSymbolOpacity(qreal opacity);

    // Where the three parts lie at the current size.
    struct Layout {
        QRectF title;
        QRectF subtitle;
        QRectF symbol;
    };
    Layout layoutParts() const;
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_title;
    QString m_subtitle;
    QString m_systemImage;
    qreal m_subtitleWidth = 400;
    qreal m_symbolOpacity = 0.85;
};

} // namespace tw
