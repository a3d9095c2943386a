#pragma once
// The scroll bar a container creates on demand: two buttons, a thumb, a rail grip and a background.

#include "ui/controls/UIControl.h"

namespace Tamsk {

class CContainerUI;

class CScrollBarUI : public CControlUI {
public:
    // Part state bits.
    static constexpr UINT StateHot = 0x08;
    static constexpr UINT StatePushed = 0x10;
    static constexpr UINT StateCaptured = 0x40;
    // The control timer that repeats steps while a part is held down.
    static constexpr UINT RepeatTimerId = 10;

    CScrollBarUI();

    LPCWSTR ClassName() const override;
    void* InterfaceFor(LPCWSTR name) override;
    void SetBounds(RECT rc) override;
    void SetVisible(bool visible) override;
    void SetEnabled(bool enabled) override;
    void HandleEvent(TControlEventUI& event) override;
    void ApplyAttribute(LPCWSTR name, LPCWSTR value) override;
    void Paint(HDC hdc, const RECT& dirty) override;

    CContainerUI* GetOwner() const noexcept { return m_pOwner; }
    void SetOwner(CContainerUI* owner) noexcept { m_pOwner = owner; }
    bool IsHorizontal() const noexcept { return m_bHorizontal; }
    void SetHorizontal(bool horizontal);
    int GetScrollRange() const noexcept { return m_nRange; }
    void SetScrollRange(int range);
    int GetScrollPos() const noexcept { return m_nScrollPos; }
    void SetScrollPos(int pos);
    int GetLineSize() const noexcept { return m_nLineSize; }
    void SetLineSize(int size);
    bool IsButton1Shown() const noexcept { return m_bShowButton1; }
    void SetShowButton1(bool show);
    bool IsButton2Shown() const noexcept { return m_bShowButton2; }
    void SetShowButton2(bool show);

    RECT GetButton1Rect() const noexcept { return m_parts[PartButton1].rc; }
    RECT GetButton2Rect() const noexcept { return m_parts[PartButton2].rc; }
    RECT GetThumbRect() const noexcept { return m_parts[PartThumb].rc; }

    void LineUp();
    void LineDown();
    void PageUp();
    void PageDown();

private:
    enum PartIndex { PartButton1 = 0, PartButton2, PartThumb, PartRail, PartBack, PartCount };
    struct TPartUI {
        RECT rc = {0, 0, 0, 0};
        UINT state = 0;
        CUIString images[4]; // normal, hot, pushed, disabled
    };
    // Lays out the buttons and the thumb inside the bounds.
    void PlaceParts();
    void PaintPart(HDC hdc, int part, bool outlineWhenMissing);
    void Step(int direction, bool page);
    void AfterOwnStep();

    bool m_bHorizontal = false;
    int m_nRange = 100;
    int m_nScrollPos = 0;
    int m_nLineSize = 8;
    CContainerUI* m_pOwner = nullptr;
    POINT m_ptDragStart = {0, 0};
    int m_nDragStartPos = 0;
    int m_nDragOffset = 0;
    int m_nRepeatCount = 0;
    TPartUI m_parts[PartCount];
    bool m_bShowButton1 = true;
    bool m_bShowButton2 = true;
    UINT m_uBarState = 0;
};

} // namespace Tamsk
