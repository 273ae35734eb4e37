// Replays fuzz inputs without libFuzzer: every file named, and every file in every folder
// named, goes once through the target. The committed corpus replays this way in every build,
// so an input that once crashed a target stays a test.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {
bool replay(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "cannot read %s\n", file.c_str());
        return false;
    }
    const std::vector<char> bytes((std::istreambuf_iterator<char>(in)),
                                  std::istreambuf_iterator<char>());
    LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
    return true;
}
}  // namespace

int main(int argc, char** argv) {
    int files = 0;
    for (int k = 1; k < argc; ++k) {
        const std::filesystem::path p(argv[k]);
        std::vector<std::filesystem::path> todo;
        if (std::filesystem::is_directory(p)) {
            for (const auto& e : std::filesystem::directory_iterator(p))
                if (e.is_regular_file()) todo.push_back(e.path());
        } else {
            todo.push_back(p);
        }
        for (const auto& f : todo) {
            if (!replay(f)) return 1;
            ++files;
        }
    }
    std::printf("replayed %d inputs\n", files);
    return files > 0 ? 0 : 1;
}
