#pragma once

#include "SlpTestLibraries.h"

#include <QString>
#include <ostream>
#include <string>
#include <vector>

// One call of a sticker, in the order the sticker modules make them. Texts are Windows-1252 bytes.
struct StickerStep {
    enum class Op { Font, Text, NumberBarcode, QrBarcode, Picture };
    Op op;
    int a = 0, b = 0, c = 0, d = 0; // x, y or left, top, right, bottom; a font's point size
    int font = 0;                   // index into the sticker's fonts, in creation order
    std::string text;               // text, barcode data; "<logo>" stands for the logo file
};

struct ExpectedCode {
    QString format;
    QString text;
};

// A sticker shaped like one the tool prints, and what a reader must find on it.
struct TestSticker {
    const char* name;
    Generation generation;
    int labelType;
    int rotation;
    std::vector<StickerStep> steps;
    std::vector<ExpectedCode> codes;
};

const std::vector<TestSticker>& testStickers();

// GoogleTest names a failing row by its sticker.
inline void PrintTo(const TestSticker& sticker, std::ostream* out) {
    *out << sticker.name;
}

// Runs a sticker through a library into the file printer printerName: open, start, rotation,
// steps, end, fonts released, close. false when any call reported failure.
bool printTestSticker(const TestSticker& sticker, const QString& printerName, const QString& logoPath);

// A small two-colour logo picture, written once into the test folder.
QString testLogoPath();
