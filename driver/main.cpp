// fieldpick: writes the mail addresses in RFC 822 header lines, one per line.
#include <cstdio>

#include "driver/input.h"
#include "driver/streams.h"
#include "extract/output.h"

namespace {

void usage(Output& out) {
    static const char text[] = "fieldpick: fieldpick only from RFC822 header, Ver 0.1";
    static const char line2[] = "usage: grep \"Hoge:\" <input|fieldpick >output";
    out_bytes(out, text, sizeof text - 1);
    out_newline(out);
    out_bytes(out, line2, sizeof line2 - 1);
    out_newline(out);
}

} // namespace

int main(int argc, char**) {
    // The line ends are handled here, byte for byte, as text mode would.
    binary_std_streams();
    Output out = make_output(write_stdout, nullptr);
    if (!out.buf) {
        report("fieldpick", out.error);
        return 2;
    }
    int status = 0;
    if (argc != 1) {
        usage(out);
        status = 2;
    } else {
        const Kernel& kernel = chosen_kernel();
        if (!kernel_runs_here(kernel, "fieldpick"))
            return 2;
        int stdin_fd = 0;
        Input in = make_input(read_fd, &stdin_fd);
        filter(kernel, in, out);
        if (in.error != 0 && out.error == 0) {
            out_flush(out); // what was written before the failure stays written
            report("stdin", in.error);
            status = 2;
        }
    }
    if (!out_flush(out)) {
        if (!reader_gone(out.error))
            report("stdout", out.error);
        status = 2;
    }
    return status;
}
