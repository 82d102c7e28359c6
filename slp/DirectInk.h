#pragma once

#include <QImage>
#include <QPainter>
#include <QRect>
#include <optional>
#include <utility>
#include <vector>

// Black ink written straight into the image a painter draws on, grey or one bit per dot (1 black),
// where that gives the dots the painter would: no transform, no clip, plain source-over. Qt goes
// through its general path on such images, which cost a sixth of a sticker for the bars alone.
class DirectInk {
public:
    // Empty when the painter draws on anything else.
    static std::optional<DirectInk> of(QPainter& painter);

    // Dots [left, right) of row y; what lies off the image is left out, here and below.
    void run(int y, int left, int right);
    void rect(const QRect& rect);
    // The same runs [left, right), in order, on each of height rows from top: a barcode's bars.
    void rows(const std::vector<std::pair<int, int>>& runs, int top, int height);

    int dotsPerMeter() const { return mDotsPerMeter; }

private:
    explicit DirectInk(QImage& image);

    uchar* mBits;
    qsizetype mStride;
    int mWidth;
    int mHeight;
    int mDotsPerMeter;
    bool mOneBit;
};
