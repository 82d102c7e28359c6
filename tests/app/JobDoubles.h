#pragma once

#include "AppError.h"
#include "JobBoxes.h"
#include "Pause.h"
#include "SlpPrinterApi.h"

#include <functional>
#include <set>
#include <string>
#include <vector>

// Test doubles for running whole label jobs: stickers and pauses logged into one sequence, and
// the window's two boxes.

using Log = std::vector<std::string>;

// The desk stopped dead (kill -9, power cut): thrown through the job, which catches only errors.
struct Killed {};

// Logs each sticker a library prints as "<library> <kind> <model digits>", told apart by what is
// drawn on it, and " lost" after one that a refusing printer did not take.
class StickerLog final : public SlpPrinterApi {
public:
    StickerLog(std::string library, Log& log) : mLibrary(std::move(library)), mLog(log) {}

    std::set<std::string> refusing; // model digits of printers whose SlpEndLabel returns 0
    std::set<std::string> missing;  // model digits of printers that do not open
    std::set<std::string> failing;  // model digits whose library call fails, as a damaged library's
    // Told every text and barcode data of a sticker, in drawing order, as it ends.
    std::function<void(const std::vector<QString>&)> onEnd;
    // Stops the desk as sticker killAt (counted over both libraries through stickers) is sent:
    // before it reaches the printer, or just after.
    int killAt = 0;
    bool killAfterSending = false;
    int* stickers = nullptr;
    // The names of the stickers its printers took, shared by both libraries, which look a name up
    // in it; none: a printer that cannot tell.
    std::set<QString>* taken = nullptr;

    qint32 SlpOpenPrinter(const QString& name, qint32 labelType, bool) override {
        if (stickers && ++*stickers == killAt && !killAfterSending)
            throw Killed{};
        mName.clear();
        mPrinter = name.right(3).toStdString();
        if (failing.count(mPrinter))
            throw AppError(QStringLiteral("undefined symbol: SlpOpenPrinter"));
        if (missing.count(mPrinter))
            return 0;
        mLabelType = labelType;
        mRotation = 0;
        mQr = mTestnummer = false;
        mDrawn.clear();
        return 1;
    }
    qint32 SlpGetLabelWidth() override { return 0; }
    qint32 SlpGetLabelHeight() override { return 0; }
    bool SlpStartLabel() override { return true; }
    void SlpNameLabel(const QString& name) override { mName = name; }
    std::vector<qint32> SlpFindLabels(const QString&, const QStringList& names, const std::vector<qint64>&,
                                      qint32, QString& whyNot) override {
        std::vector<qint32> states;
        for (const QString& name : names)
            states.push_back(!taken ? SLP_JOB_UNKNOWN : taken->count(name) ? SLP_JOB_PRINTED : SLP_JOB_LOST);
        whyNot = taken ? QString() : QStringLiteral("the printer cannot tell");
        return states;
    }
    void SlpSetRotation(qint32 rotation) override { mRotation = rotation; }
    qint32 SlpCreateFont(const QString&, qint32, qint32) override { return 1; }
    void SlpDrawTextXY(qint32, qint32, qint32, const QString& text) override {
        mTestnummer = mTestnummer || text == QLatin1String("Testnummer:");
        mDrawn.push_back(text);
    }
    void SlpSetBarCodeStyle(qint32 symbology, qint32, qint32, qint32, bool, qint32, qint32,
                            const QString&) override {
        mQr = mQr || symbology == 23;
    }
    void SlpDrawBarCode(qint32, qint32, qint32, qint32, const QString& data) override {
        mDrawn.push_back(data);
    }
    void SlpDrawPicture(qint32, qint32, qint32, qint32, const QString&) override {}
    bool SlpEndLabel() override {
        const bool taken = !refusing.count(mPrinter);
        mLog.push_back(mLibrary + " " + kind() + " " + mPrinter + (taken ? "" : " lost"));
        if (taken && this->taken)
            this->taken->insert(mName);
        if (onEnd)
            onEnd(mDrawn);
        if (stickers && *stickers == killAt && killAfterSending)
            throw Killed{};
        return taken;
    }
    void SlpDeleteFont(qint32) override {}
    void SlpClosePrinter() override {}
    // A printer that is not found has no reason, so the job says nothing of it.
    QString SlpLastErrorText() override {
        return refusing.count(mPrinter) ? QString::fromStdString("printer " + mPrinter + " refused")
                                        : QString();
    }

private:
    std::string kind() const {
        if (mLabelType == 4)
            return "small";
        if (mQr)
            return "result";
        if (mRotation == 1)
            return "batch";
        return mTestnummer ? "sample" : "large";
    }

    std::string mLibrary;
    Log& mLog;
    std::string mPrinter;
    qint32 mLabelType = 0;
    qint32 mRotation = 0;
    bool mQr = false;
    bool mTestnummer = false;
    std::vector<QString> mDrawn;
    QString mName;
};

class PauseLog final : public Pause {
public:
    explicit PauseLog(Log& log) : mLog(log) {}
    void sleep(int milliseconds) override { mLog.push_back("pause " + std::to_string(milliseconds)); }

private:
    Log& mLog;
};

class Boxes final : public JobBoxes {
public:
    QString text2() const override { return mText2; }
    void setText1(const QString& text) override { mText1 = text; }
    void setText2(const QString& text) override { mText2 = text; }
    QString mText1, mText2;
};
