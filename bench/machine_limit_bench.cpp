// What this machine can do at best for one cloud step's recolouring: the
// floor the tuned CloudTexture::advance is judged against.
//
// The irreducible work of a step is 65,536 texels, each needing a division
// and a square root for its sheen, the reading of its density (512 KB of
// doubles) and the writing of its pixel (256 KB). These kernels do just that
// and nothing else, with the widest vectors the machine has and no care for
// the exact rounding the real step must keep:
//   BM_LimitDivideAndRoot   the 65,536 divisions and square roots alone;
//   BM_LimitMemoryTraffic   the 0.8 MB of reads and writes alone;
//   BM_LimitCloudStep       both in one pass: the figure to compare with.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <vector>

namespace {

constexpr int texels = 256 * 256;

// A field like the clouds': values in [0, 1] that rise and fall.
std::vector<double> sampleField()
{
    std::vector<double> field(texels + 8);
    uint32_t state = 12345;
    for (double& value : field) {
        state = state * 1664525u + 1013904223u;
        value = (state >> 8) * (1.0 / 16777216.0);
    }
    return field;
}

const bool avx512 = __builtin_cpu_supports("avx512f");

typedef double Octet __attribute__((vector_size(64)));
typedef int32_t IntOctet __attribute__((vector_size(32)));
typedef double Quad __attribute__((vector_size(32)));
typedef int32_t IntQuad __attribute__((vector_size(16)));

// The vector square root instruction itself, lane by lane.
#define SQUARE_ROOT(root, x) asm("vsqrtpd %1, %0" : "=v"(root) : "v"(x))

// delta / sqrt(delta^2 + c): one division and one square root per texel.
template <typename Lanes>
__attribute__((always_inline)) inline double divideAndRoot(const double* field)
{
    constexpr int lanes = sizeof(Lanes) / sizeof(double);
    const Lanes c = 0.0009 - Lanes{};
    Lanes sum = Lanes{};
    for (int i = 0; i < texels; i += lanes) {
        Lanes here, next, root;
        std::memcpy(&here, field + i, sizeof here);
        std::memcpy(&next, field + i + 1, sizeof next);
        const Lanes delta = here - next;
        SQUARE_ROOT(root, delta * delta + c);
        sum += delta / root;
    }
    double total = 0.0;
    for (int lane = 0; lane < lanes; ++lane)
        total += sum[lane];
    return total;
}

// Reads every density and writes every pixel, with one conversion between.
template <typename Lanes, typename Ints>
__attribute__((always_inline)) inline void move(const double* field, uint32_t* pixels)
{
    constexpr int lanes = sizeof(Lanes) / sizeof(double);
    for (int i = 0; i < texels; i += lanes) {
        Lanes dn;
        std::memcpy(&dn, field + i, sizeof dn);
        const Ints words = __builtin_convertvector(dn, Ints) | static_cast<int32_t>(0xFF000000u);
        std::memcpy(pixels + i, &words, sizeof words);
    }
}

// Both in one pass: a pixel from its density and its sheen.
template <typename Lanes, typename Ints>
__attribute__((always_inline)) inline void step(const double* field, uint32_t* pixels)
{
    constexpr int lanes = sizeof(Lanes) / sizeof(double);
    const Lanes c = 0.0009 - Lanes{};
    for (int i = 0; i < texels; i += lanes) {
        Lanes dn, next, root;
        std::memcpy(&dn, field + i, sizeof dn);
        std::memcpy(&next, field + i + 1, sizeof next);
        const Lanes delta = dn - next;
        SQUARE_ROOT(root, delta * delta + c);
        const Lanes sheen = delta / root;
        const Ints words = __builtin_convertvector((dn + sheen) * 255.0, Ints) | static_cast<int32_t>(0xFF000000u);
        std::memcpy(pixels + i, &words, sizeof words);
    }
}

__attribute__((target("avx512f"))) double divideAndRootAvx512(const double* field)
{
    return divideAndRoot<Octet>(field);
}

__attribute__((target("avx2"))) double divideAndRootAvx2(const double* field)
{
    return divideAndRoot<Quad>(field);
}

__attribute__((target("avx512f"))) void moveAvx512(const double* field, uint32_t* pixels)
{
    move<Octet, IntOctet>(field, pixels);
}

__attribute__((target("avx2"))) void moveAvx2(const double* field, uint32_t* pixels)
{
    move<Quad, IntQuad>(field, pixels);
}

__attribute__((target("avx512f"))) void stepAvx512(const double* field, uint32_t* pixels)
{
    step<Octet, IntOctet>(field, pixels);
}

__attribute__((target("avx2"))) void stepAvx2(const double* field, uint32_t* pixels)
{
    step<Quad, IntQuad>(field, pixels);
}

void BM_LimitDivideAndRoot(benchmark::State& state)
{
    const std::vector<double> field = sampleField();
    for (auto _ : state)
        benchmark::DoNotOptimize(avx512 ? divideAndRootAvx512(field.data()) : divideAndRootAvx2(field.data()));
}

void BM_LimitMemoryTraffic(benchmark::State& state)
{
    const std::vector<double> field = sampleField();
    std::vector<uint32_t> pixels(texels);
    for (auto _ : state) {
        if (avx512)
            moveAvx512(field.data(), pixels.data());
        else
            moveAvx2(field.data(), pixels.data());
        benchmark::DoNotOptimize(pixels.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * texels * (8 + 4));
}

void BM_LimitCloudStep(benchmark::State& state)
{
    const std::vector<double> field = sampleField();
    std::vector<uint32_t> pixels(texels);
    for (auto _ : state) {
        if (avx512)
            stepAvx512(field.data(), pixels.data());
        else
            stepAvx2(field.data(), pixels.data());
        benchmark::DoNotOptimize(pixels.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * texels * (8 + 4));
}

}  // namespace

BENCHMARK(BM_LimitDivideAndRoot);
BENCHMARK(BM_LimitMemoryTraffic);
BENCHMARK(BM_LimitCloudStep);
