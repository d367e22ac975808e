// Writes realistic mail input for benchmarking fieldpick and fieldgrep, the same
// bytes on every run and every machine (a fixed seed, our own generator).
//
// usage: gen_headers addresses|messages|mbox MB [crlf]
//   addresses: From/To/Cc/Reply-To fields only, as a "grep" in front would
//              leave them: display names, comments, folded recipient lists.
//   messages:  whole message headers, a blank line after each.
//   mbox:      a mailbox: each message a From_ line, the header "messages"
//              writes and a body of about 85 % of the bytes, holding what
//              bodies hold and a header selector must pass over: quoted
//              replies, forwarded headers ("To: ..." at the start of a line,
//              folded), ">From " lines, indented lines, empty lines and
//              attachments in base64.
//   crlf:      CR LF line ends instead of LF.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

// splitmix64: small, fast, and the same everywhere.
struct Rng {
    std::uint64_t state;
};

std::uint64_t next(Rng& r) {
    std::uint64_t z = (r.state += 0x9E3779B97F4A7C15u);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9u;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBu;
    return z ^ (z >> 31);
}

std::size_t below(Rng& r, std::size_t n) {
    return static_cast<std::size_t>(next(r) % n);
}

bool chance(Rng& r, unsigned percent) {
    return below(r, 100) < percent;
}

template <std::size_t N> const char* pick(Rng& r, const char* const (&list)[N]) {
    return list[below(r, N)];
}

const char* const first_names[] = {
    "Ann",
    "Bob",
    "Carol",
    "Dave",
    "Erin",
    "Frank",
    "Grace",
    "Heidi",
    "Ivan",
    "Judy",
    "Mallory",
    "Niaj",
    "Olivia",
    "Peggy",
    "Rupert",
    "Sybil",
    "Trent",
    "Victor",
    "Walter",
    "Zoe",
    "J\xC3\xBCrgen",            // UTF-8
    "Jos\xC3\xA9",              // UTF-8
    "\xE7\x8E\x8B\xE8\x8A\xB3", // UTF-8, CJK
    "Ren\xE9",                  // Latin-1
    "Fran\xE7ois",              // Latin-1
    "=?UTF-8?B?w4FsdmFybw==?=", // encoded word
    "=?ISO-8859-1?Q?Andr=E9?=", // encoded word
};

const char* const last_names[] = {
    "Smith",        "Jones", "Miller", "Garcia",  "M\xC3\xBCller", "O'Brien",
    "van der Berg", "Lee",   "Nguyen", "Brown",   "Sch\xF6n",      "Kowalski",
    "Dubois",       "Rossi", "Tanaka", "Ivanova", "Okafor",        "=?utf-8?Q?N=C3=BA=C3=B1ez?=",
};

const char* const domains[] = {
    "example.com",           "example.org",  "mail.example.net",
    "lists.example.org",     "corp.example", "university.example.edu",
    "xn--bcher-kva.example",
};

const char* const words[] = {
    "the",     "meeting", "report",   "draft",  "re:",    "fwd:",  "quarterly", "budget",
    "review",  "please",  "update",   "status", "of",     "and",   "for",       "project",
    "invoice", "notes",   "schedule", "[list]", "urgent", "about", "tomorrow",  "\xC3\xA9t\xC3\xA9",
};

const char* const weekdays[] = {"Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"};
const char* const months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                              "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

// Emits lines into one output string; folds a field when its line gets long.
struct Writer {
    std::string text;
    const char* eol;
    std::size_t line_start = 0;
};

void end_line(Writer& w) {
    w.text += w.eol;
    w.line_start = w.text.size();
}

// Appends piece, first folding the line (with a space or a tab) if it would
// pass about 76 columns.
void add_folding(Writer& w, Rng& r, const std::string& piece) {
    if (w.text.size() - w.line_start + piece.size() > 76 && w.text.size() > w.line_start) {
        end_line(w);
        w.text += chance(r, 50) ? "\t" : " ";
    }
    w.text += piece;
}

std::string local_part(Rng& r) {
    std::string s = pick(r, first_names);
    if (static_cast<unsigned char>(s[0]) >= 0x80 || s[0] == '=')
        s = "user";
    for (char& c : s)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c | 0x20);
    s += chance(r, 50) ? "." : "_";
    s += pick(r, last_names)[0] == '=' ? "nunez" : "x";
    s += std::to_string(below(r, 1000));
    return s;
}

std::string address(Rng& r) {
    return local_part(r) + "@" + pick(r, domains);
}

std::string display_name(Rng& r) {
    return std::string(pick(r, first_names)) + " " + pick(r, last_names);
}

// One mailbox in one of the forms seen in real mail.
std::string mailbox(Rng& r) {
    switch (below(r, 6)) {
    case 0:
        return "\"" + display_name(r) + "\" <" + address(r) + ">";
    case 1:
        return display_name(r) + " <" + address(r) + ">";
    case 2:
        return address(r) + " (" + display_name(r) + ")";
    case 3:
        return "\"" + std::string(pick(r, last_names)) + ", " + pick(r, first_names) + " (HQ)\" <" +
               address(r) + ">";
    case 4:
        return "<" + address(r) + ">";
    default:
        return address(r);
    }
}

