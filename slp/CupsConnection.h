#pragma once

#include <QString>
#include <chrono>
#include <cups/cups.h>

// A connection to the CUPS server libcups is pointed at (CUPS_SERVER, client.conf, the local
// socket) on which no connect, read or write waits past the deadline: a server that accepts and
// never answers must not hold the desk.
class CupsConnection {
public:
    // Every exchange with CUPS for one sticker or one lookup shares this much time.
    static constexpr std::chrono::seconds Patience{10};

    CupsConnection();
    // A shorter wait, for a question asked after CUPS already kept the tool waiting.
    explicit CupsConnection(std::chrono::milliseconds patience);
    ~CupsConnection();
    CupsConnection(const CupsConnection&) = delete;
    CupsConnection& operator=(const CupsConnection&) = delete;

    // Null when the server could not be reached; whyNot() says why.
    http_t* http() const { return mHttp; }
    // The deadline has passed: whatever failed, failed waiting.
    bool expired() const { return std::chrono::steady_clock::now() >= mDeadline; }
    // Why the last exchange failed: the deadline, the connection, or CUPS's own words.
    QString whyNot() const;

    // Sends request (and frees it) and returns CUPS's answer, read whole before it is parsed:
    // cupsDoRequest reads a long answer a few bytes per system call. Null when no answer came;
    // ippGetStatusCode says whether CUPS granted the request, refusal() in words.
    ipp_t* ask(ipp_t* request, const char* resource);
    // CUPS's words for a refused request, from its answer.
    static QString refusal(ipp_t* response);

private:
    static int stillWaiting(http_t* http, void* self);

    std::chrono::milliseconds mPatience;
    std::chrono::steady_clock::time_point mDeadline;
    http_t* mHttp = nullptr;
    QString mConnectError;
};
