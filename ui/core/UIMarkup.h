// The skin document parser: a flat, index-linked element table over one wide-character buffer that is
// parsed in place, and a small value handle for walking elements and reading attributes.
#pragma once

#include <windows.h>

namespace Tamsk {

// Encoding selector of LoadFromBytes and LoadFromSkinFile. Any value other than 0 and 2 means UTF-16.
enum XmlEncoding : int {
    XmlEncodingUtf8 = 0,
    XmlEncodingUtf16 = 1,
    XmlEncodingAnsi = 2,
};

class CXmlMarkup;

// A handle to one element. Valid while its document lives and is not reloaded.
class CXmlNode {
public:
    enum { kMaxAttributes = 64 };

    CXmlNode() noexcept;

    bool Exists() const noexcept { return m_pOwner != nullptr; }
    // Null for an invalid node.
    const wchar_t* TagName() const noexcept;
    CXmlNode FirstChild() const noexcept;
    CXmlNode NextSibling() const noexcept;
    bool HasChildNodes() const noexcept;
    // The element's index in its document's table (the root is 1); 0 for an invalid node.
    unsigned ElementIndex() const noexcept { return m_pOwner != nullptr ? m_nElement : 0; }

    // Only the first 64 attributes of an element are visible.
    int AttrCount() const noexcept;
    bool HasAttrs() const noexcept { return AttrCount() > 0; }
    // "" for an index out of range; null for an invalid node.
    const wchar_t* AttrNameAt(int index) const noexcept;
    const wchar_t* AttrValueAt(int index) const noexcept;
    // Copies at most max code units of the first attribute called name. No terminator is added when the
    // value is that long: pass a zero-filled buffer of max + 1 units.
    bool CopyAttrValue(const wchar_t* name, wchar_t* buffer, int max) const noexcept;

private:
    friend class CXmlMarkup;
    CXmlNode(CXmlMarkup* owner, unsigned element) noexcept;
    void BuildAttributeTable() const noexcept;

    unsigned m_nElement;
    mutable int m_nAttributes;
    mutable unsigned m_aAttributes[kMaxAttributes][2];
    CXmlMarkup* m_pOwner;
};

class CXmlMarkup {
public:
    explicit CXmlMarkup(const wchar_t* text = nullptr) noexcept;
    ~CXmlMarkup();
    CXmlMarkup(const CXmlMarkup&) = delete;
    CXmlMarkup& operator=(const CXmlMarkup&) = delete;

    // Every load releases the previous document first; a failed load leaves the object empty with the
    // error message and location readable.
    [[nodiscard]] bool LoadFromText(const wchar_t* text) noexcept;
    [[nodiscard]] bool LoadFromBytes(const void* bytes, DWORD size, int encoding = XmlEncodingUtf8) noexcept;
    // Reads the file through the skin resources (folder or archive).
    [[nodiscard]] bool LoadFromSkinFile(const wchar_t* name, int encoding = XmlEncodingUtf8) noexcept;
    void Release() noexcept;
    bool IsValid() const noexcept { return m_pText != nullptr; }

    // When off, each run of whitespace in text content and attribute values collapses to one space.
    void SetPreserveWhitespace(bool preserve = true) noexcept { m_bPreserveWhitespace = preserve; }
    bool IsPreserveWhitespace() const noexcept { return m_bPreserveWhitespace; }

    // Element 1, or an invalid node for a document without elements.
    CXmlNode RootNode() noexcept;
    // Used records of the element table, the placeholder element 0 included.
    unsigned ElementCount() const noexcept { return m_nElements; }

    const wchar_t* LastError() const noexcept { return m_szErrorMsg; }
    const wchar_t* LastErrorLocation() const noexcept { return m_szErrorXml; }

private:
    friend class CXmlNode;

    struct TElement {
        unsigned nameStart;
        unsigned firstChild;
        unsigned nextSibling;
        unsigned parent;
        unsigned dataStart;
    };

    bool Parse() noexcept;
    enum { kMaxDepth = 1000 };
    bool ParseLevel(wchar_t*& p, unsigned parent, unsigned depth) noexcept;
    bool ParseAttributes(wchar_t*& p) noexcept;
    bool ParseData(wchar_t*& p, wchar_t*& dest, wchar_t terminator) noexcept;
    TElement* ReserveElement() noexcept;
    bool Fail(const wchar_t* message, const wchar_t* location) noexcept;
    void SetLoadError(const wchar_t* message) noexcept;

    wchar_t* m_pText;
    TElement* m_pElements;
    unsigned m_nElements;
    unsigned m_nElementsAllocated;
    wchar_t m_szErrorMsg[100];
    wchar_t m_szErrorXml[50];
    bool m_bPreserveWhitespace;
};

} // namespace Tamsk
