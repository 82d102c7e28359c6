#pragma once

#include <QString>

// The settings of VO_Vudu.ini plus the version text and the settings path. Filled once during
// start-up, read-only afterwards. A field whose key is missing stays empty.
struct AppSettings {
    QString VersionText;
    QString SettingsFilePath;
    QString Server;          // SERVER
    QString Database;        // DATABASE
    QString SqlSvr;          // SQLSVR: login variant
    QString ImportPath;      // IMPORTPATH, always ending in "\" once set
    QString BarcodePrinter;  // BARCODEPRINTER, slot 0, unused by printing
    QString BarcodePrinter1; // BARCODEPRINTER1: sample and large labels; chooses the generation
    QString BarcodePrinter2; // BARCODEPRINTER2: result stickers
    QString BarcodePrinter3; // BARCODEPRINTER3: small barcode stickers
    QString LogoFileName1;   // LOGOFILENAME1, a full path after start-up
    QString LogoFileName2;   // LOGOFILENAME2, a full path after start-up
    QString TestCenterHp1;
    QString TestCenterHp2;
    QString TestCenterEmail1;
    QString TestCenterEmail2;
    QString TestCenterTel1;
    QString TestCenterTel2;
    QString Download1;
    QString Download2;
    QString OdbcDriver; // ODBCDRIVER: the ODBC driver for a named server; empty means FreeTDS
};
