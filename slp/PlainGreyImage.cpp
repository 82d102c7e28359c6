#include "PlainGreyImage.h"

#include <algorithm>
#ifdef __SSE2__
#include <emmintrin.h>
#endif

QImage* plainGreyImage(QPainter& painter) {
    QPaintDevice* device = painter.device();
    if (device == nullptr || device->devType() != QInternal::Image ||
        !painter.worldTransform().isIdentity() || painter.hasClipping() ||
        painter.compositionMode() != QPainter::CompositionMode_SourceOver || painter.opacity() != 1.0) {
        return nullptr;
    }
    auto* image = static_cast<QImage*>(device);
    return image->format() == QImage::Format_Grayscale8 ? image : nullptr;
}

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
