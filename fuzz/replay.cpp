// Replays a fixed set of inputs through a fuzz target, without libFuzzer: no
// mutation, no corpus held in memory, no coverage feedback. What the process
// holds after many inputs is then the target's own (and the sanitizers'
// allocator), which separates memory a target keeps between inputs from
// memory the fuzzer keeps for its corpus.
//
//   replay_<target> [--runs N] [--every N] [--maps] file-or-folder ...
//
// The inputs are the files given and the files in the folders given, in name
// order, each passed in turn (round-robin) until N inputs have run (default:
// each once). Every `--every` inputs (default 10,000), and after the first,
// the 1,000th and the last, one line: inputs run, resident memory now and at
// its peak (VmRSS, VmHWM), and under AddressSanitizer the bytes the program
// holds allocated, the allocator's heap and its free bytes; with --maps, the
// six mappings holding the most resident memory.
#include <algorithm>
#include <cctype>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#include <sanitizer/allocator_interface.h>
#define ZELVAN_REPLAY_ASAN 1
#endif
#endif

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

// A line of /proc/self/status ("VmRSS:   1234 kB"), in kB; -1 when absent.
long statusKb(const char* key)
{
    std::ifstream status("/proc/self/status");
    std::string line;
    const size_t keyLength = std::strlen(key);
    while (std::getline(status, line)) {
        if (line.compare(0, keyLength, key) == 0 && line.size() > keyLength
            && line[keyLength] == ':')
            return std::strtol(line.c_str() + keyLength + 1, nullptr, 10);
    }
    return -1;
}

// From /proc/self/smaps: the mappings holding the most resident memory, and
// the mappings grouped by their size (how many, resident in all), the largest
// groups first: many small mappings of one size are what a run keeps making.
void printMappings(int count)
{
    struct Mapping
    {
        std::string head;
        long sizeKb = 0;
        long rssKb = 0;
    };
    std::vector<Mapping> maps;
    std::ifstream smaps("/proc/self/smaps");
    std::string line;
    while (std::getline(smaps, line)) {
        if (line.compare(0, 5, "Size:") == 0 && !maps.empty())
            maps.back().sizeKb = std::strtol(line.c_str() + 5, nullptr, 10);
        else if (line.compare(0, 4, "Rss:") == 0 && !maps.empty())
            maps.back().rssKb = std::strtol(line.c_str() + 4, nullptr, 10);
        else if (!line.empty() && std::isxdigit(static_cast<unsigned char>(line[0]))
                 && line.find(' ') != std::string::npos && line.find(':') > line.find(' '))
            maps.push_back({line, 0, 0});
    }
    std::sort(maps.begin(), maps.end(),
              [](const Mapping& a, const Mapping& b) { return a.rssKb > b.rssKb; });
    for (size_t m = 0; m < maps.size() && m < size_t(count); ++m)
        std::printf("replay:   %8ld kB  %s\n", maps[m].rssKb, maps[m].head.c_str());

    struct Group
    {
        long sizeKb = 0;
        long mappings = 0;
        long rssKb = 0;
    };
    std::vector<Group> groups;
    for (const Mapping& m : maps) {
        auto g = std::find_if(groups.begin(), groups.end(),
                              [&](const Group& x) { return x.sizeKb == m.sizeKb; });
        if (g == groups.end())
            groups.push_back({m.sizeKb, 1, m.rssKb});
        else {
            ++g->mappings;
            g->rssKb += m.rssKb;
        }
    }
    std::sort(groups.begin(), groups.end(),
              [](const Group& a, const Group& b) { return a.rssKb > b.rssKb; });
    std::printf("replay:   %zu mappings; by size:", maps.size());
    for (size_t g = 0; g < groups.size() && g < size_t(count); ++g)
        std::printf("  %ld x %ld kB = %ld kB resident", groups[g].mappings, groups[g].sizeKb,
                    groups[g].rssKb);
    std::printf("\n");
}

void report(long runs, bool mappings)
{
    std::printf("replay: %9ld inputs  rss %7ld kB (anon %7ld, file %6ld, shmem %6ld)  peak %7ld kB",
                runs, statusKb("VmRSS"), statusKb("RssAnon"), statusKb("RssFile"),
                statusKb("RssShmem"), statusKb("VmHWM"));
#ifdef ZELVAN_REPLAY_ASAN
    std::printf("  allocated %7zu kB  heap %7zu kB  free %7zu kB",
                __sanitizer_get_current_allocated_bytes() / 1024,
                __sanitizer_get_heap_size() / 1024, __sanitizer_get_free_bytes() / 1024);
#endif
    std::printf("\n");
    if (mappings)
        printMappings(6);
    std::fflush(stdout);
}

std::vector<char> readWhole(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

[[noreturn]] void usage()
{
    std::fprintf(stderr, "usage: replay [--runs N] [--every N] [--maps] file-or-folder ...\n");
    std::exit(2);
}

} // namespace

int main(int argc, char** argv)
{
    long runs = -1;
    long every = 10000;
    bool mappings = false;
    std::vector<std::filesystem::path> paths;
    for (int a = 1; a < argc; ++a) {
        const std::string arg = argv[a];
        if ((arg == "--runs" || arg == "--every") && a + 1 < argc) {
            const long value = std::strtol(argv[++a], nullptr, 10);
            if (value <= 0)
                usage();
            (arg == "--runs" ? runs : every) = value;
        } else if (arg == "--maps") {
            mappings = true;
        } else if (arg.rfind("--", 0) == 0) {
            usage();
        } else if (std::filesystem::is_directory(arg)) {
            std::vector<std::filesystem::path> files;
            for (const auto& entry : std::filesystem::directory_iterator(arg)) {
                if (entry.is_regular_file())
                    files.push_back(entry.path());
            }
            std::sort(files.begin(), files.end());
            paths.insert(paths.end(), files.begin(), files.end());
        } else {
            paths.emplace_back(arg);
        }
    }
    if (paths.empty())
        usage();
    std::vector<std::vector<char>> inputs;
    inputs.reserve(paths.size());
    for (const auto& path : paths)
        inputs.push_back(readWhole(path));
    if (runs < 0)
        runs = long(inputs.size());
    std::printf("replay: %zu inputs, %ld runs\n", inputs.size(), runs);

    for (long run = 1; run <= runs; ++run) {
        const std::vector<char>& input = inputs[size_t(run - 1) % inputs.size()];
        // A copy of its exact size, as libFuzzer passes it: a read past the
        // end is a finding here too.
        const auto copy = std::make_unique<uint8_t[]>(input.size());
        std::copy(input.begin(), input.end(), copy.get());
        LLVMFuzzerTestOneInput(copy.get(), input.size());
        if (run == 1 || run == 1000 || run % every == 0 || run == runs)
            report(run, mappings);
    }
    return 0;
}
