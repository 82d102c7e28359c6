#pragma once

#include "SlpApi.h"

#include <QString>
#include <cstdint>

// Why a printer call failed: its kind, as SlpGetLastErrorCode reports it so that the tool can
// word it for the operator, and the exact words for the administrator's log.
struct SlpFailure {
    int32_t code = SLP_ERROR_NONE;
    QString text;

    void set(int32_t failureCode, QString failureText) {
        code = failureCode;
        text = std::move(failureText);
    }
    void clear() { set(SLP_ERROR_NONE, {}); }
    bool isEmpty() const { return code == SLP_ERROR_NONE && text.isEmpty(); }
};
