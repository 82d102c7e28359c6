#include "LibraryFile.h"

#include "AppError.h"

#include <QFile>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <dlfcn.h>
#include <fcntl.h>
#include <link.h>
#include <poll.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

// Far more than loading our libraries takes; a loader that hangs must not hold start-up.
constexpr std::chrono::seconds Patience{10};

[[noreturn]] void refuse(const QString& path, const QString& reason) {
    throw AppError(QStringLiteral("Cannot load library %1: %2").arg(path, reason));
}

// The end of the furthest part of the file the loader mapped for one loaded object.
struct MappedEnd {
    ElfW(Addr) base;
    quint64 end = 0;
};

int furthestMapped(dl_phdr_info* info, size_t, void* data) {
    auto* mapped = static_cast<MappedEnd*>(data);
    if (info->dlpi_addr != mapped->base)
        return 0;
    for (ElfW(Half) i = 0; i < info->dlpi_phnum; ++i) {
        const ElfW(Phdr)& segment = info->dlpi_phdr[i];
        if (segment.p_type == PT_LOAD)
            mapped->end = std::max<quint64>(mapped->end, quint64(segment.p_offset) + segment.p_filesz);
    }
    return 1;
}

// In the child: what is wrong with the library, empty when nothing is. A file cut inside what the
// loader reads ends the child with SIGBUS before it answers.
std::string judge(const char* file, quint64 fileSize, const std::vector<std::string>& functions) {
    void* handle = ::dlopen(file, RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr)
        return ::dlerror();
    link_map* map = nullptr;
    MappedEnd mapped{0};
    if (::dlinfo(handle, RTLD_DI_LINKMAP, &map) == 0 && map != nullptr) {
        mapped.base = map->l_addr;
        ::dl_iterate_phdr(furthestMapped, &mapped);
    }
    if (mapped.end > fileSize)
        return "the file is damaged: " + std::to_string(fileSize) +
               " bytes, but the loader maps it up to byte " + std::to_string(mapped.end);
    std::string missing;
    for (const std::string& name : functions)
        if (::dlsym(handle, name.c_str()) == nullptr)
            missing += (missing.empty() ? "" : ", ") + name;
    return missing.empty() ? std::string() : "the library does not export " + missing;
}

// The child's answer, read until it closes its end; false when the time ran out first.
bool readAnswer(int fd, QByteArray& answer) {
    const auto deadline = std::chrono::steady_clock::now() + Patience;
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            return false;
        pollfd ready{fd, POLLIN, 0};
        if (::poll(&ready, 1, int(left.count())) <= 0)
            continue; // interrupted, or the time is up: the deadline decides
        char buffer[512];
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got == 0)
            return true;
        if (got > 0)
            answer.append(buffer, got);
        else if (errno != EINTR)
            return true; // what came is all that will
    }
}

// Loads the library in a child process; the child's answer, or why it gave none.
QString loadInChild(const QString& path, quint64 fileSize, const QList<QByteArray>& functions) {
    const QByteArray file = QFile::encodeName(path);
    std::vector<std::string> names;
    for (const QByteArray& name : functions)
        names.emplace_back(name.toStdString());
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) != 0)
        return QString::fromLocal8Bit(std::strerror(errno));
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(ends[0]);
        const std::string answer = judge(file.constData(), fileSize, names);
        const bool written = ::write(ends[1], answer.data(), answer.size()) == ssize_t(answer.size());
        ::_exit(written ? 0 : 1);
    }
    ::close(ends[1]);
    if (child < 0) {
        ::close(ends[0]);
        return QString::fromLocal8Bit(std::strerror(errno));
    }
    QByteArray answer;
    const bool answered = readAnswer(ends[0], answer);
    ::close(ends[0]);
    if (!answered)
        ::kill(child, SIGKILL);
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    if (!answered)
        return QStringLiteral("loading it took more than %1 s").arg(Patience.count());
    if (WIFSIGNALED(status))
        return QStringLiteral("the file is damaged: loading it ended with signal %1 (%2)")
            .arg(WTERMSIG(status))
            .arg(QString::fromLocal8Bit(::strsignal(WTERMSIG(status))));
    return QString::fromLocal8Bit(answer);
}

} // namespace

void CheckLibrary(const QString& path, const QList<QByteArray>& functions) {
    // Never opened here: a FIFO in the library's place would hold the loader for ever.
    struct stat info {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        refuse(path, QString::fromLocal8Bit(std::strerror(errno)));
    if (!S_ISREG(info.st_mode))
        refuse(path, QStringLiteral("not a plain file"));
    const QString wrong = loadInChild(path, quint64(info.st_size), functions);
    if (!wrong.isEmpty())
        refuse(path, wrong);
}
