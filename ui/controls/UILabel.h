#pragma once
// Single-line labels and wrapping text with links.

#include "ui/controls/UIControl.h"

namespace Tamsk {

class CLabelUI : public CControlUI {
public:
    CLabelUI();

    LPCWSTR ClassName() const override;
    void* InterfaceFor(LPCWSTR name) override;
    CUIString GetText() const override;
    void SetText(LPCWSTR text) override;
    void HandleEvent(TControlEventUI& event) override;
    void ApplyAttribute(LPCWSTR name, LPCWSTR value) override;
    SIZE MeasureSize(SIZE available) override;
    void PaintCaption(HDC hdc) override;
    virtual bool IsAutoWidth() const;
    virtual void SetAutoWidth(bool autoWidth);

    DWORD GetTextColor() const noexcept { return m_dwTextColor; }
    void SetTextColor(DWORD color);
    DWORD GetDisabledTextColor() const noexcept { return m_dwDisabledTextColor; }
    void SetDisabledTextColor(DWORD color);
    int GetFont() const noexcept { return m_nFont; }
    void SetFont(int index);
    UINT GetTextStyle() const noexcept { return m_uTextStyle; }
    void SetTextStyle(UINT style);
    RECT GetTextPadding() const noexcept { return m_rcTextPadding; }
    void SetTextPadding(RECT padding);
    bool IsShowHtml() const noexcept { return m_bShowHtml; }
    void SetShowHtml(bool show);
    bool IsEffectMode() const noexcept { return m_bEnabledEffect; }

protected:
    // The font's text height, 0 without a manager.
    int FontTextHeight() const;
    // Fills the zero text colours from the manager's defaults.
    void DefaultTextColors();

    DWORD m_dwTextColor = 0;
    DWORD m_dwDisabledTextColor = 0;
    int m_nFont = -1;
    UINT m_uTextStyle = DT_VCENTER;
    RECT m_rcTextPadding = {0, 0, 0, 0};
    bool m_bShowHtml = false;
    bool m_bAutoWidth = false;
    // Effect settings: stored, not drawn.
    bool m_bEnabledEffect = false;
    int m_nTransShadow = 60;
    int m_nTransText = 168;
    int m_nTransShadow1 = 60;
    int m_nTransText1 = 168;
    int m_nGradientAngle = 0;
    int m_nTransStroke = 255;
    int m_nGradientLength = 0;
    bool m_bEnabledStroke = false;
    bool m_bEnabledShadow = false;
    DWORD m_dwTextColor1 = 0xFFFFFFFF;
    DWORD m_dwTextShadowColorA = 0xFF000000;
    DWORD m_dwTextShadowColorB = 0xFFFFFFFF;
    DWORD m_dwStrokeColor = 0;
    CUIString m_strEffectText;
};

class CTextUI : public CLabelUI {
public:
    static constexpr int MaxLinks = 8;

    CTextUI();

    LPCWSTR ClassName() const override;
    void* InterfaceFor(LPCWSTR name) override;
    UINT ControlFlags() const override;
    void HandleEvent(TControlEventUI& event) override;
    SIZE MeasureSize(SIZE available) override;
    void PaintCaption(HDC hdc) override;

    int GetLinkCount() const noexcept { return m_nLinks; }
    RECT GetLinkRect(int index) const;
    CUIString GetLinkTarget(int index) const;

private:
    int LinkAt(POINT pt) const;

    int m_nLinks = 0;
    RECT m_rcLinks[MaxLinks] = {};
    CUIString m_strLinks[MaxLinks];
    int m_nHoverLink = -1;
};

} // namespace Tamsk
