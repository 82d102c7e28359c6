#include "BenchAppFolder.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <stdexcept>

namespace {

const QString Libraries[] = {QStringLiteral("libSlpApi7x32.so"), QStringLiteral("libslpapi62.so")};
const QString PrinterDigits[] = {QStringLiteral("450"), QStringLiteral("440"), QStringLiteral("240")};

QString printerFolder(const QString& digits) {
    return QStringLiteral("printers/Smart Label Printer ") + digits;
}

void require(bool ok, const char* what) {
    if (!ok)
        throw std::runtime_error(what);
}

} // namespace

BenchAppFolder::BenchAppFolder()
    : mPrinter7x32(QDir(mDir.path()).filePath(Libraries[0])),
      mPrinter62(QDir(mDir.path()).filePath(Libraries[1])) {
    require(mDir.isValid(), "no temporary folder");
    const QDir app(mDir.path());
    for (const QString& library : Libraries)
        require(QFile::copy(QDir(QStringLiteral(VELMORA_APP_DIR)).filePath(library), app.filePath(library)),
                "cannot copy a printer library from the build's application folder");
    for (const QString& digits : PrinterDigits)
        require(app.mkpath(printerFolder(digits)), "cannot make a printer folder");

    // Logos of the size an operator would scan in.
    QImage logo(400, 400, QImage::Format_RGB32);
    logo.fill(Qt::darkGreen);
    mSettings.LogoFileName1 = app.filePath(QStringLiteral("logo1.png"));
    mSettings.LogoFileName2 = app.filePath(QStringLiteral("logo2.png"));
    require(logo.save(mSettings.LogoFileName1) && logo.save(mSettings.LogoFileName2),
            "cannot write the logos");

    mSettings.BarcodePrinter1 = QStringLiteral("Smart Label Printer 450");
    mSettings.BarcodePrinter2 = QStringLiteral("Smart Label Printer 440");
    mSettings.BarcodePrinter3 = QStringLiteral("Smart Label Printer 240");
    mSettings.TestCenterHp1 = QStringLiteral("https://nord.example/");
    mSettings.TestCenterHp2 = QStringLiteral("https://sued.example/");
    mSettings.TestCenterEmail1 = QStringLiteral("labor@nord.example");
    mSettings.TestCenterTel1 = QStringLiteral("040 123456");
    mSettings.Download1 = QStringLiteral("ergebnisse");
    mSettings.Download2 = QStringLiteral("qr/");
}

void BenchAppFolder::clearPrinters() const {
    for (const QString& digits : PrinterDigits) {
        QDir folder(QDir(mDir.path()).filePath(printerFolder(digits)));
        for (const QString& name : folder.entryList(QDir::Files))
            folder.remove(name);
    }
}
