#include "FontTable.h"

#include <QHash>
#include <cmath>

namespace {

struct FontKey {
    QString faceName;
    int pixels;
    int attributes;

    bool operator==(const FontKey&) const = default;
};

size_t qHash(const FontKey& key, size_t seed = 0) {
    return qHashMulti(seed, key.faceName, key.pixels, key.attributes);
}

// Far more than the few faces and sizes the stickers use; a caller making ever new ones starts afresh.
constexpr qsizetype KeptFonts = 64;

QFont makeFont(const QString& faceName, int pixels, int attributes) {
    QFont font(faceName);
    font.setPixelSize(pixels);
    font.setBold((attributes & 1) != 0);
    font.setItalic((attributes & 2) != 0);
    font.setUnderline((attributes & 4) != 0);
    font.setStrikeOut((attributes & 8) != 0);
    // Every sticker ends as one bit per dot: grey edges on letters would only be thresholded away,
    // and blending them cost more than a third of a sticker.
    font.setStyleStrategy(QFont::NoAntialias);
    return font;
}

} // namespace

QFont PrinterFont::at(int dpi) const {
    // Pixels are the device's dots, so a point is dpi / 72 of them.
    const int pixels = std::max(1, static_cast<int>(std::lround(pointSize * dpi / 72.0)));
    // A font kept keeps what Qt looked up for it (face, glyph cache), which a new one for every
    // text of every sticker had to find again. Per thread: a QFont shares its data between copies.
    thread_local QHash<FontKey, QFont> made;
    const FontKey key{faceName, pixels, attributes & 15};
    auto found = made.constFind(key);
    if (found == made.constEnd()) {
        if (made.size() >= KeptFonts) {
            made.clear();
        }
        found = made.insert(key, makeFont(faceName, pixels, attributes));
    }
    return *found;
}

int FontTable::add(const PrinterFont& font) {
    const int handle = mNextHandle++;
    mFonts.emplace(handle, font);
    return handle;
}

std::optional<PrinterFont> FontTable::find(int handle) const {
    const auto found = mFonts.find(handle);
    if (found == mFonts.end()) {
        return std::nullopt;
    }
    return found->second;
}

bool FontTable::remove(int handle) {
    return mFonts.erase(handle) > 0;
}
