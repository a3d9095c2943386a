// Seeded mutations of real skin documents and archives: every input must end in the documented failure or
// a sound result, with no crash, no read outside the input and no hang.
#include "ui/core/UIMarkup.h"
#include "ui/core/UIZip.h"

#include "tests/common/TestEnv.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

using namespace Tamsk;
using nudge::test::ReadFileBytes;
using nudge::test::SourcePath;

namespace {

using Clock = std::chrono::steady_clock;
constexpr auto kTimeBudget = std::chrono::seconds(4);

std::wstring Fixture(const std::wstring& name) {
    return SourcePath(L"tests\\uibase\\fixtures\\" + name);
}

// Holds bytes so that they end exactly at a no-access page: a read past the end faults at once.
class GuardedBytes {
public:
    explicit GuardedBytes(const std::string& bytes) {
        SYSTEM_INFO info;
        GetSystemInfo(&info);
        size_t page = info.dwPageSize;
        size_t dataPages = (bytes.size() + page - 1) / page;
        m_size = (dataPages + 1) * page;
        m_base = static_cast<BYTE*>(VirtualAlloc(nullptr, m_size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
        DWORD old = 0;
        VirtualProtect(m_base + dataPages * page, page, PAGE_NOACCESS, &old);
        m_data = m_base + dataPages * page - bytes.size();
        if (!bytes.empty()) {
            std::memcpy(m_data, bytes.data(), bytes.size());
        }
    }
    ~GuardedBytes() { VirtualFree(m_base, 0, MEM_RELEASE); }
    GuardedBytes(const GuardedBytes&) = delete;
    GuardedBytes& operator=(const GuardedBytes&) = delete;
    const BYTE* Data() const { return m_data; }

private:
    BYTE* m_base = nullptr;
    BYTE* m_data = nullptr;
    size_t m_size = 0;
};

std::string Mutate(std::string bytes, std::mt19937& rng, const std::vector<size_t>& hotSpots) {
    std::uniform_int_distribution<int> kindOf(0, 5);
    int rounds = 1 + static_cast<int>(rng() % 4);
    for (int r = 0; r < rounds && !bytes.empty(); ++r) {
        size_t at = rng() % bytes.size();
        if (!hotSpots.empty() && rng() % 2 == 0) {
            at = (hotSpots[rng() % hotSpots.size()] + rng() % 48) % bytes.size();
        }
        switch (kindOf(rng)) {
        case 0:
            bytes[at] = static_cast<char>(bytes[at] ^ (1 << (rng() % 8)));
            break;
        case 1:
            bytes[at] = static_cast<char>(rng());
            break;
        case 2:
            bytes.resize(at);
            break;
        case 3: {
            // A length, offset or count field set to something extreme.
            static const unsigned kValues[] = {0, 1, 0x7FFF, 0xFFFF, 0x7FFFFFFF, 0xFFFFFFFF, 0xFFFFFFF0};
            unsigned v = kValues[rng() % 7];
            size_t width = rng() % 2 == 0 ? 2 : 4;
            for (size_t i = 0; i < width && at + i < bytes.size(); ++i) {
                bytes[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
            }
            break;
        }
        case 4: {
            static const char kMarkup[] = "<>/\"=&;!?- \x01\xEF\xFE\xFF";
            bytes.insert(at, 1, kMarkup[rng() % (sizeof(kMarkup) - 1)]);
            break;
        }
        default: {
            size_t len = rng() % 32;
            size_t from = rng() % bytes.size();
            bytes.insert(at, bytes.substr(from, len));
            break;
        }
        }
    }
    return bytes;
}

std::vector<size_t> FindAll(const std::string& bytes, const std::string& what) {
    std::vector<size_t> spots;
    for (size_t at = bytes.find(what); at != std::string::npos; at = bytes.find(what, at + 1)) {
        spots.push_back(at);
    }
    return spots;
}

// Walks the whole tree; a valid tree is finite and every link points forward to an element.
void WalkTree(CXmlMarkup& xml) {
    unsigned visited = 0;
    std::vector<CXmlNode> stack;
    if (xml.RootNode().Exists()) {
        stack.push_back(xml.RootNode());
    }
    while (!stack.empty()) {
        CXmlNode node = stack.back();
        stack.pop_back();
        for (; node.Exists(); node = node.NextSibling()) {
            ASSERT_LT(++visited, xml.ElementCount()) << "the tree has a cycle";
            ASSERT_NE(nullptr, node.TagName());
            for (int i = 0; i < node.AttrCount(); ++i) {
                ASSERT_NE(nullptr, node.AttrNameAt(i));
                ASSERT_NE(nullptr, node.AttrValueAt(i));
            }
            wchar_t value[16] = {};
            (void)node.CopyAttrValue(L"name", value, 15);
            if (node.HasChildNodes()) {
                stack.push_back(node.FirstChild());
            }
        }
    }
}

TEST(BadInput, MutatedSkinDocuments) {
    std::string skin = ReadFileBytes(Fixture(L"tree\\main_frame.xml"));
    ASSERT_FALSE(skin.empty());
    std::string entities = "<a v=\"&lt;&amp;&quot;x&apos;&gt;\" w=\"&&&\"><b/><c x=\"1\">t &amp; u</c></a>";
    const std::vector<std::string> seeds = {skin, entities, "\xEF\xBB\xBF" + skin};
    const std::vector<std::wstring> messages = {
        L"",
        L"Expected start tag",
        L"Error parsing element name",
        L"Expected start-tag closing",
        L"Expected end-tag start",
        L"Unmatched closing tag",
        L"Error while parsing attributes",
        L"Expected attribute value",
        L"Error while parsing attribute string",
        L"Elements nested too deeply",
    };
    std::mt19937 rng(0x5EED0001u);
    const auto start = Clock::now();
    int runs = 0, parsed = 0;
    for (; runs < 6000 && Clock::now() - start < kTimeBudget; ++runs) {
        const std::string& seed = seeds[static_cast<size_t>(runs) % seeds.size()];
        std::string bytes = Mutate(seed, rng, FindAll(seed, "<"));
        GuardedBytes guarded(bytes);
        int encoding =
            runs % 11 == 0 ? XmlEncodingUtf16 : (runs % 7 == 0 ? XmlEncodingAnsi : XmlEncodingUtf8);
        CXmlMarkup xml;
        xml.SetPreserveWhitespace(runs % 3 != 0);
        if (xml.LoadFromBytes(guarded.Data(), static_cast<DWORD>(bytes.size()), encoding)) {
            ++parsed;
            WalkTree(xml);
            if (HasFatalFailure()) {
                FAIL() << "run " << runs;
            }
        } else {
            bool known = false;
            for (const auto& m : messages) {
                known = known || m == xml.LastError();
            }
            ASSERT_TRUE(known) << "run " << runs << ": unexpected message "
                               << testing::PrintToString(std::wstring(xml.LastError()));
            ASSERT_FALSE(xml.IsValid());
        }
    }
    std::printf("%d documents, %d parsed\n", runs, parsed);
    EXPECT_GT(runs, 1000);
    EXPECT_GT(parsed, 0) << "some mutations still parse";
    EXPECT_LT(parsed, runs) << "some mutations fail";
}

TEST(BadInput, MutatedArchives) {
    const std::vector<std::string> seeds = {
        ReadFileBytes(Fixture(L"deflated.zip")),
        ReadFileBytes(Fixture(L"pipe.zip")),
        ReadFileBytes(Fixture(L"python.zip")),
        ReadFileBytes(Fixture(L"stub.zip")),
    };
    std::vector<std::vector<size_t>> hotSpots;
    for (const auto& seed : seeds) {
        ASSERT_FALSE(seed.empty());
        std::vector<size_t> spots = FindAll(seed, "PK");
        hotSpots.push_back(spots);
    }
    const wchar_t* names[] = {L"main_frame.xml", L"skin1/bg.png", L"close_normal.png", L"skin1/",
                              L"empty.txt"};
    const DWORD known[] = {ZipOk,         ZipNotFound,    ZipMore,         ZipCorrupt,
                           ZipReadFailed, ZipBadArgument, ZipInflateFailed};
    std::mt19937 rng(0x5EED0002u);
    const auto start = Clock::now();
    int runs = 0, opened = 0, extracted = 0;
    std::vector<char> buffer(256 * 1024);
    for (; runs < 6000 && Clock::now() - start < kTimeBudget; ++runs) {
        size_t which = static_cast<size_t>(runs) % seeds.size();
        std::string bytes = Mutate(seeds[which], rng, hotSpots[which]);
        GuardedBytes guarded(bytes);
        HZIPUI zip = ZipOpen(guarded.Data(), static_cast<DWORD>(bytes.size()), ZipSourceMemory);
        if (zip == nullptr) {
            continue;
        }
        ++opened;
        for (const wchar_t* name : names) {
            int index = -1;
            TZipEntryUI entry;
            DWORD found = ZipFind(zip, name, true, &index, &entry);
            ASSERT_TRUE(found == ZipOk || found == ZipNotFound) << "run " << runs;
            if (found != ZipOk) {
                ASSERT_EQ(-1, index);
                continue;
            }
            DWORD size = entry.uncompressedSize < buffer.size() ? entry.uncompressedSize
                                                                : static_cast<DWORD>(buffer.size());
            DWORD result = ZipMore;
            int calls = 0;
            for (; result == ZipMore && calls < 64; ++calls) {
                result = ZipExtract(zip, index, buffer.data(), size);
                bool isKnown = false;
                for (DWORD k : known) {
                    isKnown = isKnown || k == result;
                }
                ASSERT_TRUE(isKnown) << "run " << runs << ": result " << result;
                if (size == 0) {
                    break;
                }
            }
            if (result == ZipOk) {
                ++extracted;
            }
        }
        ASSERT_EQ(static_cast<DWORD>(ZipOk), ZipClose(zip));
    }
    std::printf("%d archives, %d opened, %d entries extracted\n", runs, opened, extracted);
    EXPECT_GT(runs, 1000);
    EXPECT_GT(opened, 0);
    EXPECT_GT(extracted, 0);
}

} // namespace
