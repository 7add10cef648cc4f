// The test programs' main. Standard output goes out in binary mode, so that the test listing
// reaches CTest with plain "\n" line ends rather than the "\r\n" of a text-mode stream.
#include <fcntl.h>
#include <io.h>

#include <cstdio>

#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    _setmode(_fileno(stdout), _O_BINARY);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
