#include "SlpApi.h"

#include "CupsJobs.h"
#include "LibraryFolder.h"
#include "SlpProfile.h"
#include "SlpSession.h"
#include "Windows1252.h"

#include <QHash>
#include <QRect>
#include <algorithm>
#include <cstring>
#include <initializer_list>

namespace {

SlpSession& session() {
    static SlpSession instance(currentProfile(), libraryFolder());
    return instance;
}

QString text(const char* bytes) {
    return bytes ? FromWindows1252(QByteArrayView(bytes)) : QString();
}

// Far beyond any label; refusing such coordinates keeps the rectangle arithmetic from overflowing.
constexpr int32_t CoordinateLimit = 1'000'000;

bool inRange(std::initializer_list<int32_t> coordinates) {
    for (const int32_t value : coordinates) {
        if (value <= -CoordinateLimit || value >= CoordinateLimit) {
            return false;
        }
    }
    return true;
}

QRect rectangle(int32_t left, int32_t top, int32_t right, int32_t bottom) {
    return {QPoint(left, top), QSize(right - left, bottom - top)};
}

// The text in Windows-1252, cut to fit buffer and NUL-terminated; its full length in bytes.
int32_t copyOut(const QString& text, char* buffer, int32_t size) {
    const QByteArray bytes = ToWindows1252(text);
    if (buffer != nullptr && size > 0) {
        const auto length = std::min<qsizetype>(bytes.size(), size - 1);
        std::memcpy(buffer, bytes.constData(), static_cast<size_t>(length));
        buffer[length] = '\0';
    }
    return static_cast<int32_t>(bytes.size());
}

// Why each job of the last SlpGetJobStates did not print.
QHash<int32_t, QString>& jobReasons() {
    static QHash<int32_t, QString> reasons;
    return reasons;
}

} // namespace

// The open flag changes nothing for our printers.
int32_t SlpOpenPrinter(const char* printerName, int32_t labelType, int32_t /*flag*/) {
    return session().openPrinter(text(printerName), labelType);
}

int32_t SlpGetLabelWidth() {
    return session().labelWidth();
}

int32_t SlpGetLabelHeight() {
    return session().labelHeight();
}

int32_t SlpStartLabel() {
    return session().startLabel();
}

int32_t SlpSetRotation(int32_t rotation) {
    return session().setRotation(rotation);
}

int32_t SlpCreateFont(const char* faceName, int32_t pointSize, int32_t attributes) {
    return session().createFont(text(faceName), pointSize, attributes);
}

int32_t SlpDrawTextXY(int32_t x, int32_t y, int32_t font, const char* data) {
    if (!inRange({x, y})) {
        return 0;
    }
    return session().drawText(x, y, font, text(data));
}

// ratio and mode do not apply to Code 128 and QR codes; security picks the QR error correction.
int32_t SlpSetBarCodeStyle(int32_t symbology, int32_t /*ratio*/, int32_t /*mode*/, int32_t security,
                           int32_t readable, int32_t fontSize, int32_t attributes, const char* faceName) {
    return session().setBarcodeStyle(symbology, security, readable != 0, fontSize, attributes,
                                     text(faceName));
}

int32_t SlpDrawBarCode(int32_t left, int32_t top, int32_t right, int32_t bottom, const char* data) {
    if (!inRange({left, top, right, bottom})) {
        return 0;
    }
    return session().drawBarcode(rectangle(left, top, right, bottom), text(data));
}

int32_t SlpDrawPicture(int32_t left, int32_t top, int32_t right, int32_t bottom, const char* imagePath) {
    if (!inRange({left, top, right, bottom})) {
        return 0;
    }
    return session().drawPicture(rectangle(left, top, right, bottom), text(imagePath));
}

int32_t SlpEndLabel() {
    return session().endLabel();
}

int32_t SlpDeleteFont(int32_t font) {
    return session().deleteFont(font);
}

int32_t SlpClosePrinter() {
    return session().closePrinter();
}

int32_t SlpGetLastErrorText(char* buffer, int32_t size) {
    return copyOut(session().lastError().text, buffer, size);
}

int32_t SlpGetLastErrorCode() {
    return session().lastError().code;
}

int32_t SlpBeginJob() {
    session().beginJob();
    return -1;
}

int32_t SlpGetServerSilence(char* buffer, int32_t size) {
    return copyOut(session().serverSilence(), buffer, size);
}

int32_t SlpSetServerSilence(const char* reason) {
    session().noteServerSilence(text(reason));
    return -1;
}

int32_t SlpGetLastJobId() {
    return lastCupsJob();
}

int32_t SlpGetJobStates(const int32_t* jobIds, int32_t count, int32_t waitMilliseconds, int32_t* states) {
    jobReasons().clear();
    if (jobIds == nullptr || states == nullptr || count <= 0) {
        return -1;
    }
    const std::vector<int32_t> jobs(jobIds, jobIds + count);
    const std::vector<CupsJobFate> fates =
        settleCupsJobs(jobs, std::chrono::milliseconds(std::clamp(waitMilliseconds, 0, 60'000)));
    for (size_t i = 0; i < jobs.size(); ++i) {
        states[i] = fates[i].state;
        jobReasons().insert(jobs[i], fates[i].reason);
    }
    return -1;
}

int32_t SlpGetJobReason(int32_t jobId, char* buffer, int32_t size) {
    return copyOut(jobReasons().value(jobId), buffer, size);
}

int32_t SlpNameLabel(const char* labelName) {
    return session().nameLabel(labelName ? QByteArray(labelName) : QByteArray());
}

int32_t SlpFindLabels(const char* printerName, const char* const* labelNames, const int64_t* notBefore,
                      int32_t count, int32_t waitMilliseconds, int32_t* states) {
    if (labelNames == nullptr || states == nullptr || count <= 0) {
        return -1;
    }
    std::vector<QByteArray> names;
    std::vector<int64_t> times;
    for (int32_t i = 0; i < count; ++i) {
        names.emplace_back(labelNames[i] ? labelNames[i] : "");
        times.push_back(notBefore ? notBefore[i] : 0);
    }
    const std::vector<int32_t> found = session().findLabels(
        text(printerName), names, times, std::chrono::milliseconds(std::clamp(waitMilliseconds, 0, 60'000)));
    std::copy(found.begin(), found.end(), states);
    return session().lastError().code == SLP_ERROR_JOB_UNKNOWN || session().lastError().isEmpty() ? -1 : 0;
}
