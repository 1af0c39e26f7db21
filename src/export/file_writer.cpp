#include "export/file_writer.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>

namespace vantrel {

namespace {

std::string systemReason(int error) {
    return std::strerror(error);
}

std::string nameOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// A new temporary file beside the target, created with the permissions a new file gets (the umask
// applies); its name is unique among the program's threads and processes.
int createTemporary(const std::string& path, std::string& temporary) {
    static std::atomic<unsigned> serial{0};
    for (int attempt = 0; attempt < 100; ++attempt) {
        temporary = folderOf(path) + "/." + nameOf(path) + "." + std::to_string(getpid()) + "-" +
                    std::to_string(serial.fetch_add(1)) + ".tmp";
        const int descriptor = open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (descriptor >= 0 || errno != EEXIST) {
            return descriptor;
        }
    }
    return -1;
}

std::string writeAndClose(int descriptor, std::string_view bytes) {
    std::string reason = writeAll(descriptor, bytes);
    if (reason.empty() && fsync(descriptor) != 0 && errno != EINVAL && errno != EROFS) {
        reason = systemReason(errno);
    }
    if (close(descriptor) != 0 && reason.empty()) {
        reason = systemReason(errno);
    }
    return reason;
}

std::string writeInPlace(const std::string& path, std::string_view bytes) {
    const int descriptor = open(path.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
    if (descriptor < 0) {
        return systemReason(errno);
    }
    return writeAndClose(descriptor, bytes);
}

// Moves the finished temporary file to `path`: over an old file, or, with Keep, only where there
// is none (link fails on an existing name, so no check can race with another writer).
std::string moveInto(const std::string& temporary, const std::string& path, ExistingFile existing) {
    if (existing == ExistingFile::Replace) {
        return rename(temporary.c_str(), path.c_str()) == 0 ? std::string() : systemReason(errno);
    }
    const std::string reason = link(temporary.c_str(), path.c_str()) == 0 ? std::string() : systemReason(errno);
    unlink(temporary.c_str());
    return reason;
}

void syncFolder(const std::string& folder) {
    const int descriptor = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (descriptor >= 0) {
        fsync(descriptor);
        close(descriptor);
    }
}

} // namespace

std::string folderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string writeAll(int descriptor, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = write(descriptor, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return systemReason(errno);
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return {};
}

std::string writeFileAtomically(const std::string& path, std::string_view bytes, ExistingFile existing) {
    if (path.empty()) {
        return systemReason(ENOENT);
    }
    struct stat status {};
    const bool exists = stat(path.c_str(), &status) == 0;
    if (exists && existing == ExistingFile::Keep) {
        return systemReason(EEXIST);
    }
    if (exists && S_ISDIR(status.st_mode)) {
        return systemReason(EISDIR);
    }
    if (exists && !S_ISREG(status.st_mode)) {
        return writeInPlace(path, bytes);
    }
    std::string temporary;
    const int descriptor = createTemporary(path, temporary);
    if (descriptor < 0) {
        return systemReason(errno);
    }
    if (exists) {
        fchmod(descriptor, status.st_mode & 07777);
    }
    std::string reason = writeAndClose(descriptor, bytes);
    if (reason.empty()) {
        reason = moveInto(temporary, path, existing);
    }
    if (!reason.empty()) {
        unlink(temporary.c_str());
        return reason;
    }
    syncFolder(folderOf(path));
    return {};
}

} // namespace vantrel
