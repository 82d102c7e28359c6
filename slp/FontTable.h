#pragma once

#include <QFont>
#include <QString>
#include <map>
#include <optional>

// A face by name at a size in points. Attributes are bits: 1 bold, 2 italic, 4 underline,
// 8 strike-out; 0 is regular. Kept in points so a sticker can be drawn at any device's resolution.
struct PrinterFont {
    QString faceName;
    int pointSize = 0;
    int attributes = 0;

    // The face on a device of that resolution, sized in its dots, drawn without grey edges.
    QFont at(int dpi) const;
};

// The fonts callers created, by handle. Handles start at 1, so 0 can mean "no font".
class FontTable {
public:
    int add(const PrinterFont& font);
    std::optional<PrinterFont> find(int handle) const;
    bool remove(int handle);

private:
    std::map<int, PrinterFont> mFonts;
    int mNextHandle = 1;
};
