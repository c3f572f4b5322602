// A fuzzer's entry point run without libFuzzer, once over each of its seeds
// and of the findings that scripts/fuzz saved, so that every build compiles,
// links and runs every fuzzer:
//
//   <fuzzer>Seeds <seed folder> [<findings folder>]
//
// Every file of the seed folder is an input; of the findings folder, which
// need not exist, the crash-, leak-, timeout- and oom- files. A check that
// fails ends the process as it ends the fuzzer; a run without any input fails.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);
// Defined by the fuzzers that prepare their run once.
extern "C" __attribute__((weak)) int LLVMFuzzerInitialize(int* argc, char*** argv);

namespace
{
namespace fs = std::filesystem;

bool isFinding(const fs::path& file)
{
    const std::string name = file.filename().string();
    for (const char* prefix : {"crash-", "leak-", "timeout-", "oom-"})
        if (name.rfind(prefix, 0) == 0)
            return true;
    return false;
}

/** The files of folder (the findings only, if asked), in name order; none
    when the folder cannot be read. */
std::vector<fs::path> inputsIn(const fs::path& folder, bool findingsOnly)
{
    std::vector<fs::path> files;
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error))
        if (it->is_regular_file() && (!findingsOnly || isFinding(it->path())))
            files.push_back(it->path());
    std::sort(files.begin(), files.end());
    return files;
}

bool run(const fs::path& file)
{
    std::ifstream in(file, std::ios::binary);
    if (!in.is_open())
    {
        std::fprintf(stderr, "%s cannot be read\n", file.c_str());
        return false;
    }
    const std::vector<char> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    std::printf("%s (%zu bytes)\n", file.c_str(), bytes.size());
    std::fflush(stdout);
    LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    return true;
}
} // namespace

int main(int argc, char** argv)
{
    if (argc < 2 || argc > 3)
    {
        std::fprintf(stderr, "usage: %s <seed folder> [<findings folder>]\n", argv[0]);
        return 2;
    }
    std::vector<fs::path> inputs = inputsIn(argv[1], false);
    if (argc == 3)
    {
        const std::vector<fs::path> findings = inputsIn(argv[2], true);
        inputs.insert(inputs.end(), findings.begin(), findings.end());
    }
    if (inputs.empty())
    {
        std::fprintf(stderr, "no input in %s\n", argv[1]);
        return 1;
    }
    if (LLVMFuzzerInitialize != nullptr)
        LLVMFuzzerInitialize(&argc, &argv);
    for (const fs::path& input : inputs)
        if (!run(input))
            return 1;
    std::printf("%zu inputs\n", inputs.size());
    return 0;
}
