#include "StickerFolder.h"

#include <QColor>
#include <QDir>
#include <QFile>
#include <QFont>
#include <QPainter>

namespace {

bool makeLogo(const QString& path, const QColor& colour, const QString& caption) {
    QImage logo(400, 400, QImage::Format_RGB32);
    logo.fill(Qt::white);
    QPainter painter(&logo);
    painter.setBrush(colour);
    painter.setPen(Qt::NoPen);
    painter.drawEllipse(40, 20, 320, 260);
    painter.setPen(Qt::black);
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(56);
    font.setBold(true);
    painter.setFont(font);
    painter.drawText(QRect(0, 290, 400, 100), Qt::AlignCenter, caption);
    painter.end();
    return logo.save(path);
}

QString printerFolder(const QString& modelDigits) {
    return QStringLiteral("printers/Smart Label Printer ") + modelDigits;
}

} // namespace

StickerFolder::StickerFolder(const QString& builtAppFolder)
    : mPrinter7x32(QDir(mDir.path()).filePath(QStringLiteral("libSlpApi7x32.so"))),
      mPrinter62(QDir(mDir.path()).filePath(QStringLiteral("libslpapi62.so"))) {
    const QDir app(mDir.path());
    if (!mDir.isValid()) {
        mProblem = mDir.errorString();
        return;
    }
    for (const QString& library : {QStringLiteral("libSlpApi7x32.so"), QStringLiteral("libslpapi62.so")})
        if (!QFile::copy(QDir(builtAppFolder).filePath(library), app.filePath(library)))
            mProblem += QStringLiteral("cannot copy ") + library + u'\n';
    for (const QString& digits : {QStringLiteral("450"), QStringLiteral("440"), QStringLiteral("240")})
        app.mkpath(printerFolder(digits));
    mSettings.BarcodePrinter1 = QStringLiteral("SLP450");
    mSettings.BarcodePrinter2 = QStringLiteral("SLP440");
    mSettings.BarcodePrinter3 = QStringLiteral("SLP240");
    mSettings.LogoFileName1 = app.filePath(QStringLiteral("logo-nord.png"));
    mSettings.LogoFileName2 = app.filePath(QStringLiteral("logo-sued.png"));
    mSettings.TestCenterHp1 = QStringLiteral("https://nord.example/");
    mSettings.TestCenterHp2 = QStringLiteral("https://sued.example/");
    mSettings.Download1 = QStringLiteral("ergebnisse");
    mSettings.Download2 = QStringLiteral("qr/");
    if (!makeLogo(mSettings.LogoFileName1, QColor(0, 110, 60), QStringLiteral("Prüflabor Nord")) ||
        !makeLogo(mSettings.LogoFileName2, QColor(0, 70, 160), QStringLiteral("Prüflabor Süd")))
        mProblem += QStringLiteral("cannot write the logos\n");
}

QString StickerFolder::printOne(const QString& modelDigits, const std::function<void()>& print) {
    QDir folder(QDir(mDir.path()).filePath(printerFolder(modelDigits)));
    const QStringList pictures{QStringLiteral("*.png")};
    for (const QString& old : folder.entryList(pictures, QDir::Files))
        folder.remove(old);
    print();
    const QStringList written = folder.entryList(pictures, QDir::Files);
    return written.size() == 1 ? folder.filePath(written.first()) : QString();
}
