// fieldgrep: writes the header fields of mail whose names are given, with
// their continuation lines, as they stand: the first stage of a pipeline
// that ends in fieldpick.
#include <cerrno>
#include <cstdio>
#include <cstring>

#include <fcntl.h>
#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

#include "driver/streams.h"
#include "select/input.h"

namespace {

constexpr const char* program = "fieldgrep";

#ifndef _WIN32
constexpr int O_BINARY = 0;
#endif

// The fields of one FILE, or of standard input for "-"; false if it could
// not be opened or read, which is reported.
bool select_file(const char* name, const Names& names, const Kernel& kernel, SelectBuffer& buffer,
                 Output& out, bool& wrote) {
    const bool is_stdin = std::strcmp(name, "-") == 0;
    int fd = is_stdin ? 0 : open(name, O_RDONLY | O_BINARY);
    if (fd < 0) {
        report(name, errno, program);
        return false;
    }
    const Selected got = select_fields(names, kernel, read_fd, &fd, is_stdin, buffer, out);
    if (!is_stdin)
        close(fd);
    wrote |= got.wrote;
    if (got.error != 0) {
        out_flush(out); // what the input gave before it failed comes first
        report(is_stdin ? "stdin" : name, got.error, program);
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    binary_std_streams();
    Names names;
    if (argc < 2 || !parse_names(argv[1], names)) {
        std::fputs("usage: fieldgrep NAME[,NAME...] [FILE...]\n", stderr);
        return 2;
    }
    const Kernel& kernel = chosen_kernel();
    if (!kernel_runs_here(kernel, program))
        return 2;
    Output out = make_output(write_stdout, nullptr);
    SelectBuffer buffer = make_select_buffer(names);
    if (!names.list || !out.buf || !buffer.buf || !buffer.held) {
        report(program, ENOMEM); // no input is to blame
        return 2;
    }
    static const char* const standard_input[] = {"-"};
    const char* const* files = argc > 2 ? argv + 2 : standard_input;
    const int count = argc > 2 ? argc - 2 : 1;
    bool trouble = false, wrote = false;
    for (int i = 0; i < count && out.error == 0; ++i)
        trouble |= !select_file(files[i], names, kernel, buffer, out, wrote);
    if (!out_flush(out)) {
        if (!reader_gone(out.error))
            report("stdout", out.error, program);
        return 2;
    }
    return trouble ? 2 : wrote ? 0 : 1;
}
