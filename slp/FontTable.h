#pragma once

#include <QFont>
#include <QString>
#include <map>
#include <optional>

// A face by name at a size in points on a printer of the given resolution. Attributes are bits:
// 1 bold, 2 italic, 4 underline, 8 strike-out; 0 is regular.
QFont printerFont(const QString& faceName, int pointSize, int attributes, int dpi);

// The fonts callers created, by handle. Handles start at 1, so 0 can mean "no font".
class FontTable {
public:
    int add(const QFont& font);
    std::optional<QFont> find(int handle) const;
    bool remove(int handle);

private:
    std::map<int, QFont> mFonts;
    int mNextHandle = 1;
};
