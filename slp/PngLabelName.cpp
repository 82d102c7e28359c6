#include "PngLabelName.h"

#include <QFile>
#include <QtEndian>
#include <array>

namespace {

const QByteArray Signature("\x89PNG\r\n\x1a\n", 8);
const QByteArray Keyword("Label");
constexpr qsizetype HeaderEnd = 8 + 4 + 4 + 13 + 4; // signature and IHDR, always first
constexpr int ChunksRead = 8;                       // before the image data, ours comes first
constexpr quint32 LongestText = 1024;

quint32 crc32(const QByteArray& bytes) {
    static const std::array<quint32, 256> table = [] {
        std::array<quint32, 256> t{};
        for (quint32 n = 0; n < 256; ++n) {
            quint32 c = n;
            for (int k = 0; k < 8; ++k)
                c = (c & 1) ? 0xedb88320u ^ (c >> 1) : c >> 1;
            t[n] = c;
        }
        return t;
    }();
    quint32 c = 0xffffffffu;
    for (const char byte : bytes)
        c = table[(c ^ quint8(byte)) & 0xff] ^ (c >> 8);
    return c ^ 0xffffffffu;
}

QByteArray bigEndian(quint32 value) {
    QByteArray bytes(4, '\0');
    qToBigEndian(value, bytes.data());
    return bytes;
}

} // namespace

QByteArray withLabelName(const QByteArray& png, const QByteArray& name) {
    if (name.isEmpty() || !png.startsWith(Signature) || png.size() < HeaderEnd)
        return png;
    const QByteArray typeAndData = "tEXt" + Keyword + '\0' + name;
    QByteArray out = png.left(HeaderEnd);
    out += bigEndian(quint32(typeAndData.size() - 4)) + typeAndData + bigEndian(crc32(typeAndData));
    out += png.mid(HeaderEnd);
    return out;
}

std::optional<QByteArray> labelNameOf(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.read(8) != Signature)
        return std::nullopt;
    for (int chunk = 0; chunk < ChunksRead; ++chunk) {
        const QByteArray head = file.read(8);
        if (head.size() != 8)
            return std::nullopt;
        const quint32 length = qFromBigEndian<quint32>(head.constData());
        const QByteArray type = head.mid(4);
        if (type == "IDAT" || type == "IEND")
            break;
        if (type == "tEXt" && length <= LongestText) {
            const QByteArray text = file.read(length);
            if (text.size() != qsizetype(length))
                return std::nullopt;
            if (text.startsWith(Keyword + '\0'))
                return text.mid(Keyword.size() + 1);
            file.skip(4);
        } else if (!file.seek(file.pos() + qint64(length) + 4)) {
            return std::nullopt;
        }
    }
    return QByteArray();
}
