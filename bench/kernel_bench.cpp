// The filter's own throughput by each kernel the CPU runs, in one process:
// over each FILE named, and over a block of typical header lines (LF and
// CR LF) read again and again. The input is held in memory and handed to the
// filter in reads of up to the room in its buffer, copied as read(2) copies;
// the output is buffered as usual and dropped. So a figure leaves out the
// system calls and the page cache that a whole run of fieldpick pays for, and
// nothing else.
// Before any timing, every kernel must write the same bytes on every input,
// unless --checked says that a run on the same inputs has seen to that.
//
// usage: kernel_bench [--benchmark_... flags] [--checked] [FILE...]
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "driver/input.h"
#include "tests/fake_input.h"
#include "tests/kernels.h"

namespace {

struct Sample {
    std::string name;
    std::string bytes;
    std::size_t copies; // read this many times over
    bool crlf_out;      // output line ends CR LF
};

// Typical logical header lines, folded at each tab.
const char* const header_lines[] = {
    "From: \"Ann Smith\" <ann.smith@example.com>",
    "To: \"Jones, Bob (HQ)\" <bob.x12@example.org>, carol_x9@mail.example.net (Carol "
    "Miller),\tJos\xC3\xA9 Garcia <jose.x3@corp.example>,  <dave.x5@example.com>, "
    "\"Erin =?utf-8?Q?N=C3=BA=C3=B1ez?=\" <erin_x77@university.example.edu>",
    "Cc: frank.x1@example.org, grace_x2@example.com, heidi.x3@lists.example.org",
    "Received: from mx2.example.com (mx2.example.com [119.53.108.255])\tby "
    "mail.corp.example with ESMTPS id huzZSUSVBdxW\tfor <user_x921@example.org>; Mon, 10 "
    "Oct 2012 21:48:22 +0000",
    "DKIM-Signature: v=1; a=rsa-sha256; c=relaxed/relaxed; d=example.org; s=sel1;\t"
    "h=from:to:subject:date:message-id; bh=Spau6cfAs2e+9pNsFyGvBKirjvY5H97OcNANW3o2Fhl=;\t"
    "b=dw0idXQXalkOTMa/1fcp7b8UlfTIZgOVfnLAdo/2tc1oKc1q8waUF6hdT8so7buZrcvGfs\t "
    "Owar4J1jq3zTVKbSOqwK3sDcDbtkiUT+xHVIcV7JAk0DhWxN8RBzY+c7OsU730m+esVrdziW==",
    "Subject: of invoice notes status draft draft review notes schedule",
};

// About 60 KB of the lines above, read 64 times over. "lf" and "crlf" do the
// same work as in earlier builds of this program, so that those can be
// compared with this one kernel by kernel.
Sample line_block(const char* eol) {
    Sample s{eol[0] == '\r' ? "crlf" : "lf", "", 64, eol[0] == '\r'};
    while (s.bytes.size() < 60000)
        for (const char* line : header_lines) {
            for (const char* c = line; *c != '\0'; ++c) {
                if (*c == '\t')
                    s.bytes += eol;
                s.bytes += *c;
            }
            s.bytes += eol;
        }
    return s;
}

bool read_file(const char* path, Sample& s) {
    std::FILE* f = std::fopen(path, "rb");
    if (!f)
        return false;
    char buf[1 << 16];
    for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, f)) > 0;)
        s.bytes.append(buf, n);
    bool ok = !std::ferror(f);
    std::fclose(f);
    const char* slash = std::strrchr(path, '/');
    s.name = slash ? slash + 1 : path;
    s.copies = 1;
    s.crlf_out = false;
    return ok;
}

bool discard(void*, const char*, std::size_t) {
    return true;
}

bool append(void* ctx, const char* data, std::size_t len) {
    static_cast<std::string*>(ctx)->append(data, len);
    return true;
}

void run_filter(const Kernel& kernel, const Sample& s, WriteFn write, void* ctx) {
    FakeInput src{s.bytes, {}, false, s.copies};
    Input in = make_input(read_fake, &src);
    Output out = make_output(write, ctx);
    out.crlf = s.crlf_out;
    filter(kernel, in, out);
    out_flush(out);
}

void bm_filter(benchmark::State& state, const Kernel* kernel, const Sample* s) {
    for (auto _ : state)
        run_filter(*kernel, *s, discard, nullptr);
    state.SetBytesProcessed(state.iterations() *
                            static_cast<std::int64_t>(s->bytes.size() * s->copies));
}

// The name of a kernel that writes other bytes than the first one on s.
const char* odd_kernel(const std::vector<const Kernel*>& kernels, const Sample& s) {
    std::string first, other;
    run_filter(*kernels[0], s, append, &first);
    for (std::size_t i = 1; i < kernels.size(); ++i) {
        other.clear();
        run_filter(*kernels[i], s, append, &other);
        if (other != first)
            return kernels[i]->name;
    }
    return nullptr;
}

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    bool checked = false;
    std::vector<Sample> samples;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--checked") == 0) {
            checked = true;
            continue;
        }
        samples.emplace_back();
        if (argv[i][0] == '-' || !read_file(argv[i], samples.back())) {
            std::fprintf(stderr, "kernel_bench: %s: %s\n", argv[i],
                         argv[i][0] == '-' ? "unknown flag" : "cannot be read");
            return 1;
        }
    }
    samples.push_back(line_block("\n"));
    samples.push_back(line_block("\r\n"));

    std::vector<const Kernel*> kernels = supported_kernels();
    for (const Sample& s : samples)
        if (const char* odd = checked ? nullptr : odd_kernel(kernels, s)) {
            std::fprintf(stderr, "kernel_bench: the %s kernel writes other bytes than %s on %s\n",
                         odd, kernels[0]->name, s.name.c_str());
            return 1;
        }
    for (const Kernel* k : kernels)
        for (const Sample& s : samples)
            benchmark::RegisterBenchmark(("filter/" + std::string(k->name) + "/" + s.name).c_str(),
                                         bm_filter, k, &s);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
