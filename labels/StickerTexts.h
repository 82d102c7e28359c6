#pragma once

#include <QString>

// Texts both printer generations print. The fill-in lines are underscores, counted per sticker.
namespace StickerTexts {

inline QString fillLine(int underscores) {
    return QString(underscores, u'_');
}

inline QString sampleIdHeading() {
    return QStringLiteral("Proben ID:");
}

inline QString codeIdHeading() {
    return QStringLiteral("Testnummer:");
}

inline QString yourReference() {
    return QStringLiteral("Ihre Ref.: ") + fillLine(25);
}

// "Blühtag" with its ü, the day of flowering.
inline QString floweringAndSampleDate(int dayLine, int dateLine) {
    return QStringLiteral("Blühtag: ") + fillLine(dayLine) + QStringLiteral(" Probendatum:") +
           fillLine(dateLine);
}

inline QString designation(int underscores) {
    return QStringLiteral("Bezeichnung:   ") + fillLine(underscores);
}

inline QString furtherInfo(int underscores) {
    return QStringLiteral("Weitere Infos: ") + fillLine(underscores);
}

} // namespace StickerTexts