void address_field(Writer& w, Rng& r, const char* name, std::size_t count) {
    w.text += name;
    w.text += ":";
    for (std::size_t i = 0; i < count; ++i)
        add_folding(w, r, std::string(" ") + mailbox(r) + (i + 1 < count ? "," : ""));
    end_line(w);
}

// Mostly one or a few recipients; now and then a list of several KB.
std::size_t recipient_count(Rng& r) {
    if (chance(r, 3))
        return 50 + below(r, 150);
    return 1 + below(r, chance(r, 30) ? 8 : 2);
}

void address_fields(Writer& w, Rng& r) {
    static const char* const names[] = {"From", "To", "To", "Cc", "Reply-To"};
    const char* name = pick(r, names);
    bool list = std::strcmp(name, "To") == 0 || std::strcmp(name, "Cc") == 0;
    address_field(w, r, name, list ? recipient_count(r) : 1);
}

std::string token(Rng& r, std::size_t len) {
    static const char base64[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string s;
    for (std::size_t i = 0; i < len; ++i)
        s += base64[below(r, 64)];
    return s;
}

std::string date(Rng& r) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%s, %zu %s 20%02zu %02zu:%02zu:%02zu %s", pick(r, weekdays),
                  1 + below(r, 28), pick(r, months), 10 + below(r, 15), below(r, 24), below(r, 60),
                  below(r, 60), chance(r, 50) ? "+0000" : "-0700 (PDT)");
    return buf;
}

std::string ip(Rng& r) {
    return std::to_string(below(r, 256)) + "." + std::to_string(below(r, 256)) + "." +
           std::to_string(below(r, 256)) + "." + std::to_string(below(r, 256));
}

void received(Writer& w, Rng& r) {
    std::string host = std::string("mx") + std::to_string(below(r, 9)) + "." + pick(r, domains);
    w.text += "Received: from " + host + " (" + host + " [" + ip(r) + "])";
    end_line(w);
    w.text += "\tby mail." + std::string(pick(r, domains)) + " with ESMTPS id " + token(r, 12);
    end_line(w);
    w.text += "\tfor <" + address(r) + ">; " + date(r);
    end_line(w);
}

void dkim(Writer& w, Rng& r) {
    w.text +=
        "DKIM-Signature: v=1; a=rsa-sha256; c=relaxed/relaxed; d=" + std::string(pick(r, domains)) +
        "; s=sel" + std::to_string(below(r, 3)) + ";";
    end_line(w);
    w.text += "\th=from:to:subject:date:message-id; bh=" + token(r, 43) + "=;";
    end_line(w);
    w.text += "\tb=" + token(r, 70);
    for (int i = 0; i < 4; ++i) {
        end_line(w);
        w.text += "\t " + token(r, 72);
    }
    w.text += "==";
    end_line(w);
}

void subject(Writer& w, Rng& r) {
    w.text += "Subject:";
    for (std::size_t i = 0, n = 2 + below(r, 10); i < n; ++i)
        add_folding(w, r, std::string(" ") + pick(r, words));
    end_line(w);
}

std::string message_id(Rng& r) {
    return "<" + token(r, 16) + "." + std::to_string(below(r, 100000)) + "@" + pick(r, domains) +
           ">";
}

void message(Writer& w, Rng& r) {
    w.text += "Return-Path: <" + address(r) + ">";
    end_line(w);
    for (std::size_t i = 0, n = 2 + below(r, 3); i < n; ++i)
        received(w, r);
    if (chance(r, 70))
        dkim(w, r);
    w.text += "Date: " + date(r);
    end_line(w);
    address_field(w, r, "From", 1);
    address_field(w, r, "To", recipient_count(r));
    if (chance(r, 40))
        address_field(w, r, "Cc", recipient_count(r));
    subject(w, r);
    w.text += "Message-ID: " + message_id(r);
    end_line(w);
    if (chance(r, 50)) {
        w.text += "In-Reply-To: " + message_id(r);
        end_line(w);
        w.text += "References:";
        for (std::size_t i = 0, n = 1 + below(r, 6); i < n; ++i)
            add_folding(w, r, " " + message_id(r));
        end_line(w);
    }
    w.text += "MIME-Version: 1.0";
    end_line(w);
    w.text += "Content-Type: multipart/alternative;";
    end_line(w);
    w.text += "\tboundary=\"" + token(r, 24) + "\"";
    end_line(w);
    w.text += "X-Mailer: Example Mail 4." + std::to_string(below(r, 10)) + " (build " +
              std::to_string(below(r, 9999)) + ")";
    end_line(w);
    w.text += "List-Unsubscribe: <mailto:leave@" + std::string(pick(r, domains)) + ">, <https://" +
              pick(r, domains) + "/u/" + token(r, 20) + ">";
    end_line(w);
    end_line(w); // the blank line between messages
}

