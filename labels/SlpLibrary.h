#pragma once

#include "SlpPrinterApi.h"

#include <QByteArray>
#include <QHash>
#include <QLibrary>
#include <QString>
#include <QtGlobal>
#include <memory>

// One of our printer libraries, loaded by full path at its first call. A missing library or
// function throws AppError carrying the loader's text.
class SlpLibrary final : public SlpPrinterApi {
public:
    explicit SlpLibrary(QString libraryPath);
    ~SlpLibrary() override;

    qint32 SlpOpenPrinter(const QString& printerName, qint32 labelType, bool flag) override;
    qint32 SlpGetLabelWidth() override;
    qint32 SlpGetLabelHeight() override;
    bool SlpStartLabel() override;
    void SlpSetRotation(qint32 rotation) override;
    qint32 SlpCreateFont(const QString& faceName, qint32 size, qint32 attributes) override;
    void SlpDrawTextXY(qint32 x, qint32 y, qint32 font, const QString& text) override;
    void SlpSetBarCodeStyle(qint32 symbology, qint32 ratio, qint32 mode, qint32 security, bool readable,
                            qint32 fontSize, qint32 attributes, const QString& faceName) override;
    void SlpDrawBarCode(qint32 left, qint32 top, qint32 right, qint32 bottom, const QString& data) override;
    void SlpDrawPicture(qint32 left, qint32 top, qint32 right, qint32 bottom, const QString& path) override;
    bool SlpEndLabel() override;
    void SlpDeleteFont(qint32 font) override;
    void SlpClosePrinter() override;
    QString SlpLastErrorText() override;
    qint32 SlpLastErrorCode() override;
    void SlpBeginJob(std::shared_ptr<SlpJobShare> share) override;
    qint32 SlpLastJobId() override;
    std::vector<SlpJobState> SlpJobStates(const std::vector<qint32>& jobIds,
                                          qint32 waitMilliseconds) override;
    void SlpNameLabel(const QString& labelName) override;
    std::vector<qint32> SlpFindLabels(const QString& printerName, const QStringList& labelNames,
                                      const std::vector<qint64>& notBefore, qint32 waitMilliseconds,
                                      QString& whyNot) override;
    void SlpCheckLibrary() override;

private:
    // Loads the library on first use and resolves one function by name.
    QFunctionPointer function(const char* name);
    // The same for a function the library may lack: null then, not an error.
    QFunctionPointer optionalFunction(const char* name);
    // Around each call that may ask CUPS: hands this library what the other found silent, and
    // the job's share what this one found.
    void shareSilence();

    QString mPath;
    QLibrary mLibrary;
    // Functions found, by name: the loader searched every loaded library again for each of a
    // sticker's dozen calls.
    QHash<QByteArray, QFunctionPointer> mFound;
    std::shared_ptr<SlpJobShare> mShare;
    bool mSilenceShared = false; // this library knows the job's silent server
};
