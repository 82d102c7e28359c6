#include "DirectInk.h"

#include <algorithm>
#include <cstring>
#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace {

bool paperAndInk(const QImage& image) {
    const QList<QRgb> colours = image.colorTable();
    return colours.size() == 2 && qGray(colours[0]) == 255 && qGray(colours[1]) == 0;
}

// Each of count dots the darker of itself and the pattern's: ink over what is there.
void darkenDots(uchar* dots, const uchar* pattern, int count) {
    int i = 0;
#ifdef __SSE2__
    for (; i + 16 <= count; i += 16) {
        auto* at = reinterpret_cast<__m128i*>(dots + i);
        _mm_storeu_si128(at, _mm_min_epu8(_mm_loadu_si128(at),
                                          _mm_loadu_si128(reinterpret_cast<const __m128i*>(pattern + i))));
    }
#endif
    for (; i < count; ++i) {
        dots[i] = std::min(dots[i], pattern[i]);
    }
}

// Bits [left, right) of a one-bit row, the first dot in the top bit; right > left.
void setBits(uchar* row, int left, int right) {
    const int first = left >> 3;
    const int last = (right - 1) >> 3;
    const auto head = uchar(0xFF >> (left & 7));
    const auto tail = uchar(0xFF << (7 - ((right - 1) & 7)));
    if (first == last) {
        row[first] |= head & tail;
        return;
    }
    row[first] |= head;
    std::memset(row + first + 1, 0xFF, size_t(last - first - 1));
    row[last] |= tail;
}

} // namespace

std::optional<DirectInk> DirectInk::of(QPainter& painter) {
    QPaintDevice* device = painter.device();
    if (device == nullptr || device->devType() != QInternal::Image ||
        !painter.worldTransform().isIdentity() || painter.hasClipping() ||
        painter.compositionMode() != QPainter::CompositionMode_SourceOver || painter.opacity() != 1.0) {
        return std::nullopt;
    }
    auto* image = static_cast<QImage*>(device);
    if (image->format() == QImage::Format_Grayscale8 ||
        (image->format() == QImage::Format_Mono && paperAndInk(*image))) {
        return DirectInk(*image);
    }
    return std::nullopt;
}

DirectInk::DirectInk(QImage& image)
    : mBits(image.bits()), mStride(image.bytesPerLine()), mWidth(image.width()), mHeight(image.height()),
      mDotsPerMeter(image.dotsPerMeterX()), mOneBit(image.format() == QImage::Format_Mono) {}

void DirectInk::run(int y, int left, int right) {
    left = std::max(0, left);
    right = std::min(mWidth, right);
    if (y < 0 || y >= mHeight || left >= right) {
        return;
    }
    uchar* row = mBits + y * mStride;
    if (mOneBit) {
        setBits(row, left, right);
    } else {
        std::memset(row + left, 0, size_t(right - left));
    }
}

void DirectInk::rect(const QRect& rect) {
    for (int y = std::max(0, rect.top()); y <= std::min(mHeight - 1, rect.bottom()); ++y) {
        run(y, rect.left(), rect.left() + rect.width());
    }
}

void DirectInk::rows(const std::vector<std::pair<int, int>>& runs, int top, int height) {
    const int firstRow = std::max(0, top);
    const int endRow = std::min(mHeight, top + height);
    if (runs.empty() || firstRow >= endRow) {
        return;
    }
    const int from = std::max(0, runs.front().first);
    const int to = std::min(mWidth, runs.back().second);
    if (from >= to) {
        return;
    }
    // Every row of bars is alike: one row of them, laid over each row of the image.
    const auto forEachBar = [&](const auto& mark) {
        for (const auto& [left, right] : runs) {
            const int barFrom = std::max(from, left);
            const int barTo = std::min(to, right);
            if (barFrom < barTo) {
                mark(barFrom, barTo);
            }
        }
    };
    if (mOneBit) {
        const int firstByte = from >> 3;
        std::vector<uchar> bars(size_t(((to - 1) >> 3) - firstByte + 1), 0);
        forEachBar(
            [&](int left, int right) { setBits(bars.data(), left - 8 * firstByte, right - 8 * firstByte); });
        for (int y = firstRow; y < endRow; ++y) {
            uchar* row = mBits + y * mStride + firstByte;
            for (size_t i = 0; i < bars.size(); ++i) {
                row[i] |= bars[i];
            }
        }
        return;
    }
    std::vector<uchar> bars(size_t(to - from), 0xFF);
    forEachBar(
        [&](int left, int right) { std::memset(bars.data() + (left - from), 0, size_t(right - left)); });
    for (int y = firstRow; y < endRow; ++y) {
        darkenDots(mBits + y * mStride + from, bars.data(), to - from);
    }
}
