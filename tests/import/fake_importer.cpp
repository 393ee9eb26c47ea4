// Test stand-in for kelpris-import: takes the same arguments, but does what
// the first word of the file says instead of importing it.
//   model     a valid one-triangle model
//   crash     half a model, then SIGSEGV
//   hang      nothing, forever
//   late      a valid model, then hangs without exiting
//   garbage   bytes that are no stream
//   extra     a valid model followed by more bytes
//   oom       allocates until memory runs out, as the importer reports it
// While it hangs, FILE.pid holds its process id.

#include <csignal>
#include <cstring>
#include <fstream>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include <unistd.h>

#include "import/child_import.h"
#include "import/mesh_stream.h"

namespace {

using namespace kelpris::mesh;

void send(const std::vector<std::byte>& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(kStreamFd, bytes.data() + done, bytes.size() - done);
        if (n <= 0) {
            return;
        }
        done += static_cast<std::size_t>(n);
    }
}

std::vector<std::byte> triangle() {
    MeshModel model;
    model.xyz = {0, 0, 0, 2, 0, 0, 0, 2, 0};
    model.corners = {0, 1, 2, kNoCorner};
    return encodeModel(model);
}

}  // namespace

int main(int argc, char** argv) {
    const std::string file = argc > 1 ? argv[argc - 1] : "";
    std::ifstream in(file);
    std::string word;
    in >> word;
    if (word == "model") {
        send(triangle());
    } else if (word == "crash") {
        const auto bytes = triangle();
        send(std::vector<std::byte>(bytes.begin(), bytes.begin() + 40));
        std::raise(SIGSEGV);
    } else if (word == "hang" || word == "late") {
        if (word == "late") {
            send(triangle());
        }
        std::ofstream(file + ".pid") << ::getpid() << '\n';
        for (;;) {
            ::pause();
        }
    } else if (word == "garbage") {
        send(std::vector<std::byte>(100, std::byte{0x5a}));
    } else if (word == "extra") {
        auto bytes = triangle();
        bytes.push_back(std::byte{0});
        send(bytes);
    } else if (word == "oom") {
        try {
            // Address space only: the blocks are never touched.
            std::vector<std::unique_ptr<char[]>> hog;
            for (;;) {
                hog.push_back(std::make_unique_for_overwrite<char[]>(std::size_t{64} << 20));
            }
        } catch (const std::bad_alloc&) {
            send(encodeError(ChildError::outOfMemory, "out of memory"));
            return kExitOutOfMemory;
        }
    }
    return 0;
}
