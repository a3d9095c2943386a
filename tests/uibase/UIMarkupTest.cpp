#include "ui/core/UIMarkup.h"

#include "tests/common/TestEnv.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace Tamsk;
using nudge::test::ReadFileBytes;
using nudge::test::SourcePath;

namespace {

std::string SkinDocumentBytes() {
    std::string bytes = ReadFileBytes(SourcePath(L"tests\\uibase\\fixtures\\tree\\main_frame.xml"));
    EXPECT_FALSE(bytes.empty());
    return bytes;
}

std::wstring Widen(const std::string& utf8) {
    int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), &wide[0], n);
    return wide;
}

std::string Utf16Bytes(const std::wstring& text, bool bigEndian) {
    std::string bytes = bigEndian ? std::string("\xFE\xFF") : std::string("\xFF\xFE");
    for (wchar_t ch : text) {
        char lo = static_cast<char>(ch & 0xFF);
        char hi = static_cast<char>((ch >> 8) & 0xFF);
        bytes += bigEndian ? std::string{hi, lo} : std::string{lo, hi};
    }
    return bytes;
}

std::wstring Attr(const CXmlNode& node, const wchar_t* name) {
    for (int i = 0; i < node.AttrCount(); ++i) {
        if (std::wstring(node.AttrNameAt(i)) == name) {
            return node.AttrValueAt(i);
        }
    }
    return L"<absent>";
}

// The tree as "Tag(index)[child child]" so that whole shapes compare at once.
std::wstring Shape(const CXmlNode& node) {
    std::wstring out;
    for (CXmlNode n = node; n.Exists(); n = n.NextSibling()) {
        if (!out.empty()) {
            out += L" ";
        }
        out += std::wstring(n.TagName()) + L"(" + std::to_wstring(n.ElementIndex()) + L")";
        if (n.HasChildNodes()) {
            out += L"[" + Shape(n.FirstChild()) + L"]";
        }
    }
    return out;
}

const wchar_t kSkinShape[] =
    L"Window(1)[Font(2) Font(3) Font(4) VerticalLayout(5)[VerticalLayout(6)[Button(7) "
    L"Button(8)]]]";

TEST(XmlMarkup, PopupSkinDocument) {
    std::string bytes = SkinDocumentBytes();
    CXmlMarkup xml;
    ASSERT_TRUE(xml.LoadFromBytes(bytes.data(), static_cast<DWORD>(bytes.size()), XmlEncodingUtf8))
        << xml.LastError();
    CXmlNode root = xml.RootNode();
    ASSERT_TRUE(root.Exists());
    EXPECT_EQ(kSkinShape, Shape(root)) << "the comment and the declaration create no elements";
    EXPECT_EQ(9u, xml.ElementCount());
    EXPECT_EQ(3, root.AttrCount());
    EXPECT_EQ(L"350,250", Attr(root, L"size"));
    EXPECT_EQ(L"0,0,0,0", Attr(root, L"caption"));
    EXPECT_EQ(L"true", Attr(root, L"bktrans"));
    CXmlNode font = root.FirstChild();
    EXPECT_STREQ(L"Font", font.TagName());
    EXPECT_EQ(L"\x5FAE\x8F6F\x96C5\x9ED1", Attr(font, L"name"));
    EXPECT_EQ(L"true", Attr(font, L"default"));
    CXmlNode close = root.FirstChild().NextSibling().NextSibling().NextSibling().FirstChild().FirstChild();
    EXPECT_STREQ(L"Button", close.TagName());
    EXPECT_EQ(7, close.AttrCount());
    EXPECT_EQ(L"btn_close", Attr(close, L"name"));
    EXPECT_EQ(L"file='close_normal.png'", Attr(close, L"normalimage"));
    EXPECT_EQ(L"file='close_down.png'", Attr(close, L"pushedimage"));
    EXPECT_FALSE(close.HasChildNodes());
    CXmlNode buy = close.NextSibling();
    EXPECT_EQ(L"btn_buyvip", Attr(buy, L"name"));
    EXPECT_EQ(2, buy.AttrCount());
    EXPECT_FALSE(buy.NextSibling().Exists());

    wchar_t value[8] = {};
    EXPECT_TRUE(close.CopyAttrValue(L"pos", value, 7));
    EXPECT_STREQ(L"300,0", value);
    wchar_t cut[4] = {};
    EXPECT_TRUE(close.CopyAttrValue(L"pos", cut, 3));
    EXPECT_STREQ(L"300", cut);
    EXPECT_FALSE(close.CopyAttrValue(L"Pos", value, 7)) << "attribute names are case-sensitive";
    EXPECT_STREQ(L"", close.AttrNameAt(7));
    EXPECT_STREQ(L"", close.AttrValueAt(-1));

    CXmlNode invalid;
    EXPECT_EQ(nullptr, invalid.TagName());
    EXPECT_EQ(nullptr, invalid.AttrNameAt(0));
    EXPECT_EQ(0, invalid.AttrCount());
    EXPECT_FALSE(invalid.FirstChild().Exists());
    EXPECT_FALSE(invalid.HasChildNodes());
}