// The From_ line that starts a message in an mbox: the envelope sender and
// the date as ctime(3) writes it.
void from_line(Writer& w, Rng& r) {
    char when[48];
    std::snprintf(when, sizeof when, " %s %s %2zu %02zu:%02zu:%02zu 20%02zu", pick(r, weekdays),
                  pick(r, months), 1 + below(r, 28), below(r, 24), below(r, 60), below(r, 60),
                  10 + below(r, 17));
    w.text += "From " + address(r) + when;
    end_line(w);
}

// Words wrapped at about 72 columns, every line starting with prefix; each
// line may instead be one that began with "From " and was escaped.
void paragraph(Writer& w, Rng& r, const char* prefix) {
    for (std::size_t line = 0, lines = 1 + below(r, 6); line < lines; ++line) {
        w.text += prefix;
        if (chance(r, 4))
            w.text += ">From ";
        w.text += pick(r, words);
        while (w.text.size() - w.line_start < 60)
            w.text += std::string(" ") + pick(r, words);
        end_line(w);
    }
}

// A forwarded message's header lines, as mail programs set them in a body.
void forwarded(Writer& w, Rng& r) {
    w.text += "---------- Forwarded message ---------";
    end_line(w);
    address_field(w, r, "From", 1);
    w.text += "Date: " + date(r);
    end_line(w);
    subject(w, r);
    address_field(w, r, "To", recipient_count(r));
    if (chance(r, 40))
        address_field(w, r, "Cc", recipient_count(r));
    end_line(w);
    paragraph(w, r, "");
}

void quoted_reply(Writer& w, Rng& r) {
    w.text += "On " + date(r) + ", " + display_name(r) + " wrote:";
    end_line(w);
    for (std::size_t i = 0, n = 1 + below(r, 3); i < n; ++i) {
        paragraph(w, r, "> ");
        w.text += ">";
        end_line(w);
    }
}

void attachment(Writer& w, Rng& r) {
    w.text += "--=_part_" + token(r, 16);
    end_line(w);
    w.text += "Content-Type: application/pdf; name=\"report.pdf\"";
    end_line(w);
    w.text += "Content-Transfer-Encoding: base64";
    end_line(w);
    end_line(w);
    for (std::size_t i = 0, n = 10 + below(r, 120); i < n; ++i) {
        w.text += token(r, 76);
        end_line(w);
    }
}

void signature(Writer& w, Rng& r) {
    w.text += "-- ";
    end_line(w);
    w.text += display_name(r);
    end_line(w);
    w.text += std::string(chance(r, 50) ? "\t" : "  ") + pick(r, domains);
    end_line(w);
}

// One message of an mbox: parts of a body, each followed by an empty line,
// until the body passes 2.15 to 6.45 times the From_ line and header; with
// the last part running past that, bodies come to about 85 % of the bytes.
void mbox_message(Writer& w, Rng& r) {
    std::size_t start = w.text.size();
    from_line(w, r);
    message(w, r);
    std::size_t body = (w.text.size() - start) * (50 + below(r, 101)) * 43 / 1000;
    for (std::size_t end = w.text.size() + body; w.text.size() < end;) {
        std::size_t part = below(r, 100);
        if (part < 40)
            paragraph(w, r, "");
        else if (part < 65)
            quoted_reply(w, r);
        else if (part < 75)
            forwarded(w, r);
        else if (part < 90)
            attachment(w, r);
        else
            signature(w, r);
        end_line(w);
    }
}

int usage() {
    std::fputs("usage: gen_headers addresses|messages|mbox MB [crlf]\n", stderr);
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3 || argc > 4)
        return usage();
    static const char* const kinds[] = {"addresses", "messages", "mbox"};
    std::size_t kind = 0;
    while (kind < 3 && std::strcmp(argv[1], kinds[kind]) != 0)
        ++kind;
    if (kind == 3)
        return usage();
    long mb = std::strtol(argv[2], nullptr, 10);
    if (mb <= 0)
        return usage();
    bool crlf = argc == 4 && std::strcmp(argv[3], "crlf") == 0;
    if (argc == 4 && !crlf)
        return usage();

    const std::size_t total = static_cast<std::size_t>(mb) * 1000 * 1000;
    Rng r{kind + 1};
    Writer w{std::string(), crlf ? "\r\n" : "\n"};
    std::size_t written = 0;
    while (written < total) {
        w.text.clear();
        w.line_start = 0;
        while (w.text.size() < 64 * 1024) {
            if (kind == 0)
                address_fields(w, r);
            else if (kind == 1)
                message(w, r);
            else
                mbox_message(w, r);
        }
        std::size_t n = w.text.size() < total - written ? w.text.size() : total - written;
        // Never end the file inside a line.
        if (n < w.text.size())
            n = w.text.rfind('\n', n - 1) + 1;
        if (std::fwrite(w.text.data(), 1, n, stdout) != n)
            return 1;
        written += n;
        if (n < w.text.size())
            break;
    }
    return std::fflush(stdout) == 0 ? 0 : 1;
}
