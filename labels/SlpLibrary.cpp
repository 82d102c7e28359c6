#include "SlpLibrary.h"

#include "AppError.h"
#include "LibraryFile.h"
#include "SlpApi.h"
#include "Windows1252.h"

#include <QByteArray>
#include <QLibrary>
#include <algorithm>
#include <dlfcn.h>

namespace {

// The library's own signature of a function, taken from its C declaration.
template <typename Fn> Fn* as(QFunctionPointer function) {
    return reinterpret_cast<Fn*>(function);
}

int32_t truth(bool value) {
    return value ? -1 : 0;
}

// A text the library copies out as SlpGetLastErrorText does. One longer than a screen is cut; the
// library cuts it to the buffer.
template <typename CopyOut> QString textFrom(CopyOut copyOut) {
    const int32_t length = std::min<int32_t>(copyOut(nullptr, 0), 4096);
    if (length <= 0)
        return {};
    QByteArray text(qsizetype(length) + 1, '\0');
    copyOut(text.data(), length + 1);
    return FromWindows1252(QByteArrayView(text.constData(), qstrnlen(text.constData(), length)));
}

// Every function the tool calls; the reason and its kind are optional, as libraries from before
// they were exported have none to give.
const QList<QByteArray> CalledFunctions = {
    "SlpOpenPrinter",      "SlpGetLabelWidth", "SlpGetLabelHeight",  "SlpStartLabel",   "SlpSetRotation",
    "SlpCreateFont",       "SlpDrawTextXY",    "SlpSetBarCodeStyle", "SlpDrawBarCode",  "SlpDrawPicture",
    "SlpEndLabel",         "SlpDeleteFont",    "SlpClosePrinter",    "SlpBeginJob",     "SlpGetServerSilence",
    "SlpSetServerSilence", "SlpGetLastJobId",  "SlpGetJobStates",    "SlpGetJobReason", "SlpNameLabel",
    "SlpFindLabels",
};

} // namespace

// Only named here: the file is not touched before the first printer call.
SlpLibrary::SlpLibrary(QString libraryPath) : mPath(std::move(libraryPath)), mLibrary(mPath) {}

SlpLibrary::~SlpLibrary() = default;

QFunctionPointer SlpLibrary::function(const char* name) {
    const QFunctionPointer found = optionalFunction(name);
    if (!found) {
        // QLibrary leaves "Unknown error" for a missing symbol; the dynamic loader names it.
        const char* loaderText = dlerror();
        throw AppError(loaderText ? QString::fromLocal8Bit(loaderText) : mLibrary.errorString());
    }
    return found;
}

QFunctionPointer SlpLibrary::optionalFunction(const char* name) {
    if (const QFunctionPointer found = mFound.value(QByteArray::fromRawData(name, qstrlen(name))))
        return found;
    if (!mLibrary.isLoaded()) {
        // A damaged file would end the process with SIGBUS inside the loader; a missing one is
        // named as asked for, not as one of the loader's variants of the name.
        CheckLibrary(mPath);
        if (!mLibrary.load())
            throw AppError(mLibrary.errorString());
    }
    const QFunctionPointer found = mLibrary.resolve(name);
    if (found)
        mFound.insert(QByteArray(name), found);
    return found;
}

qint32 SlpLibrary::SlpOpenPrinter(const QString& printerName, qint32 labelType, bool flag) {
    const auto open = as<decltype(::SlpOpenPrinter)>(function("SlpOpenPrinter"));
    shareSilence();
    const qint32 opened = open(ToWindows1252(printerName).constData(), labelType, truth(flag));
    shareSilence();
    return opened;
}

qint32 SlpLibrary::SlpGetLabelWidth() {
    return as<decltype(::SlpGetLabelWidth)>(function("SlpGetLabelWidth"))();
}

qint32 SlpLibrary::SlpGetLabelHeight() {
    return as<decltype(::SlpGetLabelHeight)>(function("SlpGetLabelHeight"))();
}

bool SlpLibrary::SlpStartLabel() {
    return as<decltype(::SlpStartLabel)>(function("SlpStartLabel"))() != 0;
}

void SlpLibrary::SlpSetRotation(qint32 rotation) {
    as<decltype(::SlpSetRotation)>(function("SlpSetRotation"))(rotation);
}

qint32 SlpLibrary::SlpCreateFont(const QString& faceName, qint32 size, qint32 attributes) {
    const auto create = as<decltype(::SlpCreateFont)>(function("SlpCreateFont"));
    return create(ToWindows1252(faceName).constData(), size, attributes);
}

void SlpLibrary::SlpDrawTextXY(qint32 x, qint32 y, qint32 font, const QString& text) {
    as<decltype(::SlpDrawTextXY)>(function("SlpDrawTextXY"))(x, y, font, ToWindows1252(text).constData());
}

void SlpLibrary::SlpSetBarCodeStyle(qint32 symbology, qint32 ratio, qint32 mode, qint32 security,
                                    bool readable, qint32 fontSize, qint32 attributes,
                                    const QString& faceName) {
    const auto setStyle = as<decltype(::SlpSetBarCodeStyle)>(function("SlpSetBarCodeStyle"));
    setStyle(symbology, ratio, mode, security, truth(readable), fontSize, attributes,
             ToWindows1252(faceName).constData());
}

