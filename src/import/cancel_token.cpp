#include "import/cancel_token.h"

#include <fcntl.h>
#include <unistd.h>

namespace kelpris::mesh {

CancelToken::CancelToken() {
    if (::pipe2(fds_, O_CLOEXEC | O_NONBLOCK) != 0) {
        fds_[0] = fds_[1] = -1;  // cancelled() still works, only later
    }
}

CancelToken::~CancelToken() {
    for (int fd : fds_) {
        if (fd >= 0) {
            ::close(fd);
        }
    }
}

void CancelToken::cancel() noexcept {
    cancelled_.store(true);
    if (fds_[1] >= 0) {
        const char byte = 1;
        [[maybe_unused]] const ssize_t ignored = ::write(fds_[1], &byte, 1);
    }
}

}  // namespace kelpris::mesh
