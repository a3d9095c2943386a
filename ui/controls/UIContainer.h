#pragma once
// Controls that own, place, paint, hit-test and scroll an ordered list of children.

#include "ui/controls/UIControl.h"

namespace Tamsk {

class CScrollBarUI;

class IContainerUI {
public:
    // The order of these operations is fixed.
    virtual CControlUI* ChildAt(int index) const = 0;
    virtual int IndexOfChild(CControlUI* control) const = 0;
    virtual bool MoveChild(CControlUI* control, int index) = 0;
    virtual int ChildCount() const = 0;
    virtual bool AddChild(CControlUI* control) = 0;
    virtual bool InsertChild(CControlUI* control, int index) = 0;
    virtual bool RemoveChild(CControlUI* control) = 0;
    virtual bool RemoveChildAt(int index) = 0;
    virtual void RemoveAllChildren() = 0;

protected:
    // Never deleted through the interface: the control part owns the object.
    ~IContainerUI() = default;
};

class CContainerUI : public CControlUI, public IContainerUI {
public:
    CContainerUI();
    ~CContainerUI() override;

    // CControlUI overrides.
    LPCWSTR ClassName() const override;
    void* InterfaceFor(LPCWSTR name) override;
    void AttachManager(CWindowManagerUI* manager, CControlUI* parent, bool initialise) override;
    void SetBounds(RECT rc) override;
    void SetVisible(bool visible) override;
    void SetInheritedVisible(bool visible) override;
    void SetEnabled(bool enabled) override;
    void SetAcceptsMouse(bool accepts) override;
    CControlUI* WalkControls(FindControlProcUI proc, void* data, UINT flags) override;
    void HandleEvent(TControlEventUI& event) override;
    void ApplyAttribute(LPCWSTR name, LPCWSTR value) override;
    void Paint(HDC hdc, const RECT& dirty) override;

    // IContainerUI.
    CControlUI* ChildAt(int index) const override;
    int IndexOfChild(CControlUI* control) const override;
    bool MoveChild(CControlUI* control, int index) override;
    int ChildCount() const override;
    bool AddChild(CControlUI* control) override;
    bool InsertChild(CControlUI* control, int index) override;
    bool RemoveChild(CControlUI* control) override;
    bool RemoveChildAt(int index) override;
    void RemoveAllChildren() override;

    // New virtual operations, in fixed order after the control's.
    virtual RECT GetInset() const;
    virtual void SetInset(RECT inset);
    virtual int GetChildPadding() const;
    virtual void SetChildPadding(int padding);
    virtual bool OwnsChildren() const;
    virtual void SetOwnsChildren(bool owns);
    virtual bool DefersChildDeletion() const;
    virtual void SetDefersChildDeletion(bool defers);
    virtual bool ChildrenAcceptMouse() const;
    virtual void SetChildrenAcceptMouse(bool accepts);
    virtual int FindSelectableChild(int index, bool forward) const;
    virtual SIZE GetScrollOffset() const;
    virtual SIZE GetScrollRange() const;
    virtual void SetScrollOffset(SIZE offset);
    virtual void SetScrollStep(int step);
    virtual int GetScrollStep() const;
    virtual void ScrollLineUp();
    virtual void ScrollLineDown();
    virtual void ScrollPageUp();
    virtual void ScrollPageDown();
    virtual void ScrollToTop();
    virtual void ScrollToBottom();
    virtual void ScrollLineLeft();
    virtual void ScrollLineRight();
    virtual void ScrollPageLeft();
    virtual void ScrollPageRight();
    virtual void ScrollToLeftEnd();
    virtual void ScrollToRightEnd();
    virtual void EnableScrollBars(bool vertical, bool horizontal);
    virtual CScrollBarUI* GetVerticalScrollBar() const;
    virtual CScrollBarUI* GetHorizontalScrollBar() const;
    virtual void PlaceFloatingChild(int index);
    virtual void UpdateScrollBars(RECT rc, int neededWidth, int neededHeight);

protected:
    // The bounds minus the inset and the visible bars (right and bottom).
    RECT InnerRect() const;
    // Deletes (or hands to the manager for later deletion) a child that the container owns.
    void DisposeChild(CControlUI* control);

    CPtrArrayUI m_aChildren;
    RECT m_rcInset = {0, 0, 0, 0};
    int m_nChildPadding = 0;
    bool m_bOwnsChildren = true;
    bool m_bDefersDeletion = true;
    bool m_bMouseChildEnabled = true;
    bool m_bInScrollUpdate = false;
    int m_nScrollStep = 0;
    CScrollBarUI* m_pVerticalScrollBar = nullptr;
    CScrollBarUI* m_pHorizontalScrollBar = nullptr;
};

} // namespace Tamsk
