// Skin images: loading through the resource settings into the manager's cache, and drawing descriptors.
#include "ui/render/UIRender.h"

#include "ui/core/UIManager.h"
#include "ui/core/UIResource.h"

#include <algorithm>
#include <new>

namespace Tamsk {

namespace {

// The whole file or nothing.
bool ReadWholeFile(const wchar_t* path, CByteBufferUI& bytes) noexcept {
    CFileHandleUI file(::CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                     FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        return false;
    }
    DWORD high = 0;
    const DWORD size = ::GetFileSize(file.Get(), &high);
    if (size == INVALID_FILE_SIZE || high != 0 || size == 0 || !bytes.Allocate(size)) {
        return false;
    }
    DWORD read = 0;
    if (!::ReadFile(file.Get(), bytes.Data(), size, &read, nullptr) || read != size) {
        bytes.Reset();
        return false;
    }
    return true;
}

bool IntersectsBoth(const RECT& r, const RECT& a, const RECT& b) {
    RECT tmp{};
    return ::IntersectRect(&tmp, &r, &a) && ::IntersectRect(&tmp, &r, &b);
}

} // namespace

TImageDataUI* CRendererUI::LoadSkinImage(const wchar_t* name, const wchar_t* type, DWORD mask) noexcept {
    if (name == nullptr || (!IS_INTRESOURCE(name) && *name == L'\0')) {
        return nullptr;
    }
    CByteBufferUI bytes;
    bool found = false;
    if (type != nullptr) {
        found = ReadModuleResource(name, type, bytes);
    } else {
        // Folder or archive as the resource settings say, without the skin documents' size limit.
        found = ReadSkinFile(name, bytes, 0) == nullptr;
    }
    if (!found && !IS_INTRESOURCE(name)) {
        found = ReadWholeFile(name, bytes);
    }
    if (!found || bytes.Size() == 0) {
        return nullptr;
    }
    return DecodeSkinImage(bytes.Data(), bytes.Size(), mask);
}

bool CRendererUI::DrawImagePiece(HDC hdc, CWindowManagerUI* manager, const RECT& item, const RECT& paint,
                                 const wchar_t* name, const wchar_t* resType, const RECT& dest,
                                 const RECT& source, const RECT& corner, DWORD mask, BYTE fade, bool hole,
                                 bool tiledX, bool tiledY) noexcept {
    if (hdc == nullptr || manager == nullptr || name == nullptr || *name == L'\0') {
        return false;
    }
    const wchar_t* type = resType != nullptr && *resType != L'\0' ? resType : nullptr;
    const TImageDataUI* image = manager->GetOrLoadImage(name, type, mask);
    if (image == nullptr || image->hBitmap == nullptr) {
        return false;
    }
    RECT src = source;
    if (src.left == 0 && src.top == 0 && src.right == 0 && src.bottom == 0) {
        src = RECT{0, 0, image->nWidth, image->nHeight};
    }
    src.right = std::min<LONG>(src.right, image->nWidth);
    src.bottom = std::min<LONG>(src.bottom, image->nHeight);
    if (IntersectsBoth(dest, item, paint)) {
        const bool alpha = manager->IsPerPixelAlpha() || image->bAlphaChannel;
        DrawBitmap(hdc, image->hBitmap, dest, paint, src, corner, alpha, fade, hole, tiledX, tiledY);
    }
    return true;
}

namespace {

struct TDescriptorDraw {
    HDC hdc;
    CWindowManagerUI* manager;
    const RECT& item;
    const RECT& paint;
};

void DrawParams(const TImageDrawParamsUI& p, const TDescriptorDraw& d) {
    (void)CRendererUI::DrawImagePiece(d.hdc, d.manager, d.item, d.paint, p.strName.c_str(),
                                      p.strResType.c_str(), p.rcDest, p.rcSource, p.rcCorner, p.dwMask,
                                      p.uFade, p.bHole, p.bTiledX, p.bTiledY);
}

void DrawPending(const TImageDrawParamsUI& params, void* context) {
    DrawParams(params, *static_cast<const TDescriptorDraw*>(context));
}

} // namespace

bool CRendererUI::DrawImageDescriptor(HDC hdc, CWindowManagerUI* manager, const RECT& item, const RECT& paint,
                                      const wchar_t* descriptor, const wchar_t* modifier) noexcept {
    if (hdc == nullptr || manager == nullptr) {
        return false;
    }
    TImageDrawParamsUI params;
    ResetImageDrawParams(params, descriptor, item);
    TDescriptorDraw draw{hdc, manager, item, paint};
    ParseImageDescriptor(descriptor, item, params, &DrawPending, &draw);
    ParseImageDescriptor(modifier, item, params, &DrawPending, &draw);
    DrawParams(params, draw);
    return true;
}

} // namespace Tamsk
