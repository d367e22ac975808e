#include "driver/unfold.h"

#include <string>

#include "extract/address.h"

void unfold_headers(Input& in, Output& out) {
    std::string header; // the logical header line still open
    header.reserve(65536);
    std::string_view line;
    while (next_line(in, line)) {
        if (!line.empty() && is_space(static_cast<unsigned char>(line[0]))) {
            header.append(line);
            continue;
        }
        print_address(out, header);
        if (out.error)
            return;
        header.assign(line);
    }
    if (in.error == 0)
        print_address(out, header);
}
