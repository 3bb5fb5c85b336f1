#include "client/console.h"

#include <unistd.h>

#include <cerrno>
#include <iostream>

#include "utility/strings.h"

namespace console {

FdOutputBuffer::FdOutputBuffer(int fd) : fd_(fd) {
    setp(buffer_, buffer_ + sizeof buffer_);
}

FdOutputBuffer::~FdOutputBuffer() {
    WriteOut();
}

bool FdOutputBuffer::WriteOut() {
    const char* p = pbase();
    while (p < pptr()) {
        const ssize_t n = ::write(fd_, p, static_cast<size_t>(pptr() - p));
        if (n < 0) {
            if (errno == EINTR) continue;
            setp(buffer_, buffer_ + sizeof buffer_);
            return false;
        }
        p += n;
    }
    setp(buffer_, buffer_ + sizeof buffer_);
    return true;
}

FdOutputBuffer::int_type FdOutputBuffer::overflow(int_type c) {
    if (!WriteOut()) return traits_type::eof();
    if (!traits_type::eq_int_type(c, traits_type::eof())) {
        *pptr() = traits_type::to_char_type(c);
        pbump(1);
    }
    return traits_type::not_eof(c);
}

std::streamsize FdOutputBuffer::xsputn(const char* s, std::streamsize n) {
    std::streamsize done = 0;
    while (done < n) {
        if (pptr() == epptr() && !WriteOut()) break;
        const std::streamsize room = epptr() - pptr();
        const std::streamsize chunk = std::min(room, n - done);
        traits_type::copy(pptr(), s + done, static_cast<size_t>(chunk));
        pbump(static_cast<int>(chunk));
        done += chunk;
    }
    return done;
}

int FdOutputBuffer::sync() {
    return WriteOut() ? 0 : -1;
}

Utf8WideBuffer::int_type Utf8WideBuffer::overflow(int_type c) {
    if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
    // This buffer has no put area, so the stream hands over every single
    // character here: a column's padding comes one space at a time. ASCII
    // goes straight into the narrow buffer, without the scratch string.
    const wchar_t wc = traits_type::to_char_type(c);
    if (wc >= 0 && wc < 0x80) {
        const auto put = narrow_.sputc(static_cast<char>(wc));
        return std::streambuf::traits_type::eq_int_type(put, std::streambuf::traits_type::eof())
                   ? traits_type::eof()
                   : c;
    }
    return xsputn(&wc, 1) == 1 ? c : traits_type::eof();
}

std::streamsize Utf8WideBuffer::xsputn(const wchar_t* s, std::streamsize n) {
    scratch_.clear();
    for (std::streamsize i = 0; i < n; ++i) CVLib::strings::AppendUtf8(scratch_, s[i]);
    const auto size = static_cast<std::streamsize>(scratch_.size());
    return narrow_.sputn(scratch_.data(), size) == size ? n : 0;
}

int Utf8WideBuffer::sync() {
    return narrow_.pubsync();
}

void InstallUtf8Console() {
    // Never destroyed: the standard streams may be flushed as late as the
    // library's own exit handlers.
    static auto* narrow = new FdOutputBuffer(STDOUT_FILENO);
    static auto* wide = new Utf8WideBuffer(*narrow);
    std::cout.rdbuf(narrow);
    std::wcout.rdbuf(wide);
}

}  // namespace console
