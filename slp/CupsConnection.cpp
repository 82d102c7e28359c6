#include "CupsConnection.h"

#include "CupsQueue.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QThread>
#include <cerrno>
#include <cstring>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

// libcups waits in slices this long and asks stillWaiting between them; the deadline leaves room
// for the last slice within the patience.
constexpr double SliceSeconds = 0.25;
constexpr auto Slice = std::chrono::milliseconds(250);

QString errorText(int error) {
    const char* text = strerrordesc_np(error);
    return text ? QString::fromLatin1(text) : QStringLiteral("error %1").arg(error);
}

// libcups reports every failed connect as "Host is down". Asked again directly, the system says
// what it was: no socket there, the connection refused, no route. Only after a connect failed
// early, so a refused or missing server is named at once; one second at most.
QString connectFailure() {
    http_addrlist_t* addresses =
        httpAddrGetList(cupsServer(), AF_UNSPEC, QByteArray::number(ippPort()).constData());
    if (addresses == nullptr) {
        return QStringLiteral("the name %1 does not resolve").arg(QString::fromLocal8Bit(cupsServer()));
    }
    int error = EHOSTDOWN;
    for (http_addrlist_t* address = addresses; address != nullptr; address = address->next) {
        const int fd =
            ::socket(httpAddrFamily(&address->addr), SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        if (fd < 0) {
            error = errno;
            continue;
        }
        error =
            ::connect(fd, &address->addr.addr, static_cast<socklen_t>(httpAddrLength(&address->addr))) == 0
                ? 0
                : errno;
        if (error == EINPROGRESS) {
            pollfd waiting{fd, POLLOUT, 0};
            socklen_t length = sizeof error;
            error =
                ::poll(&waiting, 1, 1000) == 1 && ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) == 0
                    ? error
                    : ETIMEDOUT;
        }
        ::close(fd);
        if (error == 0) {
            break;
        }
    }
    httpAddrFreeList(addresses);
    return error == 0 ? QStringLiteral("the connection failed, then succeeded when tried again")
                      : errorText(error);
}

} // namespace

CupsConnection::CupsConnection() : CupsConnection(Patience) {}

CupsConnection::CupsConnection(std::chrono::milliseconds patience)
    : mPatience(patience),
      mDeadline(Clock::now() + std::max<std::chrono::milliseconds>(patience - Slice, Slice)) {
    const auto msec = std::chrono::duration_cast<std::chrono::milliseconds>(mDeadline - Clock::now());
    // Made without connecting (no time given), so that a failed connect leaves its own error
    // behind instead of whatever closing the socket left in errno.
    mHttp = httpConnect2(cupsServer(), ippPort(), nullptr, AF_UNSPEC, cupsEncryption(), 1, 0, nullptr);
    if (mHttp == nullptr) {
        mConnectError =
            QStringLiteral("the name %1 does not resolve").arg(QString::fromLocal8Bit(cupsServer()));
        return;
    }
    if (httpReconnect2(mHttp, static_cast<int>(std::max<long long>(1, msec.count())), nullptr) != 0) {
        httpClose(mHttp);
        mConnectError = expired() ? QString() : connectFailure();
        mHttp = nullptr;
        return;
    }
    httpSetTimeout(mHttp, SliceSeconds, &CupsConnection::stillWaiting, this);
}

CupsConnection::~CupsConnection() {
    if (mHttp != nullptr) {
        httpClose(mHttp);
    }
}

int CupsConnection::stillWaiting(http_t* /*http*/, void* self) {
    // The tool prints on its GUI thread: while CUPS keeps it waiting, the window still paints
    // itself and answers the desktop. Presses wait, and a running job drops them.
    const QCoreApplication* application = QCoreApplication::instance();
    if (application != nullptr && application->thread() == QThread::currentThread()) {
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    }
    return Clock::now() < static_cast<CupsConnection*>(self)->mDeadline ? 1 : 0;
}

QString CupsConnection::whyNot() const {
    if (expired()) {
        return QStringLiteral("no answer from %1 within %2 s")
            .arg(cupsPlace())
            .arg(double(mPatience.count()) / 1000.0);
    }
    if (mHttp == nullptr) {
        return QStringLiteral("cannot reach %1: %2").arg(cupsPlace(), mConnectError);
    }
    return QStringLiteral("%1: %2").arg(cupsPlace(), QString::fromUtf8(cupsLastErrorString()));
}

namespace {

// An answer held in memory, handed to ippReadIO piece by piece.
struct AnswerBytes {
    const QByteArray& bytes;
    qsizetype at = 0;
};

ssize_t readAnswer(void* source, ipp_uchar_t* buffer, size_t length) {
    auto* answer = static_cast<AnswerBytes*>(source);
    const qsizetype count = std::min<qsizetype>(qsizetype(length), answer->bytes.size() - answer->at);
    std::memcpy(buffer, answer->bytes.constData() + answer->at, size_t(count));
    answer->at += count;
    return count;
}

} // namespace

ipp_t* CupsConnection::ask(ipp_t* request, const char* resource) {
    // The length announced is the request's own: no document follows.
    http_status_t status = cupsSendRequest(mHttp, request, resource, ippLength(request));
    ippDelete(request);
    while (status == HTTP_STATUS_CONTINUE) {
        status = httpUpdate(mHttp);
    }
    if (status != HTTP_STATUS_OK) {
        httpFlush(mHttp);
        return nullptr;
    }
    QByteArray bytes;
    char chunk[32768];
    for (ssize_t count; (count = httpRead2(mHttp, chunk, sizeof chunk)) > 0;) {
        bytes.append(chunk, count);
    }
    AnswerBytes answer{bytes};
    ipp_t* response = ippNew();
    if (ippReadIO(&answer, readAnswer, 1, nullptr, response) != IPP_STATE_DATA) {
        ippDelete(response);
        return nullptr;
    }
    return response;
}

QString CupsConnection::refusal(ipp_t* response) {
    ipp_attribute_t* message = ippFindAttribute(response, "status-message", IPP_TAG_TEXT);
    return QStringLiteral("%1: %2").arg(
        cupsPlace(), message ? QString::fromUtf8(ippGetString(message, 0, nullptr))
                             : QString::fromUtf8(ippErrorString(ippGetStatusCode(response))));
}
