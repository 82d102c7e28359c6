#pragma once

#include "SlpApi.h"

#include <QImage>
#include <QString>
#include <QStringList>

// The C functions of one printer library, resolved by name as the tool resolves them.
struct SlpFunctions {
    decltype(&SlpOpenPrinter) openPrinter = nullptr;
    decltype(&SlpGetLabelWidth) getLabelWidth = nullptr;
    decltype(&SlpGetLabelHeight) getLabelHeight = nullptr;
    decltype(&SlpStartLabel) startLabel = nullptr;
    decltype(&SlpSetRotation) setRotation = nullptr;
    decltype(&SlpCreateFont) createFont = nullptr;
    decltype(&SlpDrawTextXY) drawTextXY = nullptr;
    decltype(&SlpSetBarCodeStyle) setBarCodeStyle = nullptr;
    decltype(&SlpDrawBarCode) drawBarCode = nullptr;
    decltype(&SlpDrawPicture) drawPicture = nullptr;
    decltype(&SlpEndLabel) endLabel = nullptr;
    decltype(&SlpDeleteFont) deleteFont = nullptr;
    decltype(&SlpClosePrinter) closePrinter = nullptr;
    decltype(&SlpGetLastErrorText) getLastErrorText = nullptr;
    decltype(&SlpGetLastErrorCode) getLastErrorCode = nullptr;
    decltype(&SlpNameLabel) nameLabel = nullptr;
    decltype(&SlpFindLabels) findLabels = nullptr;
};

enum class Generation { Slp7x32, Slp62 };

// A temporary application folder holding copies of both built libraries, loaded from there by
// full path, so their printers/ folders are the test's own. Shared by every test of the run.
class SlpTestFolder {
public:
    static SlpTestFolder& instance();

    const SlpFunctions& library(Generation generation) const;
    QString libraryPath(Generation generation) const;
    int dpi(Generation generation) const { return generation == Generation::Slp7x32 ? 300 : 203; }
    QString applicationFolder() const { return mFolder; }

    // A fresh, empty file printer of that name; returns its folder.
    QString addFilePrinter(const QString& name) const;
    // The PNG files in a printer folder, sorted.
    static QStringList stickerFiles(const QString& printerFolder);
    // The one sticker the last label added to the folder.
    static QImage lastSticker(const QString& printerFolder);

private:
    SlpTestFolder();
    QString mFolder;
    SlpFunctions m7x32;
    SlpFunctions m62;
};
