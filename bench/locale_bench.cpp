// Cost of reading date-time and number texts back under the locale conventions; the sort parses
// both texts of every comparison, so these run millions of times per sort.
#include <chrono>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "platform/text/LocaleTexts.h"

#if __has_include(<benchmark/benchmark.h>)
#include <benchmark/benchmark.h>
#define NULVANE_HAVE_BENCHMARK 1
#endif

namespace {

using namespace nulvane;

const TLocaleTexts& WithMonthNames() {
    static const TLocaleTexts texts("dddd, MMMM d, yyyy", "h:mm:ss tt", '.', ",", "\3", "AM", "PM");
    return texts;
}

const TLocaleTexts& German() {
    static const TLocaleTexts texts("dd.MM.yyyy", "HH:mm:ss", ',', ".", "\3", "", "");
    return texts;
}

// A spread of texts so branch prediction does not learn a single one.
std::vector<std::string> DateTexts(const TLocaleTexts& texts) {
    std::vector<std::string> result;
    for (int i = 0; i < 64; ++i) {
        TLocalTime t;
        t.Year = 1990 + i % 40;
        t.Month = 1 + i % 12;
        t.Day = 1 + (i * 7) % 28;
        t.Hour = (i * 5) % 24;
        t.Minute = (i * 13) % 60;
        t.Second = (i * 29) % 60;
        result.push_back(texts.FormatDateTime(t));
    }
    return result;
}

const std::vector<std::string>& NumberTexts() {
    static const std::vector<std::string> texts{"0", "1023", "1048576", "12.5", "-3.25e4", "99.99",
                                                "7", "1073741824", "0.001", "65536"};
    return texts;
}

template <typename TParse>
double TimePerCall(std::size_t count, TParse parse) {
    const auto start = std::chrono::steady_clock::now();
    for (std::size_t i = 0; i < 1'000'000; ++i) parse(i % count);
    const std::chrono::duration<double, std::nano> elapsed = std::chrono::steady_clock::now() - start;
    return elapsed.count() / 1'000'000;
}

}  // namespace

#ifdef NULVANE_HAVE_BENCHMARK

namespace {

void ParseDateTime(benchmark::State& state, const TLocaleTexts& texts) {
    const std::vector<std::string> inputs = DateTexts(texts);
    std::size_t i = 0;
    for (auto _ : state) {
        TDateTime value = 0;
        benchmark::DoNotOptimize(texts.ParseDateTime(inputs[i++ % inputs.size()], value));
        benchmark::DoNotOptimize(value);
    }
}

void ParseNumber(benchmark::State& state) {
    const TLocaleTexts& texts = TLocaleTexts::EnglishUS();
    std::size_t i = 0;
    for (auto _ : state) {
        double value = 0;
        benchmark::DoNotOptimize(texts.ParseNumber(NumberTexts()[i++ % NumberTexts().size()], value));
        benchmark::DoNotOptimize(value);
    }
}

void FormatDateTime(benchmark::State& state) {
    const TLocaleTexts& texts = TLocaleTexts::EnglishUS();
    TLocalTime t;
    t.Year = 2021;
    t.Month = 7;
    t.Day = 4;
    t.Hour = 15;
    t.Minute = 4;
    t.Second = 5;
    std::string out;
    for (auto _ : state) {
        out.clear();
        texts.AppendDateTime(out, t);
        benchmark::DoNotOptimize(out.data());
    }
}

void FormatNumber(benchmark::State& state) {
    const TLocaleTexts& texts = TLocaleTexts::EnglishUS();
    double value = 1023;
    for (auto _ : state) {
        benchmark::DoNotOptimize(texts.FormatNumber(value));
        value += 1.5;
    }
}

BENCHMARK_CAPTURE(ParseDateTime, EnglishUS, TLocaleTexts::EnglishUS());
BENCHMARK_CAPTURE(ParseDateTime, German, German());
BENCHMARK_CAPTURE(ParseDateTime, MonthNames, WithMonthNames());
BENCHMARK(ParseNumber);
BENCHMARK(FormatDateTime);
BENCHMARK(FormatNumber);

}  // namespace

BENCHMARK_MAIN();

#else

// Without Google Benchmark: a plain timing loop with the same inputs.
int main() {
    for (const auto& [name, texts] : {std::pair<const char*, const TLocaleTexts*>{"EnglishUS", &TLocaleTexts::EnglishUS()},
                                      {"German", &German()},
                                      {"MonthNames", &WithMonthNames()}}) {
        const std::vector<std::string> inputs = DateTexts(*texts);
        volatile bool sink = false;
        const double ns = TimePerCall(inputs.size(), [&](std::size_t i) {
            TDateTime value = 0;
            sink = texts->ParseDateTime(inputs[i], value);
        });
        std::printf("ParseDateTime/%s  %.1f ns\n", name, ns);
    }
    volatile bool sink = false;
    const double ns = TimePerCall(NumberTexts().size(), [&](std::size_t i) {
        double value = 0;
        sink = TLocaleTexts::EnglishUS().ParseNumber(NumberTexts()[i], value);
    });
    std::printf("ParseNumber  %.1f ns\n", ns);
    return 0;
}

#endif
