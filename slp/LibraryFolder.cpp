#include "LibraryFolder.h"

#include <QFileInfo>
#include <dlfcn.h>

namespace {

void anchor() {}

} // namespace

// The executable and both printer libraries lie side by side in the application folder in every
// installation, so the library's own folder is the application folder; asking for the library
// rather than the executable also lets a test use a temporary application folder by copying the
// libraries there.
QString libraryFolder() {
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&anchor), &info) == 0 || info.dli_fname == nullptr) {
        return {};
    }
    return QFileInfo(QString::fromLocal8Bit(info.dli_fname)).canonicalPath();
}