void SlpLibrary::SlpDrawBarCode(qint32 left, qint32 top, qint32 right, qint32 bottom, const QString& data) {
    const auto draw = as<decltype(::SlpDrawBarCode)>(function("SlpDrawBarCode"));
    draw(left, top, right, bottom, ToWindows1252(data).constData());
}

void SlpLibrary::SlpDrawPicture(qint32 left, qint32 top, qint32 right, qint32 bottom, const QString& path) {
    const auto draw = as<decltype(::SlpDrawPicture)>(function("SlpDrawPicture"));
    draw(left, top, right, bottom, ToWindows1252(path).constData());
}

bool SlpLibrary::SlpEndLabel() {
    const auto end = as<decltype(::SlpEndLabel)>(function("SlpEndLabel"));
    shareSilence();
    const bool printed = end() != 0;
    shareSilence();
    return printed;
}

void SlpLibrary::SlpDeleteFont(qint32 font) {
    as<decltype(::SlpDeleteFont)>(function("SlpDeleteFont"))(font);
}

void SlpLibrary::SlpClosePrinter() {
    as<decltype(::SlpClosePrinter)>(function("SlpClosePrinter"))();
}

QString SlpLibrary::SlpLastErrorText() {
    const auto lastError = as<decltype(::SlpGetLastErrorText)>(optionalFunction("SlpGetLastErrorText"));
    return lastError ? textFrom(lastError) : QString();
}

qint32 SlpLibrary::SlpLastErrorCode() {
    const auto lastCode = as<decltype(::SlpGetLastErrorCode)>(optionalFunction("SlpGetLastErrorCode"));
    return lastCode ? lastCode() : 0;
}

void SlpLibrary::SlpBeginJob(std::shared_ptr<SlpJobShare> share) {
    as<decltype(::SlpBeginJob)>(function("SlpBeginJob"))();
    mShare = std::move(share);
    mSilenceShared = false;
}

qint32 SlpLibrary::SlpLastJobId() {
    return as<decltype(::SlpGetLastJobId)>(function("SlpGetLastJobId"))();
}

std::vector<SlpJobState> SlpLibrary::SlpJobStates(const std::vector<qint32>& jobIds,
                                                  qint32 waitMilliseconds) {
    const auto ask = as<decltype(::SlpGetJobStates)>(function("SlpGetJobStates"));
    const auto reason = as<decltype(::SlpGetJobReason)>(function("SlpGetJobReason"));
    std::vector<int32_t> states(jobIds.size(), SLP_JOB_UNKNOWN);
    shareSilence();
    ask(jobIds.data(), int32_t(jobIds.size()), waitMilliseconds, states.data());
    std::vector<SlpJobState> fates;
    for (size_t i = 0; i < jobIds.size(); ++i) {
        const qint32 id = jobIds[i];
        fates.push_back(
            {states[i], textFrom([&](char* buffer, int32_t size) { return reason(id, buffer, size); })});
    }
    return fates;
}

void SlpLibrary::shareSilence() {
    if (!mShare || mSilenceShared)
        return;
    if (mShare->silentServer.isEmpty()) {
        mShare->silentServer = textFrom(as<decltype(::SlpGetServerSilence)>(function("SlpGetServerSilence")));
        mSilenceShared = !mShare->silentServer.isEmpty();
    } else {
        const auto tell = as<decltype(::SlpSetServerSilence)>(function("SlpSetServerSilence"));
        tell(ToWindows1252(mShare->silentServer).constData());
        mSilenceShared = true;
    }
}

void SlpLibrary::SlpNameLabel(const QString& labelName) {
    as<decltype(::SlpNameLabel)>(function("SlpNameLabel"))(ToWindows1252(labelName).constData());
}

std::vector<qint32> SlpLibrary::SlpFindLabels(const QString& printerName, const QStringList& labelNames,
                                              const std::vector<qint64>& notBefore, qint32 waitMilliseconds,
                                              QString& whyNot) {
    const auto find = as<decltype(::SlpFindLabels)>(function("SlpFindLabels"));
    std::vector<QByteArray> names;
    std::vector<const char*> pointers;
    std::vector<int64_t> times;
    for (qsizetype i = 0; i < labelNames.size(); ++i) {
        names.push_back(ToWindows1252(labelNames[i]));
        times.push_back(size_t(i) < notBefore.size() ? notBefore[size_t(i)] : 0);
    }
    for (const QByteArray& name : names)
        pointers.push_back(name.constData());
    std::vector<int32_t> states(names.size(), SLP_JOB_UNKNOWN);
    if (!names.empty())
        find(ToWindows1252(printerName).constData(), pointers.data(), times.data(), int32_t(names.size()),
             waitMilliseconds, states.data());
    whyNot = SlpLastErrorText();
    return {states.begin(), states.end()};
}

void SlpLibrary::SlpCheckLibrary() {
    CheckLibrary(mPath, CalledFunctions);
}
