// Prints the C library's message text of each error the end-to-end tests
// expect (EACCES, EBADF, EINVAL, EISDIR, ENOENT, ENOMEM, ENOSPC), a line
// each, as "NAME text": the text a diagnostic must carry. Built with the same
// compiler and library as the programs, so the tests expect what that
// library says, whichever it is.
#include <cerrno>
#include <cstdio>
#include <cstring>

int main() {
    static const struct {
        const char* name;
        int number;
    } known[] = {{"EACCES", EACCES}, {"EBADF", EBADF},   {"EINVAL", EINVAL}, {"EISDIR", EISDIR},
                 {"ENOENT", ENOENT}, {"ENOMEM", ENOMEM}, {"ENOSPC", ENOSPC}};
    for (const auto& k : known)
        std::printf("%s %s\n", k.name, std::strerror(k.number));
    return 0;
}
