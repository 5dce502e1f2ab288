#include "platform/ProductArt.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include <array>

namespace tw::host {

namespace {

enum class Family { laptop, allInOne, smallBox, studioBox, tower };

struct FamilyArt {
    const char* type;
    Family family;
    QColor body;  // the enclosure's main colour
};

const std::array<FamilyArt, 7>& families()
{
    static const std::array<FamilyArt, 7> table{{
        {"com.apple.macbookpro", Family::laptop, QColor(118, 121, 128)},
        {"com.apple.macbookair", Family::laptop, QColor(214, 216, 221)},
        {"com.apple.macbook", Family::laptop, QColor(226, 205, 190)},
        {"com.apple.imac", Family::allInOne, QColor(150, 184, 222)},
        {"com.apple.macmini", Family::smallBox, QColor(206, 208, 213)},
        {"com.apple.macstudio", Family::studioBox, QColor(206, 208, 213)},
        {"com.apple.macpro", Family::tower, QColor(200, 202, 207)},
    }};
    return table;
}

const FamilyArt* artFor(const QString& type)
{
    for (const FamilyArt& art : families()) {
        if (type == QLatin1String(art.type))
            return &art;
    }
    return nullptr;
}

// Metal lit from above: lighter at the top edge, darker at the bottom.
QLinearGradient metal(const QRectF& r, const QColor& base)
{
    QLinearGradient g(r.topLeft(), r.bottomLeft());
    g.setColorAt(0, base.lighter(112));
    g.setColorAt(1, base.darker(118));
    return g;
}

// A screen in a blue that the product picture's screen test recognises, so
// a desktop picture can be painted into it.
void drawScreen(QPainter& p, const QRectF& screen)
{
    QLinearGradient g(screen.topLeft(), screen.bottomRight());
    g.setColorAt(0, QColor(44, 118, 236));
    g.setColorAt(1, QColor(20, 64, 190));
    p.fillRect(screen, g);
}

void drawLaptop(QPainter& p, const QColor& body)
{
    const QRectF lid(152, 170, 720, 492);
    QPainterPath lidPath;
    lidPath.addRoundedRect(lid, 34, 34);
    p.fillPath(lidPath, metal(lid, body));
    QPainterPath bezel;
    bezel.addRoundedRect(lid.adjusted(12, 12, -12, -4), 24, 24);
    p.fillPath(bezel, QColor(16, 16, 20));
    drawScreen(p, QRectF(182, 210, 660, 424));
    p.fillRect(QRectF(488, 182, 48, 18), QColor(6, 6, 8));  // camera housing

    QPainterPath base;
    base.moveTo(130, 662);
    base.lineTo(894, 662);
    base.quadTo(930, 664, 930, 684);
    base.quadTo(928, 706, 890, 708);
    base.lineTo(134, 708);
    base.quadTo(96, 706, 94, 684);
    base.quadTo(94, 664, 130, 662);
    p.fillPath(base, metal(QRectF(94, 662, 836, 46), body.lighter(106)));
    QPainterPath groove;
    groove.addRoundedRect(QRectF(448, 662, 128, 12), 6, 6);
    p.fillPath(groove, body.darker(135));
}

void drawAllInOne(QPainter& p, const QColor& body)
{
    const QColor stand = QColor(208, 210, 215);
    QPainterPath neck;
    neck.moveTo(440, 690);
    neck.lineTo(584, 690);
    neck.lineTo(604, 868);
    neck.lineTo(420, 868);
    neck.closeSubpath();
    p.fillPath(neck, metal(QRectF(420, 690, 184, 178), stand));
    QPainterPath foot;
    foot.addRoundedRect(QRectF(380, 860, 264, 22), 10, 10);
    p.fillPath(foot, stand.darker(112));

    const QRectF frame(108, 118, 808, 584);
    QPainterPath framePath;
    framePath.addRoundedRect(frame, 28, 28);
    p.fillPath(framePath, metal(frame, body));
    QPainterPath bezel;
    bezel.addRoundedRect(QRectF(120, 130, 784, 474), 18, 18);
    p.fillPath(bezel, QColor(22, 22, 26));
    drawScreen(p, QRectF(142, 150, 740, 432));
}

// A low square box seen from slightly above: its top face and its front.
void drawBox(QPainter& p, const QColor& body, const QRectF& top, qreal frontHeight, bool studio)
{
    const QRectF whole(top.left(), top.top(), top.width(), top.height() + frontHeight);
    QPainterPath shell;
    shell.addRoundedRect(whole, 46, 46);
    p.fillPath(shell, metal(whole, body.darker(112)));
    QPainterPath band;
    band.addRect(top);
    const QPainterPath face = shell.intersected(band);
    QLinearGradient g(top.topLeft(), top.bottomRight());
    g.setColorAt(0, body.lighter(118));
    g.setColorAt(1, body);
    p.fillPath(face, g);

    const qreal frontTop = top.bottom();
    const qreal frontMid = frontTop + frontHeight / 2;
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(120, 230, 140));
    p.drawEllipse(QPointF(top.right() - 60, frontMid), 5, 5);  // power light
    if (studio) {
        p.setBrush(QColor(40, 42, 48));
        for (int i = 0; i < 2; ++i)
            p.drawRoundedRect(QRectF(top.left() + 70 + i * 46, frontMid - 8, 26, 16), 6, 6);
        p.drawRoundedRect(QRectF(top.left() + 190, frontMid - 4, 92, 8), 3, 3);
    }
}

void drawTower(QPainter& p, const QColor& body)
{
    const QRectF shell(322, 150, 380, 740);
    p.setPen(QPen(body.darker(120), 26, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(356, 96, 110, 110), 0, 180 * 16);  // handles
    p.drawArc(QRectF(558, 96, 110, 110), 0, 180 * 16);
    p.setPen(Qt::NoPen);
    QPainterPath outline;
    outline.addRoundedRect(shell, 40, 40);
    p.fillPath(outline, metal(shell, body));
    // The lattice of the front grille.
    p.setBrush(QColor(70, 72, 80));
    for (qreal y = 200; y <= 850; y += 30) {
        const qreal shift = (int(y / 30) % 2) * 15;
        for (qreal x = 352 + shift; x <= 675; x += 30)
            p.drawEllipse(QPointF(x, y), 9, 9);
    }
    p.setBrush(body.darker(150));
    p.drawRoundedRect(QRectF(350, 884, 70, 18), 6, 6);  // feet
    p.drawRoundedRect(QRectF(604, 884, 70, 18), 6, 6);
}

class DrawnProductArt final : public ProductArt {
public:
    std::optional<QString> deviceModelType(const QString&) override { return std::nullopt; }
    bool isDeclared(const QString& type) override { return artFor(type) != nullptr; }
    QImage icon(const QString& type) override { return drawFamilyPicture(type, 1024); }
    std::optional<QString> enclosureColorAnswer() override { return std::nullopt; }
};

} // namespace

QImage drawFamilyPicture(const QString& type, int size)
{
    const FamilyArt* art = artFor(type);
    if (!art || size <= 0)
        return {};
    QImage image(size, size, QImage::Format_RGBA8888_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 1024.0, size / 1024.0);
    switch (art->family) {
    case Family::laptop:
        drawLaptop(p, art->body);
        break;
    case Family::allInOne:
        drawAllInOne(p, art->body);
        break;
    case Family::smallBox:
        drawBox(p, art->body, QRectF(172, 380, 680, 220), 70, false);
        break;
    case Family::studioBox:
        drawBox(p, art->body, QRectF(212, 250, 600, 230), 250, true);
        break;
    case Family::tower:
        drawTower(p, art->body);
        break;
    }
    return image;
}

std::unique_ptr<ProductArt> makeDrawnProductArt()
{
    return std::make_unique<DrawnProductArt>();
}

} // namespace tw::host
