// A stand-in printer library with only a few of the printer functions, for checking what the
// binding hands across the C boundary and how it reports a function the library lacks. Built a
// second time without SlpGetLastErrorText, as libraries from before the reason was exported.
#include <cstdint>
#include <cstring>
#include <string>

#define PROBE_EXPORT extern "C" __attribute__((visibility("default")))

namespace {
std::string gLastName;
int32_t gStartResult = -1;
// "Warteschlange für Blühtag hält", Windows-1252: one byte per umlaut.
const char kReason[] = "Warteschlange f\xFCr Bl\xFChtag h\xE4lt";
} // namespace

// Echoes its numbers so the caller can see the flag's -1/0 and the label type.
PROBE_EXPORT int32_t SlpOpenPrinter(const char* printerName, int32_t labelType, int32_t flag) {
    gLastName = printerName;
    return flag * 100 + labelType;
}

PROBE_EXPORT int32_t SlpStartLabel(void) {
    return gStartResult;
}

PROBE_EXPORT const char* ProbeLastPrinterName(void) {
    return gLastName.c_str();
}

PROBE_EXPORT void ProbeSetStartResult(int32_t result) {
    gStartResult = result;
}

PROBE_EXPORT int32_t SlpEndLabel(void) {
    return gStartResult;
}

#if !defined(PROBE_WITHOUT_REASON)
// Copies what fits, NUL-terminated, and returns the whole length, as the real libraries do.
PROBE_EXPORT int32_t SlpGetLastErrorText(char* buffer, int32_t size) {
    const auto length = static_cast<int32_t>(std::strlen(kReason));
    if (buffer && size > 0) {
        const int32_t copied = length < size - 1 ? length : size - 1;
        std::memcpy(buffer, kReason, static_cast<size_t>(copied));
        buffer[copied] = '\0';
    }
    return length;
}
#endif
