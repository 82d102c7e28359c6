#include "ServerProbe.h"

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <sql.h>
#include <sqlext.h>
#include <thread>

namespace {

// QString's UTF-16 goes to the driver as Qt's own ODBC driver hands it over.
static_assert(sizeof(SQLWCHAR) == sizeof(char16_t), "unixODBC with two-byte wide characters");

struct ProbeState {
    std::mutex mutex;
    std::condition_variable finished;
    bool done = false;
};

// One login and logout on handles of its own; nothing here touches Qt, so a worker still waiting
// inside the driver shares no lock or object with the rest of the process.
void loginOnce(const std::u16string& text, int loginTimeoutSeconds) {
    SQLHENV environment = SQL_NULL_HENV;
    if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &environment)))
        return;
    SQLSetEnvAttr(environment, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
    SQLHDBC connection = SQL_NULL_HDBC;
    if (SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_DBC, environment, &connection))) {
        SQLSetConnectAttr(connection, SQL_ATTR_LOGIN_TIMEOUT,
                          reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(loginTimeoutSeconds)), 0);
        std::u16string buffer = text;
        const SQLRETURN result =
            SQLDriverConnectW(connection, nullptr, reinterpret_cast<SQLWCHAR*>(buffer.data()), SQL_NTS,
                              nullptr, 0, nullptr, SQL_DRIVER_NOPROMPT);
        if (SQL_SUCCEEDED(result))
            SQLDisconnect(connection);
        SQLFreeHandle(SQL_HANDLE_DBC, connection);
    }
    SQLFreeHandle(SQL_HANDLE_ENV, environment);
}

} // namespace

bool ServerAnswers(const QString& odbcConnectionString, int loginTimeoutSeconds, int boundSeconds) {
    auto state = std::make_shared<ProbeState>();
    std::u16string text(reinterpret_cast<const char16_t*>(odbcConnectionString.utf16()),
                        static_cast<std::size_t>(odbcConnectionString.size()));
    std::thread([state, text = std::move(text), loginTimeoutSeconds] {
        loginOnce(text, loginTimeoutSeconds);
        const std::lock_guard lock(state->mutex);
        state->done = true;
        state->finished.notify_all();
    }).detach();

    std::unique_lock lock(state->mutex);
    return state->finished.wait_for(lock, std::chrono::seconds(boundSeconds),
                                    [&state] { return state->done; });
}
