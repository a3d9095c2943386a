#pragma once
// Buttons with a state image per state, options exclusive within a group, and check boxes.

#include "ui/controls/UILabel.h"

namespace Tamsk {

class CButtonUI : public CLabelUI {
public:
    static constexpr UINT StateFocused = 0x01;
    static constexpr UINT StateSelected = 0x02;
    static constexpr UINT StateDisabled = 0x04;
    static constexpr UINT StateHot = 0x08;
    static constexpr UINT StatePushed = 0x10;
    static constexpr UINT StateCaptured = 0x40;

    CButtonUI();

    LPCWSTR ClassName() const override;
    void* InterfaceFor(LPCWSTR name) override;
    UINT ControlFlags() const override;
    bool Activate() override;
    void SetEnabled(bool enabled) override;
    void HandleEvent(TControlEventUI& event) override;
    void ApplyAttribute(LPCWSTR name, LPCWSTR value) override;
    SIZE MeasureSize(SIZE available) override;
    void PaintStateImage(HDC hdc) override;
    void PaintCaption(HDC hdc) override;

    UINT GetButtonState() const noexcept { return m_uButtonState; }
    CUIString GetNormalImage() const { return m_strNormalImage; }
    void SetNormalImage(LPCWSTR descriptor);
    CUIString GetHotImage() const { return m_strHotImage; }
    void SetHotImage(LPCWSTR descriptor);
    CUIString GetHotForeImage() const { return m_strHotForeImage; }
    void SetHotForeImage(LPCWSTR descriptor);
    CUIString GetPushedImage() const { return m_strPushedImage; }
    void SetPushedImage(LPCWSTR descriptor);
    CUIString GetFocusedImage() const { return m_strFocusedImage; }
    void SetFocusedImage(LPCWSTR descriptor);
    CUIString GetDisabledImage() const { return m_strDisabledImage; }
    void SetDisabledImage(LPCWSTR descriptor);
    DWORD GetHotBkColor() const noexcept { return m_dwHotBkColor; }
    void SetHotBkColor(DWORD color);
    void SetHotTextColor(DWORD color) noexcept { m_dwHotTextColor = color; }
    void SetPushedTextColor(DWORD color) noexcept { m_dwPushedTextColor = color; }
    void SetFocusedTextColor(DWORD color) noexcept { m_dwFocusedTextColor = color; }
    int GetBindTabIndex() const noexcept { return m_nBindTabIndex; }
    void SetBindTabIndex(int index) noexcept { m_nBindTabIndex = index; }
    CUIString GetBindTabLayoutName() const { return m_strBindTabLayoutName; }
    void SetBindTabLayoutName(LPCWSTR name);

protected:
    // Draws an image attribute; one whose draw fails is cleared so it is not tried again.
    bool DrawStateImage(HDC hdc, CUIString& image);
    // The caption with the given colour, in the text style as it is.
    void PaintCaptionIn(HDC hdc, DWORD color);
    // Selects the child at the bind tab index of a tab layout.
    void SelectBoundTab(CControlUI* tabLayout);

    UINT m_uButtonState = 0;
    DWORD m_dwHotBkColor = 0;
    DWORD m_dwHotTextColor = 0;
    DWORD m_dwPushedTextColor = 0;
    DWORD m_dwFocusedTextColor = 0;
    CUIString m_strNormalImage;
    CUIString m_strHotImage;
    CUIString m_strHotForeImage;
    CUIString m_strPushedImage;
    CUIString m_strFocusedImage;
    CUIString m_strDisabledImage;
    int m_nBindTabIndex = -1;
    CUIString m_strBindTabLayoutName;
};

class COptionUI : public CButtonUI {
public:
    COptionUI();
    ~COptionUI() override;

    LPCWSTR ClassName() const override;
    void* InterfaceFor(LPCWSTR name) override;
    bool Activate() override;
    void AttachManager(CWindowManagerUI* manager, CControlUI* parent, bool initialise) override;
    void SetEnabled(bool enabled) override;
    void ApplyAttribute(LPCWSTR name, LPCWSTR value) override;
    void PaintStateImage(HDC hdc) override;
    void PaintCaption(HDC hdc) override;
    virtual void SetSelected(bool selected);

    bool IsSelected() const noexcept { return m_bSelected; }
    CUIString GetGroup() const { return m_strGroupName; }
    void SetGroup(LPCWSTR name);
    void SetSelectedImage(LPCWSTR descriptor);
    void SetSelectedHotImage(LPCWSTR descriptor);
    void SetSelectedPushedImage(LPCWSTR descriptor);
    void SetOptionForeImage(LPCWSTR descriptor);
    void SetSelectedForeImage(LPCWSTR descriptor);
    void SetSelectedBkColor(DWORD color);
    void SetSelectedTextColor(DWORD color) noexcept { m_dwSelectedTextColor = color; }

protected:
    bool m_bSelected = false;
    CUIString m_strGroupName;
    DWORD m_dwSelectedBkColor = 0;
    DWORD m_dwSelectedTextColor = 0;
    CUIString m_strSelectedImage;
    CUIString m_strSelectedHotImage;
    CUIString m_strSelectedPushedImage;
    CUIString m_strOptionForeImage;
    CUIString m_strSelectedForeImage;
};

class CCheckBoxUI : public COptionUI {
public:
    LPCWSTR ClassName() const override;
};

} // namespace Tamsk
