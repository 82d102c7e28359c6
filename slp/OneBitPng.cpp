#include "OneBitPng.h"

#include <QtEndian>
#include <algorithm>
#include <array>
#include <cstring>
#include <initializer_list>
#include <zlib.h>

// A sticker is long runs of paper with some runs of ink. Through libpng and zlib (level 1, run
// length, or any filter) its 117 KB of dots cost as much as drawing it: zlib searches for matches
// in every run. This writer only looks for runs of one byte and writes them as copies of the
// byte before, with deflate's fixed codes, in one pass that keeps the Adler-32 sum by runs too.

namespace {

// Deflate's fixed codes (RFC 1951, 3.2.6), each already reversed for the stream's bit order.
struct Code {
    quint32 bits = 0;
    int length = 0;
};

quint32 reversed(quint32 code, int length) {
    quint32 out = 0;
    for (int i = 0; i < length; ++i) {
        out = (out << 1) | ((code >> i) & 1);
    }
    return out;
}

Code fixedCode(int symbol) {
    if (symbol < 144) {
        return {reversed(0x30 + symbol, 8), 8};
    }
    if (symbol < 256) {
        return {reversed(0x190 + symbol - 144, 9), 9};
    }
    if (symbol < 280) {
        return {reversed(symbol - 256, 7), 7};
    }
    return {reversed(0xC0 + symbol - 280, 8), 8};
}

constexpr int MaxMatch = 258;

struct Tables {
    std::array<Code, 256> literal;
    std::array<Code, MaxMatch + 1> copyOfLast; // length code, its extra bits, then distance 1

    Tables() {
        for (int byte = 0; byte < 256; ++byte) {
            literal[byte] = fixedCode(byte);
        }
        static constexpr int base[] = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
                                       31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
        static constexpr int extra[] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                        2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
        for (int length = 3; length <= MaxMatch; ++length) {
            int index = 28;
            while (base[index] > length) {
                --index;
            }
            const Code code = fixedCode(257 + index);
            // Extra bits go out lowest first, unreversed; distance 1 is distance code 0, five zero bits.
            copyOfLast[length] = {code.bits | quint32(length - base[index]) << code.length,
                                  code.length + extra[index] + 5};
        }
    }
};

const Tables& tables() {
    static const Tables made;
    return made;
}

// Into a buffer already large enough for the worst case: appending to a QByteArray word by word
// cost a quarter of the encoding.
class BitWriter {
public:
    explicit BitWriter(uchar* out) : mOut(out) {}

    void put(Code code) {
        mBits |= quint64(code.bits) << mCount;
        mCount += code.length;
        if (mCount >= 32) {
            qToLittleEndian(quint32(mBits), mOut);
            mOut += 4;
            mBits >>= 32;
            mCount -= 32;
        }
    }

    // Writes the last bits; returns where the stream ends.
    uchar* finish() {
        for (; mCount > 0; mCount -= 8) {
            *mOut++ = uchar(mBits & 0xFF);
            mBits >>= 8;
        }
        mCount = 0;
        return mOut;
    }

private:
    uchar* mOut;
    quint64 mBits = 0;
    int mCount = 0;
};

// Adler-32 kept by runs: n bytes of one value move the sums without visiting each byte. The sums
// are reduced only as they near overflow: two divisions per run were a tenth of a sticker.
struct Adler {
    static constexpr quint64 Base = 65521;
    quint64 a = 1;
    quint64 b = 0;

