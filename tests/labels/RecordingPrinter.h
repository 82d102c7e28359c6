#pragma once

#include "SlpPrinterApi.h"

#include <QString>
#include <QStringList>
#include <string>
#include <vector>

// Records every printer call as text, "SlpDrawTextXY(20, 0, 101, Proben ID:)". Fonts get the
// handles 101, 102, ... in the order they are created.
class RecordingPrinter final : public SlpPrinterApi {
public:
    qint32 openResult = 1;
    bool startResult = true;
    bool endResult = true;
    QString lastErrorText; // what SlpLastErrorText answers; not recorded as a call

    std::vector<std::string> calls() const {
        std::vector<std::string> out;
        for (const QString& call : mCalls)
            out.push_back(call.toStdString());
        return out;
    }

    qint32 SlpOpenPrinter(const QString& printerName, qint32 labelType, bool flag) override {
        record("SlpOpenPrinter", {printerName, num(labelType), truth(flag)});
        return openResult;
    }
    qint32 SlpGetLabelWidth() override {
        record("SlpGetLabelWidth", {});
        return 1200;
    }
    qint32 SlpGetLabelHeight() override {
        record("SlpGetLabelHeight", {});
        return 600;
    }
    bool SlpStartLabel() override {
        record("SlpStartLabel", {});
        return startResult;
    }
    void SlpSetRotation(qint32 rotation) override { record("SlpSetRotation", {num(rotation)}); }
    qint32 SlpCreateFont(const QString& faceName, qint32 size, qint32 attributes) override {
        record("SlpCreateFont", {faceName, num(size), num(attributes)});
        return ++mLastFont;
    }
    void SlpDrawTextXY(qint32 x, qint32 y, qint32 font, const QString& text) override {
        record("SlpDrawTextXY", {num(x), num(y), num(font), text});
    }
    void SlpSetBarCodeStyle(qint32 symbology, qint32 ratio, qint32 mode, qint32 security, bool readable,
                            qint32 fontSize, qint32 attributes, const QString& faceName) override {
        record("SlpSetBarCodeStyle", {num(symbology), num(ratio), num(mode), num(security), truth(readable),
                                      num(fontSize), num(attributes), faceName});
    }
    void SlpDrawBarCode(qint32 left, qint32 top, qint32 right, qint32 bottom, const QString& data) override {
        record("SlpDrawBarCode", {num(left), num(top), num(right), num(bottom), data});
    }
    void SlpDrawPicture(qint32 left, qint32 top, qint32 right, qint32 bottom, const QString& path) override {
        record("SlpDrawPicture", {num(left), num(top), num(right), num(bottom), path});
    }
    bool SlpEndLabel() override {
        record("SlpEndLabel", {});
        return endResult;
    }
    void SlpDeleteFont(qint32 font) override { record("SlpDeleteFont", {num(font)}); }
    void SlpClosePrinter() override { record("SlpClosePrinter", {}); }
    QString SlpLastErrorText() override { return lastErrorText; }

private:
    static QString num(qint32 value) { return QString::number(value); }
    static QString truth(bool value) { return value ? QStringLiteral("true") : QStringLiteral("false"); }
    void record(const char* name, const QStringList& arguments) {
        mCalls << QString::fromLatin1(name) + u'(' + arguments.join(QStringLiteral(", ")) + u')';
    }

    QStringList mCalls;
    qint32 mLastFont = 100;
};
