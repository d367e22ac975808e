// The portable kernel: a byte at a time, for any CPU.
#include <cstring>

#include "extract/algorithm.h"

namespace {

struct Portable {
    struct Block {
        unsigned char b[block_size];
    };

    static Block load(const char* p) {
        Block v;
        std::memcpy(v.b, p, block_size);
        return v;
    }

    static Classes classify(const Block& v) {
        Classes c{};
        for (unsigned i = 0; i < block_size; ++i) {
            const unsigned char b = v.b[i];
            const u64 bit = u64{1} << i;
            c.lf |= b == '\n' ? bit : 0;
            c.cr |= b == '\r' ? bit : 0;
            c.nul |= b == '\0' ? bit : 0;
            c.space |= b == ' ' || (b >= '\t' && b <= '\r') ? bit : 0;
            c.open_paren |= b == '(' ? bit : 0;
            c.close_paren |= b == ')' ? bit : 0;
            c.open_angle |= b == '<' ? bit : 0;
            c.close_angle |= b == '>' ? bit : 0;
            c.colon |= b == ':' ? bit : 0;
        }
        return c;
    }

    static u64 stops(const Block& v) {
        u64 m = 0;
        for (unsigned i = 0; i < block_size; ++i)
            m |= v.b[i] == '\0' || v.b[i] == 0x1A ? u64{1} << i : 0;
        return m;
    }

    static Block set_bytes(Block v, u64 mask, char c) {
        for (; mask; mask &= mask - 1)
            v.b[lowest(mask)] = static_cast<unsigned char>(c);
        return v;
    }

    static Block widen(const Block& v, unsigned half) {
        Block w;
        for (unsigned i = 0; i < block_size / 2; ++i) {
            w.b[2 * i] = v.b[block_size / 2 * half + i];
            w.b[2 * i + 1] = '\n';
        }
        return w;
    }

    static char* pack(const Block& v, u64 mask, char* o) {
        for (; mask; mask &= mask - 1)
            *o++ = static_cast<char>(v.b[lowest(mask)]);
        return o;
    }
};

} // namespace

extern const Kernel portable_kernel = kernel_of<Portable>("portable");
