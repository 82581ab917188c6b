#include "platform/shared_memory.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace keltrix::platform {

TResult TSharedMemoryView::Open(const std::string& name) {
    Close();
    const std::string path = "/" + name;
    const int fd = shm_open(path.c_str(), O_RDONLY | O_CLOEXEC, 0);
    if (fd < 0) {
        const int error = errno;
        return TResult::Failure(error == ENOENT ? ERROR_FILE_NOT_FOUND : ERROR_ACCESS_DENIED,
                                "cannot open shared memory " + path + ": " + std::strerror(error));
    }
    struct stat st {};
    if (fstat(fd, &st) != 0 || st.st_size <= 0) {
        close(fd);
        return TResult::Failure(ERROR_INVALID_DATA, "shared memory " + path + " is empty");
    }
    const auto size = static_cast<std::size_t>(st.st_size);
    void* data = mmap(nullptr, size, PROT_READ, MAP_SHARED, fd, 0);
    const int error = errno;
    close(fd); // the mapping keeps the area
    if (data == MAP_FAILED)
        return TResult::Failure(ERROR_ACCESS_DENIED,
                                "cannot map shared memory " + path + ": " + std::strerror(error));
    Data_ = static_cast<const std::uint8_t*>(data);
    Size_ = size;
    return TResult::Success();
}

void TSharedMemoryView::Close() {
    if (Data_) munmap(const_cast<std::uint8_t*>(Data_), Size_);
    Data_ = nullptr;
    Size_ = 0;
}

} // namespace keltrix::platform