    // With count below Base and a below 2^32, no term comes near 2^64.
    void run(quint64 value, quint64 count) {
        if (count >= Base) {
            count %= Base; // Base bytes of one value move neither sum modulo Base
        }
        b += count * a + value * (count * (count + 1) / 2);
        a += count * value;
        if (a >= (quint64(1) << 31)) {
            a %= Base;
        }
        if (b >= (quint64(1) << 62)) {
            b %= Base;
        }
    }
    quint32 sum() const { return quint32((b % Base) << 16 | (a % Base)); }
};

// Where the run of data[at] that starts at `at` ends, at most at `end`.
qsizetype runEnd(const uchar* data, qsizetype at, qsizetype end) {
    const uchar value = data[at];
    qsizetype i = at + 1;
    if (value == 0) { // paper: eight dots at a time
        while (i + 8 <= end) {
            quint64 word;
            std::memcpy(&word, data + i, 8);
            if (word != 0) {
                break;
            }
            i += 8;
        }
    }
    while (i < end && data[i] == value) {
        ++i;
    }
    return i;
}

// The zlib stream of raw: one block of fixed codes, runs of four or more as a byte and its copies.
QByteArray deflateRuns(const QByteArray& raw) {
    const Tables& codes = tables();
    const auto* data = reinterpret_cast<const uchar*>(raw.constData());
    const qsizetype size = raw.size();
    // At worst every byte is a literal of nine bits.
    QByteArray out(size + size / 8 + 16, Qt::Uninitialized);
    auto* start = reinterpret_cast<uchar*>(out.data());
    start[0] = 0x78; // deflate, 32 KB window
    start[1] = 0x01; // no dictionary, check bits
    BitWriter bits(start + 2);
    bits.put({0b011, 3}); // the last block, fixed codes
    Adler adler;
    for (qsizetype at = 0; at < size;) {
        const qsizetype end = runEnd(data, at, size);
        const uchar value = data[at];
        adler.run(value, quint64(end - at));
        bits.put(codes.literal[value]);
        qsizetype left = end - at - 1;
        if (left < 3) {
            for (; left > 0; --left) {
                bits.put(codes.literal[value]);
            }
        }
        while (left >= 3) {
            // A last piece of one or two could not be a copy: leave it three or more.
            int piece = int(std::min<qsizetype>(left, MaxMatch));
            if (left - piece > 0 && left - piece < 3) {
                piece -= 3;
            }
            bits.put(codes.copyOfLast[piece]);
            left -= piece;
        }
        at = end;
    }
    bits.put({0, 7}); // end of block: symbol 256, seven zero bits
    uchar* end = bits.finish();
    qToBigEndian(adler.sum(), end);
    out.truncate(end + 4 - start);
    return out;
}

void chunk(QByteArray& png, const char type[4], const QByteArray& data) {
    const quint32 length = qToBigEndian(quint32(data.size()));
    png.append(reinterpret_cast<const char*>(&length), 4);
    const qsizetype start = png.size();
    png.append(type, 4);
    png.append(data);
    const uLong crc = crc32(crc32(0L, Z_NULL, 0), reinterpret_cast<const Bytef*>(png.constData() + start),
                            uInt(png.size() - start));
    const quint32 crcBytes = qToBigEndian(quint32(crc));
    png.append(reinterpret_cast<const char*>(&crcBytes), 4);
}

QByteArray bigEndian(std::initializer_list<quint32> values) {
    QByteArray bytes;
    for (const quint32 value : values) {
        const quint32 big = qToBigEndian(value);
        bytes.append(reinterpret_cast<const char*>(&big), 4);
    }
    return bytes;
}

} // namespace

QByteArray oneBitPng(const QImage& bits, QString& whyNot) {
    if (bits.format() != QImage::Format_Mono || bits.isNull()) {
        whyNot = QStringLiteral("the sticker is not a one-bit image");
        return {};
    }
    const int width = bits.width();
    const int height = bits.height();
    const qsizetype rowBytes = (width + 7) / 8;

    // Each row after its filter byte, the dots beyond the width cleared. A row like the one above
    // (bars, blank paper) is written as filter 2, the difference from the row above: all zeros,
    // one run, where its bars were a run each. That halved the file and the time to pack it.
    QByteArray raw(qsizetype(height) * (rowBytes + 1), Qt::Uninitialized);
    const uchar lastMask = uchar(0xFF << ((8 - width % 8) % 8));
    const auto sameRows = [&](const uchar* one, const uchar* other) {
        return std::memcmp(one, other, size_t(rowBytes - 1)) == 0 &&
               ((one[rowBytes - 1] ^ other[rowBytes - 1]) & lastMask) == 0;
    };
    for (int y = 0; y < height; ++y) {
        char* row = raw.data() + qsizetype(y) * (rowBytes + 1);
        const uchar* dots = bits.constScanLine(y);
        if (y > 0 && sameRows(dots, bits.constScanLine(y - 1))) {
            row[0] = 2;
            std::memset(row + 1, 0, size_t(rowBytes));
            continue;
        }
        row[0] = 0;
        std::memcpy(row + 1, dots, size_t(rowBytes));
        row[rowBytes] = char(uchar(row[rowBytes]) & lastMask);
    }
    const QByteArray compressed = deflateRuns(raw);

    QByteArray png("\x89PNG\r\n\x1a\n", 8);
    png.reserve(compressed.size() + 128);
    QByteArray header = bigEndian({quint32(width), quint32(height)});
    header.append("\x01\x03\x00\x00\x00",
                  5); // one bit per dot, palette, deflate, adaptive filters, no interlace
    chunk(png, "IHDR", header);
    chunk(png, "PLTE", QByteArray("\xff\xff\xff\x00\x00\x00", 6)); // 0 paper, 1 ink
    QByteArray resolution =
        bigEndian({quint32(std::max(0, bits.dotsPerMeterX())), quint32(std::max(0, bits.dotsPerMeterY()))});
    resolution.append(char(1)); // per metre
    chunk(png, "pHYs", resolution);
    chunk(png, "IDAT", compressed);
    chunk(png, "IEND", {});
    return png;
}
