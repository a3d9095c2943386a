// MD5 against RFC 1321's suite and EncodeBase64 against RFC 4648's vectors and its capacity contract.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "app/ClickReport.h"
#include "services/Md5.h"

namespace {

TEST(Md5, Rfc1321TestSuite) {
    struct Case {
        const char* input;
        const char* digest;
    } cases[] = {
        {"", "d41d8cd98f00b204e9800998ecf8427e"},
        {"a", "0cc175b9c0f1b6a831c399e269772661"},
        {"abc", "900150983cd24fb0d6963f7d28e17f72"},
        {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
        {"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
        {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789",
         "d174ab98d277d9f5a5611c2c9f419d9f"},
        {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
         "57edf4a22be3c955ac49da2e2107b67a"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.input);
        EXPECT_EQ(Md5Hex(c.input, std::strlen(c.input)), c.digest);
        std::uint8_t digest[kMd5DigestSize];
        ASSERT_TRUE(ComputeMd5(c.input, std::strlen(c.input), digest));
        char hex[3];
        std::snprintf(hex, sizeof hex, "%02x", digest[0]);
        EXPECT_EQ(std::string(hex), std::string(c.digest, 2));
    }
}

TEST(Base64, Rfc4648Vectors) {
    struct Case {
        const char* input;
        const char* text;
    } cases[] = {
        {"f", "Zg=="},         {"fo", "Zm8="},         {"foo", "Zm9v"},          {"foob", "Zm9vYg=="},
        {"fooba", "Zm9vYmE="}, {"foobar", "Zm9vYmFy"}, {"\xfb\xff\xbf", "+/+/"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.input);
        char out[32];
        std::memset(out, '#', sizeof out);
        std::size_t capacity = sizeof out;
        ASSERT_EQ(EncodeBase64(reinterpret_cast<const unsigned char*>(c.input), std::strlen(c.input), out,
                               &capacity),
                  0);
        EXPECT_STREQ(out, c.text);
        EXPECT_EQ(capacity, std::strlen(c.text));
    }
}

TEST(Base64, CapacityContract) {
    const unsigned char input[] = {'f', 'o', 'o', 'b', 'a'}; // "Zm9vYmE=": 8 characters and the terminator
    char out[16];

    std::memset(out, '#', sizeof out);
    std::size_t capacity = 9; // exact fit
    ASSERT_EQ(EncodeBase64(input, sizeof input, out, &capacity), 0);
    EXPECT_EQ(capacity, 8u);
    EXPECT_STREQ(out, "Zm9vYmE=");
    EXPECT_EQ(out[9], '#');

    std::memset(out, '#', sizeof out);
    capacity = 8; // one byte short
    EXPECT_EQ(EncodeBase64(input, sizeof input, out, &capacity), kBase64BufferTooSmall);
    EXPECT_EQ(capacity, 9u);
    for (char c : out)
        ASSERT_EQ(c, '#') << "nothing is written when the text does not fit";

    capacity = 0; // size query without a buffer
    EXPECT_EQ(EncodeBase64(input, sizeof input, nullptr, &capacity), kBase64BufferTooSmall);
    EXPECT_EQ(capacity, 9u);

    std::memset(out, '#', sizeof out);
    capacity = sizeof out; // length 0
    EXPECT_EQ(EncodeBase64(input, 0, out, &capacity), 0);
    EXPECT_EQ(capacity, 0u);
    EXPECT_EQ(out[0], '#');
}

} // namespace
