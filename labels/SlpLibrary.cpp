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

} // namespace

struct SlpLibrary::Bound {
    QLibrary library;
};

SlpLibrary::SlpLibrary(QString libraryPath)
    : mPath(std::move(libraryPath)), mBound(std::make_unique<Bound>()) {
    // Only named here: the file is not touched before the first printer call.
    mBound->library.setFileName(mPath);
}

SlpLibrary::~SlpLibrary() = default;

QFunctionPointer SlpLibrary::function(const char* name) {
    const QFunctionPointer found = optionalFunction(name);
    if (!found) {
        // QLibrary leaves "Unknown error" for a missing symbol; the dynamic loader names it.
        const char* loaderText = dlerror();
        throw AppError(loaderText ? QString::fromLocal8Bit(loaderText) : mBound->library.errorString());
    }
    return found;
}

QFunctionPointer SlpLibrary::optionalFunction(const char* name) {
    QLibrary& library = mBound->library;
    if (!library.isLoaded()) {
        // A damaged file would end the process with SIGBUS inside the loader; a missing one is
        // named as asked for, not as one of the loader's variants of the name.
        CheckLibraryFile(mPath);
        if (!library.load())
            throw AppError(library.errorString());
    }
    return library.resolve(name);
}

qint32 SlpLibrary::SlpOpenPrinter(const QString& printerName, qint32 labelType, bool flag) {
    const auto open = as<decltype(::SlpOpenPrinter)>(function("SlpOpenPrinter"));
    return open(ToWindows1252(printerName).constData(), labelType, truth(flag));
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
    return as<decltype(::SlpEndLabel)>(function("SlpEndLabel"))() != 0;
}

void SlpLibrary::SlpDeleteFont(qint32 font) {
    as<decltype(::SlpDeleteFont)>(function("SlpDeleteFont"))(font);
}

void SlpLibrary::SlpClosePrinter() {
    as<decltype(::SlpClosePrinter)>(function("SlpClosePrinter"))();
}

QString SlpLibrary::SlpLastErrorText() {
    // Libraries from before the reason was exported have none to give.
    const auto lastError = as<decltype(::SlpGetLastErrorText)>(optionalFunction("SlpGetLastErrorText"));
    if (!lastError)
        return {};
    // A reason longer than a screen is cut; the library cuts it to the buffer.
    const int32_t length = std::min<int32_t>(lastError(nullptr, 0), 4096);
    if (length <= 0)
        return {};
    QByteArray reason(qsizetype(length) + 1, '\0');
    lastError(reason.data(), length + 1);
    return FromWindows1252(QByteArrayView(reason.constData(), qstrnlen(reason.constData(), length)));
}

qint32 SlpLibrary::SlpLastErrorCode() {
    const auto lastCode = as<decltype(::SlpGetLastErrorCode)>(optionalFunction("SlpGetLastErrorCode"));
    return lastCode ? lastCode() : 0;
}

void SlpLibrary::SlpBeginJob() {
    if (const auto beginJob = as<decltype(::SlpBeginJob)>(optionalFunction("SlpBeginJob")))
        beginJob();
}

void SlpLibrary::SlpCheckLibrary() {
    // Every function the stickers call; the error text and the job's start are optional.
    static const QList<QByteArray> called = {
        "SlpOpenPrinter", "SlpGetLabelWidth", "SlpGetLabelHeight",  "SlpStartLabel",  "SlpSetRotation",
        "SlpCreateFont",  "SlpDrawTextXY",    "SlpSetBarCodeStyle", "SlpDrawBarCode", "SlpDrawPicture",
        "SlpEndLabel",    "SlpDeleteFont",    "SlpClosePrinter",
    };
    CheckLibraryExports(mPath, called);
}
