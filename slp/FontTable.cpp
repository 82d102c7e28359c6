#include "FontTable.h"

#include <cmath>

QFont PrinterFont::at(int dpi) const {
    QFont font(faceName);
    // Pixels are the device's dots, so a point is dpi / 72 of them.
    font.setPixelSize(std::max(1, static_cast<int>(std::lround(pointSize * dpi / 72.0))));
    font.setBold((attributes & 1) != 0);
    font.setItalic((attributes & 2) != 0);
    font.setUnderline((attributes & 4) != 0);
    font.setStrikeOut((attributes & 8) != 0);
    return font;
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
