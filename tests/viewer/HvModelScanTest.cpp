// Every build of the byte-scanning primitives (the portable one, and AVX2 where the processor has it)
// against a byte-by-byte reference, with line ends at every alignment and at both edges of a page that
// lies between two pages no code may touch.
#include "core/viewer/HvModelScan.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <sys/mman.h>
#include <unistd.h>
#include <vector>

namespace hy::viewer::scan {
namespace {

    // Two readable pages between two pages that fault when touched.
    class GuardedPages {
    public:
        GuardedPages()
        {
            m_page = size_t(::sysconf(_SC_PAGESIZE));
            void* base = ::mmap(nullptr, 4 * m_page, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
            EXPECT_NE(base, MAP_FAILED);
            m_base = static_cast<uint8_t*>(base);
            ::mprotect(m_base, m_page, PROT_NONE);
            ::mprotect(m_base + 3 * m_page, m_page, PROT_NONE);
        }
        ~GuardedPages() { ::munmap(m_base, 4 * m_page); }
        GuardedPages(const GuardedPages&) = delete;
        GuardedPages& operator=(const GuardedPages&) = delete;

        uint8_t* Begin() const { return m_base + m_page; }
        size_t Size() const { return 2 * m_page; }

    private:
        uint8_t* m_base = nullptr;
        size_t m_page = 0;
    };

    bool IsEnd(const uint8_t* p, size_t i, bool prevCR)
    {
        return p[i] == '\r' || (p[i] == '\n' && !(i > 0 ? p[i - 1] == '\r' : prevCR));
    }

    std::vector<size_t> ReferenceEnds(const uint8_t* p, size_t n, bool prevCR)
    {
        std::vector<size_t> ends;
        for (size_t i = 0; i < n; ++i) {
            if (IsEnd(p, i, prevCR))
                ends.push_back(i);
        }
        return ends;
    }

    // Checks every primitive of a set on [p, p + n) against the reference.
    void CheckRange(const TKernelSet& set, const uint8_t* p, size_t n, const std::string& where)
    {
        SCOPED_TRACE(where);
        for (bool prevCR : { false, true }) {
            const std::vector<size_t> ends = ReferenceEnds(p, n, prevCR);
            const uint64_t count = ends.size();
            // The first, second, last and one-past-the-last line end, both ways.
            for (uint64_t k : { uint64_t(1), uint64_t(2), count, count + 1, kAll }) {
                if (k == 0)
                    continue;
                uint64_t found = 0;
                const size_t at = set.FindNthLineEnd(p, n, prevCR, k, found);
                ASSERT_EQ(at, k <= count ? ends[k - 1] : n) << "forward k=" << k << " prevCR=" << prevCR;
                ASSERT_EQ(found, std::min(k, count)) << "forward k=" << k;
                found = 0;
                const size_t back = set.FindNthLineEndReverse(p, n, prevCR, k, found);
                ASSERT_EQ(back, k <= count ? ends[count - k] : n) << "reverse k=" << k << " prevCR=" << prevCR;
                ASSERT_EQ(found, std::min(k, count)) << "reverse k=" << k;
            }
        }
        const uint8_t* first = p + n;
        const uint8_t* last = nullptr;
        for (size_t i = 0; i < n; ++i) {
            if (p[i] == '\r' || p[i] == '\n') {
                if (first == p + n)
                    first = p + i;
                last = p + i;
            }
        }
        ASSERT_EQ(set.FindEither(p, p + n, '\r', '\n'), first);
        ASSERT_EQ(set.FindLastEither(p, p + n, '\r', '\n'), last);
    }

