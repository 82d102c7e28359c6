#include "SettingsSanity.h"

#include <QByteArray>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

// Past the reader's longest line, which mutation alone seldom builds from small inputs.
constexpr qsizetype LongInput = 33000;
constexpr std::size_t ShortInput = 16;

void check(QByteArrayView bytes) {
    const QString problem = CheckSettingsRead(bytes);
    if (!problem.isEmpty()) {
        std::fprintf(stderr, "%s\n", qPrintable(problem));
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArrayView bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    check(bytes);
    // A short input is also read repeated to beyond the line limit.
    if (size > 0 && size <= ShortInput)
        check(bytes.toByteArray().repeated(LongInput / qsizetype(size) + 1));
    return 0;
}
