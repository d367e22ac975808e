// Micro-benchmarks of the per-line path on representative header lines:
// value cleaning, address printing, and the whole filter over lines held in
// memory (no system calls), by each kernel the CPU runs.
#include <benchmark/benchmark.h>

#include <string>
#include <string_view>
#include <vector>

#include "driver/input.h"
#include "tests/address.h"

namespace {

bool discard(void*, const char*, std::size_t) {
    return true;
}

// Logical header lines as they reach print_address (continuations joined).
const std::vector<std::pair<const char*, std::string>>& sample_lines() {
    static const std::vector<std::pair<const char*, std::string>> lines = {
        {"from", "From: \"Ann Smith\" <ann.smith@example.com>"},
        {"to_list",
         "To: \"Jones, Bob (HQ)\" <bob.x12@example.org>, carol_x9@mail.example.net (Carol "
         "Miller),\tJos\xC3\xA9 Garcia <jose.x3@corp.example>,  <dave.x5@example.com>, "
         "\"Erin =?utf-8?Q?N=C3=BA=C3=B1ez?=\" <erin_x77@university.example.edu>"},
        {"bare", "Cc: frank.x1@example.org, grace_x2@example.com, heidi.x3@lists.example.org"},
        {"received",
         "Received: from mx2.example.com (mx2.example.com [119.53.108.255])\tby "
         "mail.corp.example with ESMTPS id huzZSUSVBdxW\tfor <user_x921@example.org>; Mon, 10 "
         "Oct 2012 21:48:22 +0000"},
        {"dkim",
         "DKIM-Signature: v=1; a=rsa-sha256; c=relaxed/relaxed; d=example.org; s=sel1;\t"
         "h=from:to:subject:date:message-id; bh=Spau6cfAs2e+9pNsFyGvBKirjvY5H97OcNANW3o2Fhl=;\t"
         "b=dw0idXQXalkOTMa/1fcp7b8UlfTIZgOVfnLAdo/2tc1oKc1q8waUF6hdT8so7buZrcvGfs\t "
         "Owar4J1jq3zTVKbSOqwK3sDcDbtkiUT+xHVIcV7JAk0DhWxN8RBzY+c7OsU730m+esVrdziW=="},
        {"subject", "Subject: of invoice notes status draft draft review notes schedule"},
    };
    return lines;
}

void set_bytes(benchmark::State& state, std::size_t per_iteration) {
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(per_iteration));
}

void bm_extract_value(benchmark::State& state, std::string line) {
    std::vector<char> value(line.size());
    for (auto _ : state) {
        std::size_t n = extract_value(chosen_kernel(), value.data(), line);
        benchmark::DoNotOptimize(n);
        benchmark::ClobberMemory();
    }
    set_bytes(state, line.size());
}

void bm_print_address(benchmark::State& state, std::string line) {
    Output out = make_output(discard, nullptr);
    for (auto _ : state) {
        print_address(chosen_kernel(), out, line);
        benchmark::ClobberMemory();
    }
    out_flush(out);
    set_bytes(state, line.size());
}

// Serves the same block of header lines again and again.
struct Repeat {
    const std::string* block;
    std::size_t reads_left;
};

std::ptrdiff_t read_repeat(void* ctx, char* buf, std::size_t cap) {
    Repeat& src = *static_cast<Repeat*>(ctx);
    if (src.reads_left == 0 || cap < src.block->size())
        return 0;
    --src.reads_left;
    src.block->copy(buf, src.block->size());
    return static_cast<std::ptrdiff_t>(src.block->size());
}

// The whole filter, input layer and unfolding included, over 64 KiB reads of
// typical header lines, LF or CR LF (written as they came), by one kernel.
void bm_filter(benchmark::State& state, const Kernel* kernel, const char* eol) {
    std::string block;
    while (block.size() < 60000)
        for (const auto& [name, line] : sample_lines()) {
            // Fold at each tab, as the lines stood in the message.
            for (char c : line) {
                if (c == '\t')
                    block += eol;
                block += c;
            }
            block += eol;
        }
    constexpr std::size_t reads = 64;
    for (auto _ : state) {
        Repeat src{&block, reads};
        Input in = make_input(read_repeat, &src);
        Output out = make_output(discard, nullptr);
        out.crlf = eol[0] == '\r';
        filter(*kernel, in, out);
        out_flush(out);
    }
    set_bytes(state, block.size() * reads);
}

void register_all() {
    for (const auto& [name, line] : sample_lines()) {
        benchmark::RegisterBenchmark((std::string("extract_value/") + name).c_str(),
                                     bm_extract_value, line);
        benchmark::RegisterBenchmark((std::string("print_address/") + name).c_str(),
                                     bm_print_address, line);
    }
    for (const Kernel* k : supported_kernels())
        for (const char* eol : {"\n", "\r\n"})
            benchmark::RegisterBenchmark(
                (std::string("filter/") + k->name + (eol[0] == '\r' ? "/crlf" : "/lf")).c_str(),
                bm_filter, k, eol);
}

} // namespace

int main(int argc, char** argv) {
    register_all();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
