#include "TestStickers.h"

#include <QDir>
#include <QPainter>

namespace {

using Op = StickerStep::Op;

constexpr const char* SampleId = "70100001";
constexpr const char* CodeId = "A1B2C3D4";
constexpr const char* QrText = "https://www.example-lab.de/ergebnis/A1B2C3D4?source=qa";
constexpr const char* HomePageLine = "https://www.example-lab.de/ergebnis/";

StickerStep font(int points) {
    return {Op::Font, points, 0, 0, 0, 0, {}};
}
StickerStep text(int x, int y, int fontIndex, std::string content) {
    return {Op::Text, x, y, 0, 0, fontIndex, std::move(content)};
}
StickerStep number(int left, int top, int right, int bottom, std::string data) {
    return {Op::NumberBarcode, left, top, right, bottom, 0, std::move(data)};
}
StickerStep qr(int left, int top, int right, int bottom, std::string data) {
    return {Op::QrBarcode, left, top, right, bottom, 0, std::move(data)};
}
StickerStep picture(int left, int top, int right, int bottom) {
    return {Op::Picture, left, top, right, bottom, 0, "<logo>"};
}

std::string underscores(int count) {
    return std::string(static_cast<size_t>(count), '_');
}

// The sample sticker, the large label, the small barcode and the result stickers of both
// generations at their real positions, in 12 pt where the tool uses 12 pt. "\xfc" is "ü".
std::vector<TestSticker> makeStickers() {
    const ExpectedCode sample{"Code128", SampleId};
    const ExpectedCode code{"Code128", CodeId};
    const ExpectedCode qrCode{"QRCode", QrText};
    return {
        {"SampleLabel300",
         Generation::Slp7x32,
         2,
         0,
         {font(10), text(20, 0, 0, "Proben ID:"), text(20, 250, 0, "Testnummer:"),
          number(0, 50, 300, 220, SampleId), number(0, 290, 310, 480, CodeId), font(12),
          text(320, 50, 1, "Ihre Ref.: " + underscores(25)),
          text(320, 170, 1, "Bl\xfchtag: " + underscores(4) + " Probendatum:" + underscores(11)),
          text(320, 290, 1, "Bezeichnung:   " + underscores(21)),
          text(320, 410, 1, "Weitere Infos: " + underscores(22)), text(320, 500, 1, underscores(34))},
         {sample, code}},
        {"LargeLabel300",
         Generation::Slp7x32,
         2,
         0,
         {font(10), text(20, 0, 0, "Proben ID:"), number(0, 50, 300, 220, SampleId), font(12),
          text(320, 50, 1, "Ihre Ref.: " + underscores(25)),
          text(320, 170, 1, "Bl\xfchtag: " + underscores(4) + " Probendatum:" + underscores(11)),
          text(0, 290, 1, "Bezeichnung:   " + underscores(40)),
          text(0, 410, 1, "Weitere Infos: " + underscores(40)), text(0, 500, 1, underscores(55))},
         {sample}},
        {"SmallBarcode300", Generation::Slp7x32, 4, 1, {number(50, 40, 210, 250, SampleId)}, {sample}},
        {"ResultLabel300",
         Generation::Slp7x32,
         2,
         0,
         {picture(0, 0, 250, 280), font(12), text(0, 290, 0, "Rufen Sie die Ergebnisse der Probe:"),
          text(0, 350, 0, std::string(SampleId) + " mit diesem QR-Code, oder unter"),
          text(0, 410, 0, HomePageLine), text(0, 460, 0, "unter Angabe dieser Testnummer, ab:"), font(13),
          text(180, 520, 1, CodeId), qr(650, 0, 950, 300, QrText)},
         {qrCode}},
        {"QrTurned300", Generation::Slp7x32, 2, 1, {qr(650, 0, 950, 300, QrText)}, {qrCode}},
        {"SampleLabel203",
         Generation::Slp62,
         2,
         0,
         {font(10), text(0, 0, 0, "Proben ID:"), number(0, 30, 300, 200, SampleId),
          text(0, 190, 0, "Testnummer:"), number(0, 215, 300, 380, CodeId), font(12),
          text(250, 40, 1, "Ihre Ref.: " + underscores(25)),
          text(250, 100, 1, "Bl\xfchtag: " + underscores(5) + " Probendatum:" + underscores(10)),
          text(250, 200, 1, "Bezeichnung:   " + underscores(25)),
          text(250, 260, 1, "Weitere Infos: " + underscores(25)), text(250, 320, 1, underscores(40))},
         {sample, code}},
        {"LargeLabel203",
         Generation::Slp62,
         2,
         0,
         {font(10), text(20, 0, 0, "Proben ID:"), number(0, 30, 210, 180, SampleId), font(12),
          text(215, 40, 1, "Ihre Ref.: " + underscores(25)),
          text(215, 100, 1, "Bl\xfchtag: " + underscores(5) + " Probendatum:" + underscores(10)),
          text(0, 200, 1, "Bezeichnung:   " + underscores(40)),
          text(0, 260, 1, "Weitere Infos: " + underscores(40)), text(0, 320, 1, underscores(55))},
         {sample}},
        {"SmallBarcode203", Generation::Slp62, 4, 1, {number(34, 1, 142, 203, SampleId)}, {sample}},
        {"BatchResultLabel203",
         Generation::Slp62,
         2,
         1,
         {picture(0, 330, 280, 560), font(11), text(310, 60, 0, "Rufen Sie die Ergebnisse"),
          text(370, 135, 0, "Ihrer Proben auf:"), text(430, 0, 0, HomePageLine),
          text(490, 100, 0, "unter Eingabe dieser"), text(560, 130, 0, "Testnummern ab:"), font(13),
          text(620, 300, 1, "Proben ID -"), text(620, 25, 1, " Testnummer"), text(690, 300, 1, "70100001 -"),
          text(690, 40, 1, "A1B2C3D4"), text(760, 300, 1, "70100002 -"), text(760, 40, 1, "0F1E2D3C"),
          text(830, 300, 1, "70100003 -"), text(830, 40, 1, "9A8B7C6D"), text(900, 300, 1, "70100004 -"),
          text(900, 40, 1, "55AA55AA")},
         {}},
        {"QrTurned203", Generation::Slp62, 2, 1, {qr(650, 0, 950, 300, QrText)}, {qrCode}},
    };
}

} // namespace

