#include "TextStamp.h"

#include "DirectInk.h"

#include <QCache>
#include <QFontMetrics>
#include <algorithm>
#include <cstring>
#include <memory>
#include <optional>
#include <vector>

namespace {

// Where a text is drawn changes nothing of its dots but their place: the key leaves it out.
struct StampKey {
    QFont font;
    QSize box;
    int flags;
    QString text;
    int dotsPerMeter;

    bool operator==(const StampKey&) const = default;
};

size_t qHash(const StampKey& key, size_t seed = 0) {
    return qHashMulti(seed, key.font, key.box.width(), key.box.height(), key.flags, key.text,
                      key.dotsPerMeter);
}

// A text's ink as runs of dots on its rows, from the box's top left corner. Only ink is kept: the
// sticker ends one bit per dot, dark where a dot is darker than mid-grey, as the runs are.
struct InkRun {
    int y;
    int left;
    int right; // one past the run
};
using Stamp = std::vector<InkRun>;

Stamp makeStamp(const StampKey& key) {
    const QFontMetrics metrics(key.font);
    const QRect laidOut = metrics.boundingRect(QRect(QPoint(0, 0), key.box), key.flags, key.text);
    // Room for what the metrics leave out: slanted and overhanging glyphs, underlines.
    const int margin = metrics.height();
    QImage canvas(laidOut.size() + QSize(2 * margin, 2 * margin), QImage::Format_Grayscale8);
    std::memset(canvas.bits(), 0xFF, size_t(canvas.sizeInBytes()));
    canvas.setDotsPerMeterX(key.dotsPerMeter);
    canvas.setDotsPerMeterY(key.dotsPerMeter);
    const QPoint boxAt(margin - laidOut.left(), margin - laidOut.top());
    {
        QPainter painter(&canvas);
        painter.setFont(key.font);
        painter.setPen(Qt::black);
        painter.drawText(QRect(boxAt, key.box), key.flags, key.text);
    }
    Stamp runs;
    const int width = canvas.width();
    const auto ink = [](uchar dot) { return dot < 128; };
    // Most of the canvas is paper: eight white dots at a time.
    const auto nextInk = [&](const uchar* at, const uchar* end) {
        for (quint64 eight; end - at >= 8; at += 8) {
            std::memcpy(&eight, at, sizeof eight);
            if (eight != ~quint64(0)) {
                break;
            }
        }
        return std::find_if(at, end, ink);
    };
    for (int y = 0; y < canvas.height(); ++y) {
        const uchar* const row = canvas.constScanLine(y);
        const uchar* const end = row + width;
        for (const uchar* at = nextInk(row, end); at != end;) {
            const uchar* const paper = std::find_if_not(at, end, ink);
            runs.push_back({y - boxAt.y(), int(at - row) - boxAt.x(), int(paper - row) - boxAt.x()});
            at = nextInk(paper, end);
        }
    }
    runs.shrink_to_fit();
    return runs;
}

void stamp(DirectInk& ink, const Stamp& runs, const QPoint& boxAt) {
    for (const InkRun& run : runs) {
        ink.run(boxAt.y() + run.y, boxAt.x() + run.left, boxAt.x() + run.right);
    }
}

// Far more than the texts of every sticker kind together; the numbers of each sticker come and go.
constexpr qsizetype KeptStampBytes = 4 << 20;

} // namespace

void drawBlackText(QPainter& painter, const QFont& font, const QRect& box, int flags, const QString& text) {
    std::optional<DirectInk> ink = DirectInk::of(painter);
    if (!ink) {
        painter.setFont(font);
        painter.setPen(Qt::black);
        painter.drawText(box, flags, text);
        return;
    }
    // Per thread, as the fonts: a QFont shares its data between copies.
    thread_local QCache<StampKey, Stamp> stamps(KeptStampBytes);
    const StampKey key{font, box.size(), flags, text, ink->dotsPerMeter()};
    const Stamp* known = stamps.object(key);
    if (known == nullptr) {
        auto made = std::make_unique<Stamp>(makeStamp(key));
        const qsizetype cost = std::max<qsizetype>(1, qsizetype(made->size() * sizeof(InkRun)));
        if (cost > stamps.maxCost()) {
            stamp(*ink, *made, box.topLeft());
            return;
        }
        known = made.get();
        stamps.insert(key, made.release(), cost);
    }
    stamp(*ink, *known, box.topLeft());
}
