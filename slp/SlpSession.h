#pragma once

#include "BarcodeSymbol.h"
#include "FontTable.h"
#include "LabelContent.h"
#include "LabelOutput.h"
#include "PictureCache.h"
#include "SlpFailure.h"
#include "SlpProfile.h"

#include <QByteArray>
#include <QSize>
#include <QString>
#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

// The library's state behind the C functions: one printer open, one label in progress, the
// fonts and the barcode style in force. Results are the interface's: -1 true, 0 false.
class SlpSession {
public:
    SlpSession(const SlpProfile& profile, QString applicationFolder);

    int32_t openPrinter(const QString& name, int32_t labelType);
    int32_t labelWidth() const;
    int32_t labelHeight() const;
    int32_t startLabel();
    int32_t setRotation(int32_t rotation);
    int32_t createFont(const QString& faceName, int32_t pointSize, int32_t attributes);
    int32_t drawText(int32_t x, int32_t y, int32_t font, const QString& text);
    int32_t setBarcodeStyle(int32_t symbology, int32_t security, bool readable, int32_t fontSize,
                            int32_t attributes, const QString& faceName);
    int32_t drawBarcode(const QRect& rect, const QString& data);
    int32_t drawPicture(const QRect& rect, const QString& imagePath);
    int32_t endLabel();
    int32_t deleteFont(int32_t font);
    int32_t closePrinter();
    // Why the last openPrinter or endLabel failed; empty after either succeeded.
    const SlpFailure& lastError() const { return mLastError; }
    // A new job: printers and servers are asked afresh.
    void beginJob();
    // Why CUPS did not answer during this job; empty while it has.
    QString serverSilence() const;
    // The other library found CUPS silent during this job: not waited for here either.
    void noteServerSilence(const QString& why);
    // The name the next label carries on its printer.
    int32_t nameLabel(const QByteArray& name);
    // The newest label of each name on that printer: SLP_JOB_ codes; lastError() says why a name was
    // not settled.
    std::vector<int32_t> findLabels(const QString& printerName, const std::vector<QByteArray>& names,
                                    const std::vector<int64_t>& notBefore,
                                    std::chrono::milliseconds patience);

private:
    struct BarcodeStyle {
        BarcodeSymbol::Kind kind;
        int security;
        std::optional<PrinterFont> readableFont;
    };

    const SlpProfile& mProfile;
    QString mApplicationFolder;
    std::unique_ptr<LabelOutput> mPrinter;
    QSize mLabelSize;
    int mRotation = 0;
    std::optional<LabelContent> mLabel;
    SlpFailure mLabelFailure; // why the label in progress cannot be printed as laid out
    FontTable mFonts;
    PictureCache mPictures;
    std::optional<BarcodeStyle> mBarcodeStyle;
    SlpFailure mLastError;
    QByteArray mNextName;
};
