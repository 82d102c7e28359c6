#include "LibraryFile.h"

#include "AppError.h"

#include <QFile>
#include <QSet>
#include <QStringList>
#include <cerrno>
#include <cstring>
#include <elf.h>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

[[noreturn]] void refuse(const QString& path, const QString& reason) {
    throw AppError(QStringLiteral("Cannot load library %1: %2").arg(path, reason));
}

// Reads exactly size bytes at offset; false when the file holds fewer.
bool readAt(int fd, void* buffer, std::size_t size, off_t offset) {
    auto* bytes = static_cast<char*>(buffer);
    while (size > 0) {
        const ssize_t got = ::pread(fd, bytes, size, offset);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return false;
        bytes += got;
        size -= static_cast<std::size_t>(got);
        offset += got;
    }
    return true;
}

// Whether every part the loader maps lies inside the file: the program header table and the file
// contents of each loadable segment.
template <typename Header, typename ProgramHeader>
void checkMappedParts(int fd, const QString& path, quint64 fileSize) {
    Header header{};
    if (fileSize < sizeof(Header) || !readAt(fd, &header, sizeof(Header), 0))
        refuse(
            path,
            QStringLiteral("the file is damaged: %1 bytes are too short for its ELF header").arg(fileSize));
    if (header.e_phentsize != sizeof(ProgramHeader))
        return; // the loader refuses such a file itself, without mapping it
    const quint64 tableEnd = quint64(header.e_phoff) + quint64(header.e_phnum) * sizeof(ProgramHeader);
    if (tableEnd > fileSize)
        refuse(path, QStringLiteral("the file is damaged: %1 bytes, but its program headers end at byte %2")
                         .arg(fileSize)
                         .arg(tableEnd));
    for (quint64 i = 0; i < header.e_phnum; ++i) {
        ProgramHeader segment{};
        if (!readAt(fd, &segment, sizeof(segment), static_cast<off_t>(header.e_phoff + i * sizeof(segment))))
            refuse(path, QStringLiteral("the file could not be read"));
        if (segment.p_type != PT_LOAD)
            continue;
        const quint64 end = quint64(segment.p_offset) + quint64(segment.p_filesz);
        if (end < segment.p_offset || end > fileSize)
            refuse(path,
                   QStringLiteral("the file is damaged: %1 bytes, but a segment to load ends at byte %2")
                       .arg(fileSize)
                       .arg(end));
    }
}

// The names of the functions the file exports, read from its dynamic symbol table (the table the
// loader resolves from) without loading it.
template <typename Header, typename SectionHeader, typename Symbol>
QSet<QByteArray> exportedFunctions(int fd, const QString& path, quint64 fileSize) {
    Header header{};
    readAt(fd, &header, sizeof(Header), 0);
    if (header.e_shentsize != sizeof(SectionHeader) || header.e_shnum == 0 ||
        quint64(header.e_shoff) + quint64(header.e_shnum) * sizeof(SectionHeader) > fileSize)
        refuse(path, QStringLiteral("the file is damaged: it has no readable section headers"));
    std::vector<SectionHeader> sections(header.e_shnum);
    if (!readAt(fd, sections.data(), sections.size() * sizeof(SectionHeader),
                static_cast<off_t>(header.e_shoff)))
        refuse(path, QStringLiteral("the file could not be read"));
    const auto inside = [fileSize](const SectionHeader& section) {
        return quint64(section.sh_offset) + quint64(section.sh_size) <= fileSize;
    };
    QSet<QByteArray> names;
    for (const SectionHeader& table : sections) {
        if (table.sh_type != SHT_DYNSYM)
            continue;
        if (table.sh_link >= sections.size() || table.sh_entsize != sizeof(Symbol) || !inside(table) ||
            !inside(sections[table.sh_link]))
            refuse(path, QStringLiteral("the file is damaged: its dynamic symbol table lies outside it"));
        const SectionHeader& strings = sections[table.sh_link];
        QByteArray text(qsizetype(strings.sh_size), '\0');
        std::vector<Symbol> symbols(table.sh_size / sizeof(Symbol));
        if (!readAt(fd, text.data(), std::size_t(text.size()), static_cast<off_t>(strings.sh_offset)) ||
            !readAt(fd, symbols.data(), symbols.size() * sizeof(Symbol), static_cast<off_t>(table.sh_offset)))
            refuse(path, QStringLiteral("the file could not be read"));
        for (const Symbol& symbol : symbols) {
            const int binding = symbol.st_info >> 4;
            const int type = symbol.st_info & 0xf;
            if (symbol.st_shndx == SHN_UNDEF || type != STT_FUNC ||
                (binding != STB_GLOBAL && binding != STB_WEAK) || symbol.st_name >= strings.sh_size)
                continue;
            names.insert(QByteArray(text.constData() + symbol.st_name));
        }
    }
    return names;
}

