// Prints the C library's message text for each error name given (EBADF,
// EINVAL, EISDIR, ENOMEM, ENOSPC), one a line: the text a diagnostic must carry.
// Built with the same compiler and library as fieldpick, so the end-to-end
// tests expect what that library says, whichever it is.
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

int error_number(const char* name) {
    static const struct {
        const char* name;
        int number;
    } known[] = {{"EBADF", EBADF},
                 {"EINVAL", EINVAL},
                 {"EISDIR", EISDIR},
                 {"ENOMEM", ENOMEM},
                 {"ENOSPC", ENOSPC}};
    for (const auto& k : known)
        if (std::strcmp(k.name, name) == 0)
            return k.number;
    return -1;
}

} // namespace

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        int number = error_number(argv[i]);
        if (number < 0) {
            std::fprintf(stderr, "strerror_text: unknown error name %s\n", argv[i]);
            return 2;
        }
        std::printf("%s\n", std::strerror(number));
    }
    return 0;
}
