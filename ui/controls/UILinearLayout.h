#pragma once
// Containers that stack their children top to bottom (vertical) or left to right (horizontal), with an
// optional draggable separator band on one edge.

#include "ui/controls/UIContainer.h"

namespace Tamsk {

class CLinearLayoutBaseUI : public CContainerUI {
public:
    static constexpr UINT DragInProgress = 0x40;

    UINT ControlFlags() const override;
    void ApplyAttribute(LPCWSTR name, LPCWSTR value) override;
    void HandleEvent(TControlEventUI& event) override;
    void PaintAfterChildren(HDC hdc, const RECT& dirty) override;

    int GetSeparatorSize() const noexcept { return m_nSepSize; }
    void SetSeparatorSize(int size) noexcept { m_nSepSize = size; }
    bool IsSeparatorImmediate() const noexcept { return m_bImmediateSep; }
    void SetSeparatorImmediate(bool immediate);
    RECT SeparatorRect() const;

protected:
    explicit CLinearLayoutBaseUI(bool vertical) noexcept : m_bVertical(vertical) {}

    int m_nSepSize = 0;
    UINT m_uDragState = 0;
    POINT m_ptLastMouse = {0, 0};
    RECT m_rcDrag = {0, 0, 0, 0};
    bool m_bImmediateSep = false;

private:
    bool m_bVertical;
};

class CVerticalLayoutUI : public CLinearLayoutBaseUI {
public:
    CVerticalLayoutUI() noexcept : CLinearLayoutBaseUI(true) {}
    LPCWSTR ClassName() const override;
    void* InterfaceFor(LPCWSTR name) override;
    void SetBounds(RECT rc) override;
};

class CHorizontalLayoutUI : public CLinearLayoutBaseUI {
public:
    CHorizontalLayoutUI() noexcept : CLinearLayoutBaseUI(false) {}
    LPCWSTR ClassName() const override;
    void* InterfaceFor(LPCWSTR name) override;
    void SetBounds(RECT rc) override;
};

} // namespace Tamsk
