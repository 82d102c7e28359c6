// Prepares a demo application folder: settings naming file printers, the printer folders, two
// test-centre logos and a few customers in the embedded database. Leaves existing files alone.

#include "AppError.h"
#include "AppSettings.h"
#include "DbCommand.h"
#include "DbConnection.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <cstdio>

namespace {

const char* const DemoSettings = R"(; Velmora Barcode Tool - demo settings
[Datenbank]
; empty SERVER: the embedded database VO_Vudu.sqlite beside the program
SERVER=
DATABASE=
SQLSVR=
[Drucker]
; file printers: the stickers appear as PNG files in printers/<name>/
BARCODEPRINTER1=Smart Label Printer 450
BARCODEPRINTER2=Smart Label Printer 440
BARCODEPRINTER3=Smart Label Printer 240
[Testzentren]
LOGOFILENAME1=logo-testzentrum1.png
LOGOFILENAME2=logo-testzentrum2.png
TESTCENTERHP1=https://www.zadad-labor.de/
TESTCENTERHP2=https://www.zul-analytik.de/
TESTCENTEREMAIL1=ergebnisse@zadad-labor.de
TESTCENTEREMAIL2=ergebnisse@zul-analytik.de
TESTCENTERTEL1=+49 30 1234567
TESTCENTERTEL2=+49 89 7654321
DOWNLOAD1=ergebnisse
DOWNLOAD2=ergebnis/
)";

const char* const PrinterNames[] = {"Smart Label Printer 450", "Smart Label Printer 440",
                                    "Smart Label Printer 240"};

struct Customer {
    const char* id;
    const char* name;
};
const Customer Customers[] = {
    {"701", "Gärtnerei Sonnenhof"},     {"703", "Hanfkontor Weser GmbH"}, {"705", "Grünwerk Agrar KG"},
    {"707", "Baumschule Lindenhain"},   {"401", "Apotheke am Markt"},     {"403", "Kräuterhof Rhön"},
    {"405", "Feldlabor Nord e.V."},     {"407", "Bioland Hof Ehrenberg"},
};

void writeIfMissing(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    if (file.exists())
        return;
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        throw AppError(path + QStringLiteral(": ") + file.errorString());
}

void drawLogo(const QString& path, const QColor& colour, const QString& line1, const QString& line2) {
    if (QFile::exists(path))
        return;
    QImage logo(560, 560, QImage::Format_RGB32);
    logo.fill(Qt::white);
    QPainter painter(&logo);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(colour, 24));
    painter.setBrush(Qt::NoBrush);
    painter.drawEllipse(QRect(100, 40, 360, 360));
    painter.setPen(Qt::NoPen);
    painter.setBrush(colour);
    painter.drawRect(QRect(200, 150, 160, 140));
    painter.setPen(colour);
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(64);
    font.setBold(true);
    painter.setFont(font);
    painter.drawText(QRect(0, 410, 560, 70), Qt::AlignCenter, line1);
    font.setPixelSize(44);
    font.setBold(false);
    painter.setFont(font);
    painter.drawText(QRect(0, 480, 560, 60), Qt::AlignCenter, line2);
    painter.end();
    if (!logo.save(path))
        throw AppError(path + QStringLiteral(": cannot be written"));
}

void addCustomers(const QString& folder) {
    AppSettings settings; // empty SERVER and DATABASE: the embedded file VO_Vudu.sqlite
    DbConnection db;
    OpenConnection(db, settings, folder);
    for (const Customer& customer : Customers)
        ExecuteCommand(db,
                       QStringLiteral("INSERT INTO customer (CUST_ID, cust_name) SELECT ?, ? "
                                      "WHERE NOT EXISTS (SELECT 1 FROM customer WHERE CUST_ID = ?)"),
                       {QString::fromLatin1(customer.id), QString::fromUtf8(customer.name),
                        QString::fromLatin1(customer.id)});
    CloseConnection(db);
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <application folder>\n", argv[0]);
        return 2;
    }
    const QString folder = QDir(QString::fromLocal8Bit(argv[1])).absolutePath();
    try {
        QDir().mkpath(folder);
        // The settings file is Windows-1252 text; the demo settings are plain ASCII.
        writeIfMissing(folder + QStringLiteral("/VO_Vudu.ini"), QByteArray(DemoSettings));
        for (const char* name : PrinterNames)
            QDir().mkpath(folder + QStringLiteral("/printers/") + QString::fromLatin1(name));
        drawLogo(folder + QStringLiteral("/logo-testzentrum1.png"), QColor(0, 140, 60), QStringLiteral("ZADAD"),
                 QStringLiteral("Labor"));
        drawLogo(folder + QStringLiteral("/logo-testzentrum2.png"), QColor(200, 30, 40), QStringLiteral("ZUL"),
                 QStringLiteral("Analytik"));
        addCustomers(folder);
    } catch (const AppError& error) {
        std::fprintf(stderr, "%s\n", qPrintable(error.description()));
        return 1;
    }
    std::printf("Demo application folder ready: %s\n", qPrintable(folder));
    return 0;
}
