#include "base/file_status.h"

namespace kelpris {

std::string FileStatus::message() const {
    if (ok) {
        return {};
    }
    if (line > 0) {
        return path + ": line " + std::to_string(line) + ": " + reason;
    }
    return path + ": " + reason;
}

}  // namespace kelpris
