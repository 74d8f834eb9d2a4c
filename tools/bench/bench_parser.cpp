// Prints the reading-frame parser's throughput: frames per second and nanoseconds per frame
// for plain ASCII frames, frames whose value holds Windows-1250 bytes, and frames preceded
// by noise without a "*". Times are the thread's CPU time, so that other programs on a busy
// machine count less. A benchmark, not a test: it asserts nothing.
//
//   bench_parser           about 1.5 s of CPU per kind of frame
//   bench_parser N         exactly N frames per kind (for instruction counts under callgrind)
#include "ReadingFrame.h"

#include <QByteArray>
#include <QList>
#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace {
double CpuSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

// Distinct frames, so that the figures are not those of one input learnt by heart.
QList<QByteArray> Frames(const QByteArray& prefix, const QByteArray& suffix)
{
    QList<QByteArray> frames;
    for (int i = 0; i < 64; ++i)
        frames.append(prefix + "*B1E1" + (i % 3 ? "+" : "-") +
                      QByteArray::number(100 + i * 7).insert(2, '.') + suffix + "\r\n");
    return frames;
}

void Run(const char* name, const QList<QByteArray>& frames, long long fixed)
{
    qsizetype sink = 0;
    long long count = 0;
    const double start = CpuSeconds();
    double elapsed = 0;
    while (fixed ? count < fixed : elapsed < 1.5) {
        for (int round = 0; round < 1000; ++round)
            for (const QByteArray& f : frames)
                sink += ParseReading(f).Text.size();
        count += 1000LL * frames.size();
        elapsed = CpuSeconds() - start;
    }
    std::printf("%-32s %7.2f M frames/s  %6.1f ns/frame  (%lld frames, %lld characters)\n", name,
                static_cast<double>(count) / elapsed / 1e6,
                elapsed * 1e9 / static_cast<double>(count), count, static_cast<long long>(sink));
}
} // namespace

int main(int argc, char** argv)
{
    const long long fixed = argc > 1 ? std::atoll(argv[1]) : 0;
    Run("ASCII frames", Frames("", ""), fixed);
    Run("frames with Windows-1250 bytes", Frames("", " \xB0\xF8\x8A"), fixed);
    QByteArray noise;
    for (int i = 0; i < 64; ++i)
        noise += static_cast<char>(i + 32 == '*' ? '.' : i + 32);
    Run("64 bytes of noise before the *", Frames(noise, ""), fixed);
    return 0;
}
