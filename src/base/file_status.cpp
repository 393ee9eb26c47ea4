#include "base/file_status.h"

namespace kelpris {

std::string FileStatus::message() const {
    if (ok) {
        return {};
    }
    if (path.empty()) {
        return reason;  // the reason names the file itself
    }
    if (line > 0) {
        return path + ": line " + std::to_string(line) + ": " + reason;
    }
    return path + ": " + reason;
}

}  // namespace kelpris
