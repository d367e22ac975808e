// Prints the C library's message text for each error name given (EACCES,
// EBADF, EINVAL, EISDIR, ENOENT, ENOMEM, ENOSPC), one a line: the text a diagnostic must carry.
// Built with the same compiler and library as the programs, so the end-to-end
// tests expect what that library says, whichever it is.
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

int error_number(const char* name) {
    static const struct {
        const char* name;
        int number;
    } known[] = {{"EACCES", EACCES}, {"EBADF", EBADF},   {"EINVAL", EINVAL}, {"EISDIR", EISDIR},
                 {"ENOENT", ENOENT}, {"ENOMEM", ENOMEM}, {"ENOSPC", ENOSPC}};
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
