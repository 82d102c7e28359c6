// Draws the window's background picture and its icon. Run through scripts/make-artwork.sh.
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <cstdio>

namespace {

const QColor kLogoGreen(46, 150, 60);
const QColor kLogoRed(200, 40, 40);

// The green client's logo: a leaf in a ring, with two bars in place of a wordmark.
void drawGreenLogo(QPainter& painter, const QRectF& box) {
    const qreal d = box.height();
    const QRectF ring(box.left(), box.top(), d, d);
    painter.setPen(QPen(kLogoGreen, 3));
    painter.setBrush(Qt::NoBrush);
    painter.drawEllipse(ring.adjusted(2, 2, -2, -2));

    QPainterPath leaf;
    const QPointF c = ring.center();
    leaf.moveTo(c.x() - d * 0.22, c.y() + d * 0.22);
    leaf.cubicTo(c.x() - d * 0.25, c.y() - d * 0.2, c.x() + d * 0.1, c.y() - d * 0.3, c.x() + d * 0.24,
                 c.y() - d * 0.24);
    leaf.cubicTo(c.x() + d * 0.3, c.y() + d * 0.05, c.x() + d * 0.05, c.y() + d * 0.28, c.x() - d * 0.22,
                 c.y() + d * 0.22);
    painter.setPen(Qt::NoPen);
    painter.setBrush(kLogoGreen);
    painter.drawPath(leaf);
    painter.setPen(QPen(Qt::white, 2));
    painter.drawLine(QPointF(c.x() - d * 0.18, c.y() + d * 0.18),
                     QPointF(c.x() + d * 0.15, c.y() - d * 0.15));

    painter.setPen(Qt::NoPen);
    painter.setBrush(kLogoGreen);
    const qreal x = ring.right() + 8;
    painter.drawRoundedRect(QRectF(x, box.top() + d * 0.28, box.right() - x, d * 0.18), 3, 3);
    painter.drawRoundedRect(QRectF(x, box.top() + d * 0.56, (box.right() - x) * 0.7, d * 0.14), 3, 3);
}

// The red client's logo: a drop in a square badge, with two bars in place of a wordmark.
void drawRedLogo(QPainter& painter, const QRectF& box) {
    const qreal d = box.height();
    const QRectF badge(box.right() - d, box.top(), d, d);
    painter.setPen(Qt::NoPen);
    painter.setBrush(kLogoRed);
    painter.drawRoundedRect(badge.adjusted(1, 1, -1, -1), 8, 8);

    QPainterPath drop;
    const QPointF c = badge.center();
    drop.moveTo(c.x(), c.y() - d * 0.32);
    drop.cubicTo(c.x() + d * 0.08, c.y() - d * 0.12, c.x() + d * 0.24, c.y(), c.x() + d * 0.2,
                 c.y() + d * 0.14);
    drop.arcTo(QRectF(c.x() - d * 0.2, c.y() - d * 0.06, d * 0.4, d * 0.4), 0, -180);
    drop.cubicTo(c.x() - d * 0.24, c.y(), c.x() - d * 0.08, c.y() - d * 0.12, c.x(), c.y() - d * 0.32);
    painter.setBrush(Qt::white);
    painter.drawPath(drop);

    painter.setBrush(kLogoRed);
    const qreal right = badge.left() - 8;
    painter.drawRoundedRect(QRectF(box.left(), box.top() + d * 0.28, right - box.left(), d * 0.18), 3, 3);
    const qreal shortWidth = (right - box.left()) * 0.7;
    painter.drawRoundedRect(QRectF(right - shortWidth, box.top() + d * 0.56, shortWidth, d * 0.14), 3, 3);
}

// 450 x 322, white; the logos sit below the green and the pink/red button pairs.
QImage background() {
    QImage image(450, 322, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    drawGreenLogo(painter, QRectF(64, 264, 150, 50));
    drawRedLogo(painter, QRectF(236, 264, 150, 50));
    return image;
}

// A barcode label: a white sticker with bars and a green edge.
QImage icon(int size) {
    QImage image(size, size, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal s = size;
    const QRectF label(s * 0.06, s * 0.16, s * 0.88, s * 0.68);
    painter.setPen(QPen(QColor(90, 90, 90), qMax(1.0, s / 32)));
    painter.setBrush(Qt::white);
    painter.drawRoundedRect(label, s * 0.08, s * 0.08);
    painter.setPen(Qt::NoPen);
    painter.setBrush(kLogoGreen);
    painter.drawRect(
        QRectF(label.left() + s * 0.02, label.bottom() - s * 0.12, label.width() - s * 0.04, s * 0.08));

    // Bar widths in modules; at 16 px one module is one pixel.
    static const int widths[] = {2, 1, 1, 2, 1, 3, 1, 1, 2, 1, 1};
    const qreal module = qMax(1.0, std::floor(s / 32));
    qreal x = std::floor(label.left() + s * 0.12);
    const qreal top = std::floor(label.top() + s * 0.1);
    const qreal height = std::floor(label.height() * 0.62);
    painter.setBrush(Qt::black);
    bool bar = true;
    for (const int w : widths) {
        if (x + w * module > label.right() - s * 0.1)
            break;
        if (bar)
            painter.drawRect(QRectF(x, top, w * module, height));
        x += w * module;
        bar = !bar;
    }
    return image;
}

} // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: make-artwork <assets folder>\n");
        return 2;
    }
    const QDir assets(QString::fromLocal8Bit(argv[1]));
    bool ok = background().save(assets.filePath(QStringLiteral("background.jpg")), "JPG", 92);
    for (const int size : {16, 32, 48, 64, 256})
        ok = icon(size).save(assets.filePath(QStringLiteral("icon-%1.png").arg(size)), "PNG") && ok;
    return ok ? 0 : 1;
}
