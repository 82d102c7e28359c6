#include "CupsConnection.h"

#include <QCoreApplication>
#include <QThread>
#include <cerrno>
#include <cstring>

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

} // namespace

CupsConnection::CupsConnection() : mDeadline(Clock::now() + Patience - Slice) {
    const auto msec = std::chrono::duration_cast<std::chrono::milliseconds>(mDeadline - Clock::now());
    errno = 0;
    mHttp = httpConnect2(cupsServer(), ippPort(), nullptr, AF_UNSPEC, cupsEncryption(), 1,
                         static_cast<int>(std::max<long long>(1, msec.count())), nullptr);
    if (mHttp == nullptr) {
        mConnectError = errno != 0 ? errno : ECONNREFUSED;
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
        return QStringLiteral("no answer from CUPS within %1 s").arg(Patience.count());
    }
    if (mHttp == nullptr) {
        return QStringLiteral("cannot reach CUPS at %1: %2")
            .arg(QString::fromLocal8Bit(cupsServer()), errorText(mConnectError));
    }
    return QString::fromUtf8(cupsLastErrorString());
}