TEST(XmlMarkup, EncodingsGiveTheSameTree) {
    std::string utf8 = SkinDocumentBytes();
    std::wstring text = Widen(utf8);
    struct Case {
        const char* what;
        std::string bytes;
        int encoding;
    } cases[] = {
        {"UTF-8 without mark", utf8, XmlEncodingUtf8},
        {"UTF-8 with mark", "\xEF\xBB\xBF" + utf8, XmlEncodingUtf8},
        {"UTF-16 little-endian", Utf16Bytes(text, false), XmlEncodingUtf16},
        {"UTF-16 big-endian", Utf16Bytes(text, true), XmlEncodingUtf16},
        {"UTF-16 selector other than 1", Utf16Bytes(text, false), 7},
    };
    for (const auto& c : cases) {
        CXmlMarkup xml;
        ASSERT_TRUE(xml.LoadFromBytes(c.bytes.data(), static_cast<DWORD>(c.bytes.size()), c.encoding))
            << c.what;
        EXPECT_EQ(kSkinShape, Shape(xml.RootNode())) << c.what;
        EXPECT_EQ(L"\x5FAE\x8F6F\x96C5\x9ED1", Attr(xml.RootNode().FirstChild(), L"name")) << c.what;
    }

    std::string ansi = "<a v=\"plain\"/>";
    CXmlMarkup xml;
    ASSERT_TRUE(xml.LoadFromBytes(ansi.data(), static_cast<DWORD>(ansi.size()), XmlEncodingAnsi));
    EXPECT_EQ(L"plain", Attr(xml.RootNode(), L"v"));

    std::string noMark = utf8.substr(0, 20);
    EXPECT_FALSE(xml.LoadFromBytes(noMark.data(), static_cast<DWORD>(noMark.size()), XmlEncodingUtf16));
    EXPECT_STREQ(L"", xml.LastError()) << "UTF-16 without a mark fails without a message";
    EXPECT_FALSE(xml.IsValid());
}

TEST(XmlMarkup, ErrorsWithTheirLocations) {
    struct Case {
        const wchar_t* text;
        const wchar_t* message;
        const wchar_t* location;
    } cases[] = {
        {L"<a><b><c>", L"Expected end-tag start", L""},
        {L"<a><b><c></c>", L"Expected start tag", L""},
        {L"<a><b></c></a>", L"Unmatched closing tag", L"c></a>"},
        {L"<a></ab>", L"Unmatched closing tag", L"b>"},
        {L"<a x='1'/>", L"Expected attribute value", L"'1'/>"},
        {L"<a x/>", L"Error while parsing attributes", L"/>"},
        {L"<a x=\"1/>", L"Error while parsing attribute string", L""},
        {L"<a x=\"1\" ?>", L"Error while parsing attributes", L"?>"},
        {L"<a x=\"1\" /x>", L"Expected start-tag closing", L"/x>"},
        {L"<a>text<b/>more</a>", L"Expected start tag", L"more</a>"},
        {L"text", L"Expected start tag", L"text"},
        {L"<a>", L"", L""},
        {L"<abc", L"Error parsing element name", L""},
        {L"<a><b>text", L"", L""},
        {L"<a/><b/>trailing", L"Expected start tag", L"trailing"},
    };
    for (const auto& c : cases) {
        CXmlMarkup xml;
        bool ok = xml.LoadFromText(c.text);
        EXPECT_EQ(c.message[0] == L'\0', ok) << "text: " << testing::PrintToString(std::wstring(c.text));
        EXPECT_STREQ(c.message, xml.LastError()) << testing::PrintToString(std::wstring(c.text));
        EXPECT_STREQ(c.location, xml.LastErrorLocation()) << testing::PrintToString(std::wstring(c.text));
        if (!ok) {
            EXPECT_FALSE(xml.IsValid());
            EXPECT_FALSE(xml.RootNode().Exists());
        }
    }

    // The location keeps at most 49 code units, the message of the next load replaces the last one.
    std::wstring longTail = L"<a>" + std::wstring(80, L'x') + L"</b>";
    CXmlMarkup xml;
    EXPECT_FALSE(xml.LoadFromText((L"<r>" + longTail + L"</r>").c_str()));
    EXPECT_STREQ(L"Unmatched closing tag", xml.LastError());
    EXPECT_FALSE(xml.LoadFromText((L"<r><a x=\"" + std::wstring(80, L'y')).c_str()));
    EXPECT_STREQ(L"Error while parsing attribute string", xml.LastError());
    ASSERT_TRUE(xml.LoadFromText((L"<r>  <q " + std::wstring(60, L'z') + L"=\"1\"/></r>").c_str()));
    EXPECT_STREQ(L"", xml.LastError());
    EXPECT_FALSE(xml.LoadFromText((L"<r v='" + std::wstring(80, L'w') + L"'/>").c_str()));
    EXPECT_EQ(49u, wcslen(xml.LastErrorLocation()));
    EXPECT_EQ(L"'" + std::wstring(48, L'w'), xml.LastErrorLocation());
}

