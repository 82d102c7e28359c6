#pragma once

#include <QString>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

// A loopback listener whose connections the kernel accepts and nobody ever reads or answers: a
// database server that has stopped working but still holds its port.
class SilentServer {
public:
    SilentServer() {
        mSocket = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof(address);
        ::bind(mSocket, reinterpret_cast<sockaddr*>(&address), sizeof(address));
        ::listen(mSocket, 16);
        ::getsockname(mSocket, reinterpret_cast<sockaddr*>(&address), &length);
        mPort = ntohs(address.sin_port);
    }
    ~SilentServer() { ::close(mSocket); }
    SilentServer(const SilentServer&) = delete;
    SilentServer& operator=(const SilentServer&) = delete;

    // The SERVER setting that reaches it.
    QString server() const { return QStringLiteral("127.0.0.1,%1").arg(mPort); }

private:
    int mSocket = -1;
    int mPort = 0;
};
