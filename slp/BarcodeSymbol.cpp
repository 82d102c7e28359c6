#include "BarcodeSymbol.h"

#include <QByteArray>
#include <memory>
#include <zint.h>

namespace {

struct ZintDeleter {
    void operator()(zint_symbol* symbol) const { ZBarcode_Delete(symbol); }
};

// zint packs each row's modules into bits, lowest bit first.
bool moduleIsSet(const zint_symbol& symbol, int row, int column) {
    return ((symbol.encoded_data[row][column >> 3] >> (column & 7)) & 1) != 0;
}

int qrErrorCorrection(int security) {
    return security >= 1 && security <= 4 ? security : 2;
}

} // namespace

std::optional<BarcodeSymbol> encodeBarcode(BarcodeSymbol::Kind kind, const QString& data, int security,
                                           QString* tooLong) {
    std::unique_ptr<zint_symbol, ZintDeleter> symbol(ZBarcode_Create());
    if (!symbol) {
        return std::nullopt;
    }
    const bool qr = kind == BarcodeSymbol::Kind::QrCode;
    symbol->symbology = qr ? BARCODE_QRCODE : BARCODE_CODE128;
    symbol->input_mode = UNICODE_MODE;
    if (qr) {
        symbol->option_1 = qrErrorCorrection(security);
    }
    const QByteArray utf8 = data.toUtf8();
    const int status = ZBarcode_Encode(symbol.get(), reinterpret_cast<const unsigned char*>(utf8.constData()),
                                       static_cast<int>(utf8.size()));
    if (status >= ZINT_ERROR || symbol->width <= 0 || symbol->rows <= 0) {
        if (tooLong && status == ZINT_ERROR_TOO_LONG) {
            *tooLong = QString::fromLatin1(symbol->errtxt);
        }
        return std::nullopt;
    }

    BarcodeSymbol result;
    result.kind = kind;
    result.columns = symbol->width;
    result.rows = qr ? symbol->rows : 1;
    result.text = data;
    result.dark.reserve(static_cast<size_t>(result.rows * result.columns));
    for (int row = 0; row < result.rows; ++row) {
        for (int column = 0; column < result.columns; ++column) {
            result.dark.push_back(moduleIsSet(*symbol, row, column) ? 1 : 0);
        }
    }
    return result;
}
