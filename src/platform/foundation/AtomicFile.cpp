#include "platform/foundation/AtomicFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <mutex>

#include "platform/foundation/SingleInstance.h"

namespace platform {

namespace {

// Reset with the single instances, so one test's faults never reach the next.
struct FaultInjectorTag {};
using InstalledFaultInjector = ResettableValue<FaultInjectorTag, atomicfile::FaultInjector>;

int injectedFault(atomicfile::Stage stage, const std::filesystem::path& target) {
    // A copy: the injector may replace itself.
    const auto injector = InstalledFaultInjector::get();
    return injector ? injector(stage, target) : 0;
}

bool writeAll(int fd, const std::uint8_t* bytes, std::size_t size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, bytes, size);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        bytes += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

}  // namespace

void atomicfile::setFaultInjector(FaultInjector f) { InstalledFaultInjector::set(std::move(f)); }

bool writeFileAtomically(const std::filesystem::path& path, const Data& bytes, std::string* error) {
    using atomicfile::Stage;
    auto fail = [&](const std::string& what, int code) {
        if (error) *error = what + " \"" + path.string() + "\": " + std::strerror(code);
        return false;
    };

    const std::filesystem::path folder = path.has_parent_path() ? path.parent_path() : std::filesystem::path(".");
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    if (ec) return fail("cannot create the folder of", ec.value());

    std::string temporary = (folder / ("." + path.filename().string() + ".tmp-XXXXXX")).string();
    int code = injectedFault(Stage::CreateTemporary, path);
    if (code) return fail("cannot create a temporary file for", code);
    const int fd = ::mkstemp(temporary.data());
    if (fd < 0) return fail("cannot create a temporary file for", errno);

    auto abandon = [&](const std::string& what, int failure) {
        ::close(fd);
        ::unlink(temporary.c_str());
        return fail(what, failure);
    };

    code = injectedFault(Stage::Write, path);
    if (code) {
        writeAll(fd, bytes.data(), bytes.size() / 2);
        return abandon("cannot write", code);
    }
    if (!writeAll(fd, bytes.data(), bytes.size())) return abandon("cannot write", errno);

    code = injectedFault(Stage::Sync, path);
    if (code) return abandon("cannot flush", code);
    if (::fsync(fd) != 0) return abandon("cannot flush", errno);
    if (::close(fd) != 0) {
        const int failure = errno;
        ::unlink(temporary.c_str());
        return fail("cannot close", failure);
    }

    code = injectedFault(Stage::Rename, path);
    if (code == 0 && ::rename(temporary.c_str(), path.c_str()) != 0) code = errno;
    if (code) {
        ::unlink(temporary.c_str());
        return fail("cannot replace", code);
    }

    // Make the rename itself durable.
    const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return true;
}

}  // namespace platform