TEST(XmlMarkup, EmptyDocumentsCommentsAndSelfClosing) {
    struct Case {
        const wchar_t* text;
        const wchar_t* shape;
    } cases[] = {
        {L"", L""},
        {L"  \r\n\t ", L""},
        {L"<?xml version=\"1.0\"?><!-- c --><a/>", L"a(1)"},
        {L"<a/><b/>", L"a(1) b(2)"},
        {L"<a><b/><c/></a>", L"a(1)[b(2) c(3)]"},
        {L"<a ><b></b ><c ></c></a >", L"a(1)[b(2) c(3)]"},
        {L"<a><b><c/></b>", L"a(1)[b(2)[c(3)]]"},
        {L"<a>text<b/></a>", L"a(1)[b(2)]"},
        {L"<a><!-- <b/> --><c/></a>", L"a(1)[c(2)]"},
        {L"<a><!-- no end <b/></a>", L"a(1)"},
    };
    for (const auto& c : cases) {
        CXmlMarkup xml;
        ASSERT_TRUE(xml.LoadFromText(c.text))
            << testing::PrintToString(std::wstring(c.text)) << xml.LastError();
        EXPECT_EQ(c.shape, Shape(xml.RootNode())) << testing::PrintToString(std::wstring(c.text));
    }
}

TEST(XmlMarkup, EntitiesAndWhitespace) {
    CXmlMarkup xml(L"<a v=\"&lt;b&gt; &amp; &quot;q&quot; &apos;s&apos;\" w=\"&#65;&copy;&amp\" "
                   L"x=\"&&lt;\" y=\"a  b\tc\"/>");
    CXmlNode a = xml.RootNode();
    ASSERT_TRUE(a.Exists()) << xml.LastError();
    EXPECT_EQ(L"<b> & \"q\" 's'", Attr(a, L"v"));
    EXPECT_EQ(L"&#65;&copy;&amp", Attr(a, L"w")) << "unknown entities stay as written";
    EXPECT_EQ(L"&<", Attr(a, L"x"));
    EXPECT_EQ(L"a  b\tc", Attr(a, L"y"));
    EXPECT_EQ(4, a.AttrCount());

    CXmlMarkup collapsed;
    collapsed.SetPreserveWhitespace(false);
    ASSERT_TRUE(collapsed.LoadFromText(L"<a y=\"a  b \t\r\n c\" z=\"&lt;&lt;  x\"/>"));
    EXPECT_EQ(L"a b c", Attr(collapsed.RootNode(), L"y"));
    EXPECT_EQ(L"<< x", Attr(collapsed.RootNode(), L"z"));
}

TEST(XmlMarkup, SeventyAttributesShowTheFirst64) {
    std::wstring text = L"<Control";
    for (int i = 0; i < 70; ++i) {
        text += L" a" + std::to_wstring(i) + L"=\"v" + std::to_wstring(i) + L"\"";
    }
    text += L"><Child/></Control>";
    CXmlMarkup xml;
    ASSERT_TRUE(xml.LoadFromText(text.c_str())) << xml.LastError();
    CXmlNode node = xml.RootNode();
    ASSERT_EQ(64, node.AttrCount());
    EXPECT_STREQ(L"a0", node.AttrNameAt(0));
    EXPECT_STREQ(L"v63", node.AttrValueAt(63));
    EXPECT_STREQ(L"", node.AttrNameAt(64));
    wchar_t value[8] = {};
    EXPECT_FALSE(node.CopyAttrValue(L"a65", value, 7)) << "attributes past the 64th are invisible";
    EXPECT_STREQ(L"Child", node.FirstChild().TagName());
}

TEST(XmlMarkup, NestingDepthIsBounded) {
    auto nested = [](int depth) {
        std::wstring text;
        for (int i = 0; i < depth; ++i) {
            text += L"<e>";
        }
        for (int i = 0; i < depth; ++i) {
            text += L"</e>";
        }
        return text;
    };
    CXmlMarkup xml;
    ASSERT_TRUE(xml.LoadFromText(nested(900).c_str())) << xml.LastError();
    EXPECT_EQ(901u, xml.ElementCount());
    EXPECT_FALSE(xml.LoadFromText(nested(200000).c_str()));
    EXPECT_STREQ(L"Elements nested too deeply", xml.LastError());
}

TEST(XmlMarkup, ManyElementsGrowTheTable) {
    std::wstring text = L"<r>";
    for (int i = 0; i < 2000; ++i) {
        text += L"<e i=\"" + std::to_wstring(i) + L"\"/>";
    }
    text += L"</r>";
    CXmlMarkup xml;
    ASSERT_TRUE(xml.LoadFromText(text.c_str()));
    EXPECT_EQ(2002u, xml.ElementCount());
    int count = 0;
    for (CXmlNode n = xml.RootNode().FirstChild(); n.Exists(); n = n.NextSibling()) {
        ASSERT_EQ(std::to_wstring(count), Attr(n, L"i"));
        ++count;
    }
    EXPECT_EQ(2000, count);
    ASSERT_TRUE(xml.LoadFromText(L"<only/>"));
    EXPECT_EQ(2u, xml.ElementCount()) << "a reload starts a new table";
}

} // namespace
