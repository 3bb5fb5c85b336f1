// The console: std::cout and std::wcout share one buffer that writes UTF-8 to
// standard output, whatever the locale, so narrow and wide writes reach the
// output in the order they were made. A flush (std::endl, std::flush) writes
// the buffer out; so does a full buffer.
//
// std::cerr is left as the C library set it up.
#pragma once

#include <ostream>
#include <streambuf>
#include <string>

namespace console {

// Collects bytes and writes them to a file descriptor on flush or when full.
class FdOutputBuffer : public std::streambuf {
public:
    explicit FdOutputBuffer(int fd);
    ~FdOutputBuffer() override;
    FdOutputBuffer(const FdOutputBuffer&) = delete;
    FdOutputBuffer& operator=(const FdOutputBuffer&) = delete;

protected:
    int_type overflow(int_type c) override;
    std::streamsize xsputn(const char* s, std::streamsize n) override;
    int sync() override;

private:
    bool WriteOut();

    int fd_;
    char buffer_[8192];
};

// Encodes wide characters as UTF-8 into a narrow buffer, unbuffered itself,
// so its output takes its place among the narrow buffer's bytes at once.
class Utf8WideBuffer : public std::wstreambuf {
public:
    explicit Utf8WideBuffer(std::streambuf& narrow) : narrow_(narrow) {}

protected:
    int_type overflow(int_type c) override;
    std::streamsize xsputn(const wchar_t* s, std::streamsize n) override;
    int sync() override;

private:
    std::streambuf& narrow_;
    std::string scratch_;
};

// A wide stream writing UTF-8 to a file descriptor, flushed as any stream.
class Utf8FdStream : public std::wostream {
public:
    explicit Utf8FdStream(int fd) : std::wostream(nullptr), narrow_(fd), wide_(narrow_) {
        rdbuf(&wide_);
    }
    ~Utf8FdStream() override { flush(); }

private:
    FdOutputBuffer narrow_;
    Utf8WideBuffer wide_;
};

// Points std::cout and std::wcout at one shared UTF-8 buffer on standard
// output. Call once, before anything is written; the buffers live until the
// process ends.
void InstallUtf8Console();

}  // namespace console