const std::vector<TestSticker>& testStickers() {
    static const std::vector<TestSticker> stickers = makeStickers();
    return stickers;
}

bool printTestSticker(const TestSticker& sticker, const QString& printerName, const QString& logoPath) {
    const SlpFunctions& slp = SlpTestFolder::instance().library(sticker.generation);
    const QByteArray name = printerName.toLocal8Bit();
    const QByteArray logo = logoPath.toLocal8Bit();
    if (slp.openPrinter(name.constData(), sticker.labelType, -1) == 0) {
        return false;
    }
    bool ok = slp.getLabelWidth() > 0 && slp.getLabelHeight() > 0 && slp.startLabel() == -1 &&
              slp.setRotation(sticker.rotation) == -1;
    std::vector<int> fonts;
    for (const StickerStep& step : sticker.steps) {
        switch (step.op) {
        case Op::Font:
            fonts.push_back(slp.createFont("Arial", step.a, 0));
            ok = ok && fonts.back() != 0;
            break;
        case Op::Text:
            ok = ok && slp.drawTextXY(step.a, step.b, fonts.at(static_cast<size_t>(step.font)),
                                      step.text.c_str()) == -1;
            break;
        case Op::NumberBarcode:
            ok = ok && slp.setBarCodeStyle(4, 30, 0, 0, -1, 8, 0, "Arial") == -1 &&
                 slp.drawBarCode(step.a, step.b, step.c, step.d, step.text.c_str()) == -1;
            break;
        case Op::QrBarcode:
            ok = ok && slp.setBarCodeStyle(23, 0, 0, 0, 0, 0, 0, "False") == -1 &&
                 slp.drawBarCode(step.a, step.b, step.c, step.d, step.text.c_str()) == -1;
            break;
        case Op::Picture:
            ok = ok && slp.drawPicture(step.a, step.b, step.c, step.d, logo.constData()) == -1;
            break;
        }
    }
    ok = ok && slp.endLabel() == -1;
    for (int handle : fonts) {
        ok = ok && slp.deleteFont(handle) == -1;
    }
    return slp.closePrinter() == -1 && ok;
}

QString testLogoPath() {
    static const QString path = [] {
        QImage logo(240, 280, QImage::Format_RGB32);
        logo.fill(Qt::white);
        QPainter painter(&logo);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setBrush(QColor(0, 90, 160));
        painter.setPen(Qt::NoPen);
        painter.drawEllipse(QRect(20, 10, 200, 200));
        painter.setPen(Qt::black);
        QFont font(QStringLiteral("Arial"));
        font.setPixelSize(44);
        font.setBold(true);
        painter.setFont(font);
        painter.drawText(QRect(0, 215, 240, 60), Qt::AlignCenter, QStringLiteral("LABOR"));
        painter.end();
        const QString file =
            QDir(SlpTestFolder::instance().applicationFolder()).filePath(QStringLiteral("logo.png"));
        logo.save(file);
        return file;
    }();
    return path;
}
