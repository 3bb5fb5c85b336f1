#include "client/console.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <iomanip>
#include <iostream>
#include <string>

namespace {

std::string Drain(int fd) {
    std::string all;
    char buf[4096];
    ssize_t n;
    while ((n = read(fd, buf, sizeof buf)) > 0) all.append(buf, static_cast<size_t>(n));
    return all;
}

// Narrow and wide writes through the shared buffer arrive in the order they
// were made, as UTF-8, and stream formatting (width, fill) still applies.
TEST(Console, WideAndNarrowWritesShareOneUtf8BufferFlushedWhenAsked) {
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    {
        console::FdOutputBuffer narrowBuf(fds[1]);
        console::Utf8WideBuffer wideBuf(narrowBuf);
        std::ostream narrow(&narrowBuf);
        std::wostream wide(&wideBuf);
        wide << L"Задача ";
        narrow << "narrow ";
        wide << std::left << std::setfill(L'.') << std::setw(6) << L"𝄞x" << L'|' << 42;
        // Padding arrives one character at a time, ASCII or not.
        wide << std::setfill(L'–') << std::setw(2) << L"y";
        narrow << std::endl;
        // An escaped raw byte goes out as that byte again.
        wide << wchar_t(0xDCFF) << std::flush;
    }
    close(fds[1]);
    EXPECT_EQ(Drain(fds[0]), "Задача narrow 𝄞x....|42y–\n\xff");
    close(fds[0]);

    // Bytes go out only when flushed or when the buffer is full.
    ASSERT_EQ(pipe(fds), 0);
    console::FdOutputBuffer buf(fds[1]);
    std::ostream out(&buf);
    out << "Waiting";
    ASSERT_EQ(fcntl(fds[0], F_SETFL, O_NONBLOCK), 0);
    char c;
    EXPECT_EQ(read(fds[0], &c, 1), -1);  // still in the buffer
    out << std::flush;
    char got[8] = {};
    EXPECT_EQ(read(fds[0], got, sizeof got), 7);
    EXPECT_STREQ(got, "Waiting");
    // More than the buffer holds goes out whole, in order.
    const std::string big(20000, 'x');
    out << big << std::flush;
    close(fds[1]);
    ASSERT_EQ(fcntl(fds[0], F_SETFL, 0), 0);
    EXPECT_EQ(Drain(fds[0]), big);
    close(fds[0]);
}

}  // namespace