    TEST(HvModelScan, EveryKernelSetMatchesTheReference)
    {
        const std::vector<TKernelSet>& sets = KernelSets();
        ASSERT_FALSE(sets.empty());
        if (sets.size() < 2)
            std::printf(
                "Only the %s build runs on this processor; the AVX2 build is not checked here.\n", sets[0].Name);
        GuardedPages pages;
        uint8_t* const base = pages.Begin();
        const size_t size = pages.Size();
        const size_t page = size / 2;
        std::mt19937 rng(99);
        for (const TKernelSet& set : sets) {
            SCOPED_TRACE(set.Name);
            // A lone line end (CR, LF, CR LF, LF CR) at every position of the first 130 bytes and around the
            // page edge, in ranges that start or end right at a guard page.
            static const char* const kEnds[] = { "\r", "\n", "\r\n", "\n\r" };
            std::vector<size_t> spots;
            for (size_t i = 0; i < 130; ++i)
                spots.push_back(i);
            for (size_t i = page - 70; i < page + 70; ++i)
                spots.push_back(i);
            for (size_t i = size - 130; i < size; ++i)
                spots.push_back(i);
            for (const char* end : kEnds) {
                const std::string e(end);
                for (size_t at : spots) {
                    if (at + e.size() > size)
                        continue;
                    std::fill(base, base + size, uint8_t('x'));
                    std::copy(e.begin(), e.end(), base + at);
                    const std::string where = "end " + std::to_string(at) + " len " + std::to_string(e.size());
                    CheckRange(set, base, size, where + " whole");
                    CheckRange(set, base + at - at % 64, size - (at - at % 64), where + " from its block");
                    CheckRange(set, base, at + e.size(), where + " ending at it");
                    if (testing::Test::HasFatalFailure())
                        return;
                }
            }
            // Random bytes rich in line ends, over ranges of every alignment at both guard pages.
            for (int round = 0; round < 200; ++round) {
                for (size_t i = 0; i < size; ++i) {
                    const unsigned r = rng() % 16;
                    base[i] = r == 0 ? '\r' : r == 1 ? '\n' : uint8_t('a' + r);
                }
                const size_t cut = rng() % 200;
                CheckRange(set, base + cut, size - cut, "random tail from " + std::to_string(cut));
                CheckRange(set, base, size - cut, "random head to " + std::to_string(size - cut));
                const size_t b = rng() % size;
                const size_t e = b + 1 + rng() % (size - b);
                CheckRange(set, base + b, e - b, "random " + std::to_string(b) + ".." + std::to_string(e));
                if (testing::Test::HasFatalFailure())
                    return;
            }
        }
    }

    // The processor's own account of its features, from the kernel.
    std::set<std::string> CpuFlags()
    {
        std::ifstream info("/proc/cpuinfo");
        std::string line;
        while (std::getline(info, line)) {
            if (line.rfind("flags", 0) != 0)
                continue;
            std::istringstream words(line.substr(line.find(':') + 1));
            return { std::istream_iterator<std::string>(words), std::istream_iterator<std::string>() };
        }
        return {};
    }

    TEST(HvModelScan, TheAvx2BuildIsOfferedExactlyWhenTheProcessorHasWhatItUses)
    {
#if defined(__x86_64__)
        const std::set<std::string> flags = CpuFlags();
        if (flags.empty())
            GTEST_SKIP() << "/proc/cpuinfo lists no processor flags here";
        // "abm" is how the kernel names LZCNT.
        const bool capable = flags.count("avx2") && flags.count("popcnt") && flags.count("bmi1") && flags.count("abm");
        const std::vector<TKernelSet>& sets = KernelSets();
        const bool offered = std::any_of(
            sets.begin(), sets.end(), [](const TKernelSet& set) { return std::string(set.Name) == "avx2"; });
        // A virtual machine's kernel may list fewer features than the processor reports to the program
        // itself; the kernel tests above run the AVX2 set on such machines, so an offer the kernel does
        // not list is proven by running, and only a missing offer is a fault here.
        if (capable)
            EXPECT_TRUE(offered);
        else if (offered)
            std::printf("the kernel lists no AVX2 here but the processor offers it; the kernel tests ran it\n");
#else
        GTEST_SKIP() << "the AVX2 build exists on x86-64 only";
#endif
    }

} // namespace
} // namespace hy::viewer::scan
