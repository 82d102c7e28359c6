#pragma once

#include <QString>
#include <optional>
#include <vector>

// A barcode encoded into modules, before it is drawn at any size.
struct BarcodeSymbol {
    enum class Kind { Code128, QrCode };

    Kind kind = Kind::Code128;
    int columns = 0;                 // modules across
    int rows = 0;                    // 1 for Code 128
    std::vector<unsigned char> dark; // rows * columns, row by row
    QString text;                    // the human-readable text

    bool isDark(int row, int column) const { return dark[static_cast<size_t>(row * columns + column)] != 0; }
    // Light modules each side, as the symbology asks for so a reader finds the symbol.
    int quietZone() const { return kind == Kind::Code128 ? 10 : 4; }
};

// Encodes with zint. security 1..4 picks the QR error correction L, M, Q, H; other values give M.
// Nothing when zint refuses the data (too long, empty); tooLong, when given, then holds zint's
// words if the data is more than the symbol can hold, and stays empty otherwise.
std::optional<BarcodeSymbol> encodeBarcode(BarcodeSymbol::Kind kind, const QString& data, int security,
                                           QString* tooLong = nullptr);
