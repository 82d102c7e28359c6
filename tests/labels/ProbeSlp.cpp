// A stand-in printer library with only two of the printer functions, for checking what the
// binding hands across the C boundary and how it reports a function the library lacks.
#include <cstdint>
#include <string>

#define PROBE_EXPORT extern "C" __attribute__((visibility("default")))

namespace {
std::string gLastName;
int32_t gStartResult = -1;
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