class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : mFd(fd) {}
    ~FileDescriptor() { ::close(mFd); }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return mFd; }

private:
    int mFd;
};

} // namespace

namespace {

// Opens and checks the file as CheckLibraryFile does; the exported functions when it is an ELF file
// of this machine's kind, nothing when the loader is left to judge it.
std::optional<QSet<QByteArray>> checkFile(const QString& path, bool readExports) {
    // Never blocks: a FIFO in the library's place is refused, not waited on.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        refuse(path, QString::fromLocal8Bit(std::strerror(errno)));
    const FileDescriptor file(fd);
    struct stat info {};
    if (::fstat(file.get(), &info) != 0)
        refuse(path, QString::fromLocal8Bit(std::strerror(errno)));
    if (!S_ISREG(info.st_mode))
        refuse(path, QStringLiteral("not a plain file"));
    const auto fileSize = static_cast<quint64>(info.st_size);

    unsigned char ident[EI_NIDENT] = {};
    const bool hasIdent = readAt(file.get(), ident, sizeof(ident), 0);
    if (!hasIdent) {
        if (fileSize < SELFMAG || std::memcmp(ident, ELFMAG, SELFMAG) == 0)
            refuse(path, QStringLiteral("the file is damaged: %1 bytes are too short for its ELF header")
                             .arg(fileSize));
        return std::nullopt;
    }
    if (std::memcmp(ident, ELFMAG, SELFMAG) != 0)
        return std::nullopt;
#if __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
    constexpr unsigned char nativeData = ELFDATA2LSB;
#else
    constexpr unsigned char nativeData = ELFDATA2MSB;
#endif
    if (ident[EI_DATA] != nativeData)
        return std::nullopt;
    if (ident[EI_CLASS] == ELFCLASS64) {
        checkMappedParts<Elf64_Ehdr, Elf64_Phdr>(file.get(), path, fileSize);
        if (readExports)
            return exportedFunctions<Elf64_Ehdr, Elf64_Shdr, Elf64_Sym>(file.get(), path, fileSize);
    } else if (ident[EI_CLASS] == ELFCLASS32) {
        checkMappedParts<Elf32_Ehdr, Elf32_Phdr>(file.get(), path, fileSize);
        if (readExports)
            return exportedFunctions<Elf32_Ehdr, Elf32_Shdr, Elf32_Sym>(file.get(), path, fileSize);
    }
    return std::nullopt;
}

} // namespace

void CheckLibraryFile(const QString& path) {
    checkFile(path, false);
}

void CheckLibraryExports(const QString& path, const QList<QByteArray>& functions) {
    const std::optional<QSet<QByteArray>> exported = checkFile(path, true);
    if (!exported)
        refuse(path, QStringLiteral("not a shared library of this machine"));
    QStringList missing;
    for (const QByteArray& name : functions)
        if (!exported->contains(name))
            missing << QString::fromLatin1(name);
    if (!missing.isEmpty())
        refuse(path,
               QStringLiteral("the library does not export %1").arg(missing.join(QStringLiteral(", "))));
}
