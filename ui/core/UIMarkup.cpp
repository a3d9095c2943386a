#include "ui/core/UIMarkup.h"

#include "ui/core/UIResource.h"

#include <climits>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <cwctype>

namespace Tamsk {

namespace {

bool IsSpace(wchar_t ch) noexcept {
    return ch > 0 && ch <= 32;
}

void SkipSpace(wchar_t*& p) noexcept {
    while (IsSpace(*p)) {
        ++p;
    }
}

// "-" and "." end a name: the skin vocabulary has no such names.
bool IsNameChar(wchar_t ch) noexcept {
    return ch == L'_' || ch == L':' || (ch != 0 && std::iswalnum(ch));
}

void CopyTruncated(wchar_t* dest, std::size_t capacity, const wchar_t* src) noexcept {
    std::size_t i = 0;
    if (src != nullptr) {
        for (; i + 1 < capacity && src[i] != L'\0'; ++i) {
            dest[i] = src[i];
        }
    }
    dest[i] = L'\0';
}

bool StartsWith(const wchar_t* p, const wchar_t* prefix) noexcept {
    return std::wcsncmp(p, prefix, std::wcslen(prefix)) == 0;
}

} // namespace

// ---------------------------------------------------------------------------------------------------------
// CXmlNode

CXmlNode::CXmlNode() noexcept : m_nElement(0), m_nAttributes(0), m_aAttributes(), m_pOwner(nullptr) {}

CXmlNode::CXmlNode(CXmlMarkup* owner, unsigned element) noexcept
    : m_nElement(element), m_nAttributes(0), m_aAttributes(), m_pOwner(nullptr) {
    // A stale index (the document was reloaded meanwhile) gives an invalid node rather than a wild read.
    if (owner != nullptr && owner->m_pText != nullptr && element > 0 && element < owner->m_nElements) {
        m_pOwner = owner;
    }
}

const wchar_t* CXmlNode::TagName() const noexcept {
    if (m_pOwner == nullptr) {
        return nullptr;
    }
    return m_pOwner->m_pText + m_pOwner->m_pElements[m_nElement].nameStart;
}

CXmlNode CXmlNode::FirstChild() const noexcept {
    if (m_pOwner == nullptr || m_pOwner->m_pElements[m_nElement].firstChild == 0) {
        return CXmlNode();
    }
    return CXmlNode(m_pOwner, m_pOwner->m_pElements[m_nElement].firstChild);
}

CXmlNode CXmlNode::NextSibling() const noexcept {
    if (m_pOwner == nullptr || m_pOwner->m_pElements[m_nElement].nextSibling == 0) {
        return CXmlNode();
    }
    return CXmlNode(m_pOwner, m_pOwner->m_pElements[m_nElement].nextSibling);
}

bool CXmlNode::HasChildNodes() const noexcept {
    return m_pOwner != nullptr && m_pOwner->m_pElements[m_nElement].firstChild != 0;
}

void CXmlNode::BuildAttributeTable() const noexcept {
    m_nAttributes = 0;
    if (m_pOwner == nullptr) {
        return;
    }
    const CXmlMarkup::TElement& element = m_pOwner->m_pElements[m_nElement];
    wchar_t* text = m_pOwner->m_pText;
    wchar_t* end = text + element.dataStart;
    wchar_t* p = text + element.nameStart;
    p += std::wcslen(p) + 1;
    // The walk stays inside the start tag: a name ends at its NUL, a value at its NUL, and anything that
    // is not an attribute name (the ">" of the tag, for one) ends the table.
    while (p < end && m_nAttributes < kMaxAttributes) {
        SkipSpace(p);
        if (p >= end || !IsNameChar(*p)) {
            break;
        }
        unsigned nameOffset = static_cast<unsigned>(p - text);
        while (p < end && *p != L'\0') {
            ++p;
        }
        if (p >= end) {
            break;
        }
        ++p;
        SkipSpace(p);
        if (p >= end || *p != L'"') {
            break;
        }
        ++p;
        m_aAttributes[m_nAttributes][0] = nameOffset;
        m_aAttributes[m_nAttributes][1] = static_cast<unsigned>(p - text);
        ++m_nAttributes;
        while (p < end && *p != L'\0') {
            ++p;
        }
        ++p;
    }
}

int CXmlNode::AttrCount() const noexcept {
    if (m_pOwner == nullptr) {
        return 0;
    }
    if (m_nAttributes == 0) {
        BuildAttributeTable();
    }
    return m_nAttributes;
}

const wchar_t* CXmlNode::AttrNameAt(int index) const noexcept {
    if (m_pOwner == nullptr) {
        return nullptr;
    }
    if (index < 0 || index >= AttrCount()) {
        return L"";
    }
    return m_pOwner->m_pText + m_aAttributes[index][0];
}

const wchar_t* CXmlNode::AttrValueAt(int index) const noexcept {
    if (m_pOwner == nullptr) {
        return nullptr;
    }
    if (index < 0 || index >= AttrCount()) {
        return L"";
    }
    return m_pOwner->m_pText + m_aAttributes[index][1];
}

bool CXmlNode::CopyAttrValue(const wchar_t* name, wchar_t* buffer, int max) const noexcept {
    if (m_pOwner == nullptr || name == nullptr || buffer == nullptr) {
        return false;
    }
    int count = AttrCount();
    for (int i = 0; i < count; ++i) {
        if (std::wcscmp(m_pOwner->m_pText + m_aAttributes[i][0], name) == 0) {
            if (max > 0) {
                std::wcsncpy(buffer, m_pOwner->m_pText + m_aAttributes[i][1], static_cast<std::size_t>(max));
            }
            return true;
        }
    }
    return false;
}

// ---------------------------------------------------------------------------------------------------------
// CXmlMarkup

CXmlMarkup::CXmlMarkup(const wchar_t* text) noexcept
    : m_pText(nullptr), m_pElements(nullptr), m_nElements(0), m_nElementsAllocated(0), m_szErrorMsg(),
      m_szErrorXml(), m_bPreserveWhitespace(true) {
    if (text != nullptr) {
        (void)LoadFromText(text);
    }
}

CXmlMarkup::~CXmlMarkup() {
    Release();
}

void CXmlMarkup::Release() noexcept {
    std::free(m_pText);
    std::free(m_pElements);
    m_pText = nullptr;
    m_pElements = nullptr;
    m_nElements = 0;
    m_nElementsAllocated = 0;
}

CXmlNode CXmlMarkup::RootNode() noexcept {
    if (m_nElements < 2) {
        return CXmlNode();
    }
    return CXmlNode(this, 1);
}

void CXmlMarkup::SetLoadError(const wchar_t* message) noexcept {
    CopyTruncated(m_szErrorMsg, 100, message);
    m_szErrorXml[0] = L'\0';
}

bool CXmlMarkup::LoadFromText(const wchar_t* text) noexcept {
    Release();
    SetLoadError(L"");
    if (text == nullptr) {
        text = L"";
    }
    std::size_t length = std::wcslen(text);
    // Offsets are 32-bit.
    if (length >= UINT_MAX / sizeof(wchar_t)) {
        return false;
    }
    m_pText = static_cast<wchar_t*>(std::malloc((length + 1) * sizeof(wchar_t)));
    if (m_pText == nullptr) {
        return false;
    }
    std::memcpy(m_pText, text, (length + 1) * sizeof(wchar_t));
    if (!Parse()) {
        Release();
        return false;
    }
    return true;
}

bool CXmlMarkup::LoadFromBytes(const void* bytes, DWORD size, int encoding) noexcept {
    Release();
    SetLoadError(L"");
    if (bytes == nullptr && size != 0) {
        return false;
    }
    if (size > static_cast<DWORD>(INT_MAX)) {
        return false;
    }
    const auto* data = static_cast<const BYTE*>(bytes);
    if (encoding == XmlEncodingUtf8 || encoding == XmlEncodingAnsi) {
        UINT codePage = CP_ACP;
        if (encoding == XmlEncodingUtf8) {
            codePage = CP_UTF8;
            if (size > 2 && data[0] == 0xEF && data[1] == 0xBB && data[2] == 0xBF) {
                data += 3;
                size -= 3;
            }
        }
        int n = 0;
        if (size > 0) {
            n = ::MultiByteToWideChar(codePage, 0, reinterpret_cast<const char*>(data),
                                      static_cast<int>(size), nullptr, 0);
            if (n <= 0) {
                return false;
            }
        }
        m_pText = static_cast<wchar_t*>(std::malloc((static_cast<std::size_t>(n) + 1) * sizeof(wchar_t)));
        if (m_pText == nullptr) {
            return false;
        }
        if (n > 0) {
            ::MultiByteToWideChar(codePage, 0, reinterpret_cast<const char*>(data), static_cast<int>(size),
                                  m_pText, n);
        }
        m_pText[n] = L'\0';
    } else {
        if (size <= 1) {
            return false;
        }
        bool bigEndian = data[0] == 0xFE && data[1] == 0xFF;
        bool littleEndian = data[0] == 0xFF && data[1] == 0xFE;
        if (!bigEndian && !littleEndian) {
            return false;
        }
        std::size_t units = size / 2 - 1;
        m_pText = static_cast<wchar_t*>(std::malloc((units + 1) * sizeof(wchar_t)));
        if (m_pText == nullptr) {
            return false;
        }
        for (std::size_t i = 0; i < units; ++i) {
            BYTE first = data[2 + 2 * i];
            BYTE second = data[3 + 2 * i];
            m_pText[i] = bigEndian ? static_cast<wchar_t>((first << 8) | second)
                                   : static_cast<wchar_t>((second << 8) | first);
        }
        m_pText[units] = L'\0';
    }
    if (!Parse()) {
        Release();
        return false;
    }
    return true;
}

bool CXmlMarkup::LoadFromSkinFile(const wchar_t* name, int encoding) noexcept {
    Release();
    SetLoadError(L"");
    CByteBufferUI bytes;
    const wchar_t* message = ReadSkinFile(name, bytes);
    if (message != nullptr) {
        SetLoadError(message);
        return false;
    }
    return LoadFromBytes(bytes.Data(), bytes.Size(), encoding);
}

CXmlMarkup::TElement* CXmlMarkup::ReserveElement() noexcept {
    if (m_nElements == 0) {
        m_nElementsAllocated = 0;
    }
    if (m_nElements >= m_nElementsAllocated) {
        unsigned grow = m_nElementsAllocated / 2 + 500;
        if (m_nElementsAllocated > (UINT_MAX / sizeof(TElement)) - grow) {
            return nullptr;
        }
        unsigned allocated = m_nElementsAllocated + grow;
        auto* table = static_cast<TElement*>(
            std::realloc(m_pElements, static_cast<std::size_t>(allocated) * sizeof(TElement)));
        if (table == nullptr) {
            return nullptr;
        }
        m_pElements = table;
        m_nElementsAllocated = allocated;
    }
    TElement* element = &m_pElements[m_nElements++];
    std::memset(element, 0, sizeof(*element));
    return element;
}

bool CXmlMarkup::Fail(const wchar_t* message, const wchar_t* location) noexcept {
    CopyTruncated(m_szErrorMsg, 100, message);
    CopyTruncated(m_szErrorXml, 50, location);
    return false;
}

bool CXmlMarkup::Parse() noexcept {
    m_nElements = 0;
    if (ReserveElement() == nullptr) {
        return Fail(L"Out of memory", nullptr);
    }
    m_szErrorMsg[0] = L'\0';
    m_szErrorXml[0] = L'\0';
    wchar_t* p = m_pText;
    return ParseLevel(p, 0, 0);
}

bool CXmlMarkup::ParseLevel(wchar_t*& p, unsigned parent, unsigned depth) noexcept {
    // Each level is a stack frame: a hostile document of nothing but start tags must fail, not overflow.
    if (depth > kMaxDepth) {
        return Fail(L"Elements nested too deeply", p);
    }
    unsigned previous = 0;
    for (;;) {
        SkipSpace(p);
        // The end of the text stands in for the closing tags of the root and its children only.
        if (*p == L'\0' && parent < 2) {
            return true;
        }
        if (*p != L'<') {
            return Fail(L"Expected start tag", p);
        }
        if (p[1] == L'/') {
            return true;
        }
        *p++ = L'\0';
        SkipSpace(p);
        if (*p == L'!' || *p == L'?') {
            const wchar_t* close = *p == L'!' ? L"->" : L"?>";
            while (*p != L'\0' && !(p[0] == close[0] && p[1] == close[1])) {
                ++p;
            }
            if (*p != L'\0') {
                p += 2;
            }
            continue;
        }
        TElement* created = ReserveElement();
        if (created == nullptr) {
            return Fail(L"Out of memory", p);
        }
        unsigned index = m_nElements - 1;
        created->nameStart = static_cast<unsigned>(p - m_pText);
        created->parent = parent;
        if (previous != 0) {
            m_pElements[previous].nextSibling = index;
        } else if (parent != 0) {
            m_pElements[parent].firstChild = index;
        }
        wchar_t* name = p;
        while (IsNameChar(*p)) {
            ++p;
        }
        std::size_t nameLength = static_cast<std::size_t>(p - name);
        if (*p == L'\0') {
            return Fail(L"Error parsing element name", p);
        }
        if (!ParseAttributes(p)) {
            return false;
        }
        SkipSpace(p);
        if (p[0] == L'/' && p[1] == L'>') {
            m_pElements[index].dataStart = static_cast<unsigned>(p - m_pText);
            *p = L'\0';
            p += 2;
        } else {
            if (*p != L'>') {
                return Fail(L"Expected start-tag closing", p);
            }
            ++p;
            m_pElements[index].dataStart = static_cast<unsigned>(p - m_pText);
            wchar_t* dest = p;
            if (!ParseData(p, dest, L'<')) {
                return false;
            }
            if (*p == L'\0' && parent < 2) {
                return true;
            }
            if (*p != L'<') {
                return Fail(L"Expected end-tag start", p);
            }
            if (p[1] != L'/') {
                if (!ParseLevel(p, index, depth + 1)) {
                    return false;
                }
            }
            if (p[0] == L'<' && p[1] == L'/') {
                *dest = L'\0';
                *p = L'\0';
                p += 2;
                SkipSpace(p);
                if (std::wcsncmp(p, name, nameLength) != 0) {
                    return Fail(L"Unmatched closing tag", p);
                }
                p += nameLength;
                SkipSpace(p);
                if (*p != L'>') {
                    return Fail(L"Unmatched closing tag", p);
                }
                ++p;
            }
        }
        name[nameLength] = L'\0';
        previous = index;
    }
}

bool CXmlMarkup::ParseAttributes(wchar_t*& p) noexcept {
    // "<name/>" must stay an empty element: the "/" is left for the caller to see.
    if (*p == L'>' || (p[0] == L'/' && p[1] == L'>')) {
        return true;
    }
    *p = L'\0';
    for (;;) {
        ++p;
        SkipSpace(p);
        if (*p == L'\0' || *p == L'>' || *p == L'/') {
            return true;
        }
        while (IsNameChar(*p)) {
            ++p;
        }
        wchar_t* nameEnd = p;
        SkipSpace(p);
        if (*p != L'=') {
            return Fail(L"Error while parsing attributes", p);
        }
        *p++ = L' ';
        *nameEnd = L'\0';
        SkipSpace(p);
        if (*p != L'"') {
            return Fail(L"Expected attribute value", p);
        }
        ++p;
        wchar_t* dest = p;
        if (!ParseData(p, dest, L'"')) {
            return false;
        }
        if (*p == L'\0') {
            return Fail(L"Error while parsing attribute string", p);
        }
        *dest = L'\0';
        if (dest != p) {
            *p = L' ';
        }
    }
}

bool CXmlMarkup::ParseData(wchar_t*& p, wchar_t*& dest, wchar_t terminator) noexcept {
    while (*p != L'\0' && *p != terminator) {
        if (*p == L'&') {
            while (*p == L'&') {
                ++p;
                struct TEntity {
                    const wchar_t* name;
                    wchar_t ch;
                };
                static const TEntity kEntities[] = {
                    {L"amp;", L'&'}, {L"lt;", L'<'}, {L"gt;", L'>'}, {L"quot;", L'"'}, {L"apos;", L'\''},
                };
                wchar_t decoded = L'&';
                for (const auto& entity : kEntities) {
                    if (StartsWith(p, entity.name)) {
                        decoded = entity.ch;
                        p += std::wcslen(entity.name);
                        break;
                    }
                }
                *dest++ = decoded;
            }
            continue;
        }
        if (IsSpace(*p) && !m_bPreserveWhitespace) {
            *dest++ = L' ';
            ++p;
            SkipSpace(p);
            continue;
        }
        *dest++ = *p++;
    }
    for (wchar_t* gap = dest; gap < p; ++gap) {
        *gap = L' ';
    }
    return true;
}

} // namespace Tamsk
