// CSubMainSkin: creation and loading, painting, dragging, and the tree and scan-button messages.
#include "skin/SubMainSkin.h"

#include "skin/SkinMessages.h"
#include "framework/GdiOwners.h"
#include "skin/DestroyTree.h"
#include "skin/SkinImage.h"
#include "skin/SkinNames.h"

namespace {
const char SUBSCREEN_CLASS[] = "ZentharSubScreen";
}

void BeginBackgroundDrag(HWND hwnd, int x, int y) {
    POINT p{x, y};
    ClientToScreen(hwnd, &p);  // the non-client message carries a screen point
    PostMessageA(hwnd, WM_NCLBUTTONDOWN, HTCAPTION, MAKELPARAM(p.x, p.y));
}

CSubMainSkin::~CSubMainSkin() {
    if (screenAtom_) GlobalDeleteAtom(screenAtom_);
}

bool CSubMainSkin::Create(HWND parent, const SkinScreenLine& line, const std::string& skinFolder,
                          const std::string& skinPath) {
    if (!RegisterWindowClass(SUBSCREEN_CLASS, CS_DBLCLKS)) return false;
    name = line.name;
    this->skinPath = skinPath;
    layout = line.rect;
    rect = ToRect(line.rect);
    // Its controls take part in the window's Tab order. Its window text is the page's title, which
    // a screen reader reads; its screen name stays with it as a property, for those who look it up.
    std::string title = SkinControlNameFor(SKIN_PAGE_SECTION, name);
    if (title.empty()) title = name;
    const DWORD style = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS;
    if (!Window::Create(SUBSCREEN_CLASS, WS_EX_CONTROLPARENT, style, title.c_str(), rect, parent)) return false;
    NameSkinControl(hwnd(), SKIN_PAGE_SECTION, name);
    screenAtom_ = GlobalAddAtomA(name.c_str());
    SetPropA(hwnd(), SUBSCREEN_NAME_PROPERTY, reinterpret_cast<HANDLE>(static_cast<ULONG_PTR>(screenAtom_)));
    SIZE size{};
    store.LoadPictures(skinFolder, line.images, size);

    store.LoadButtons(hwnd(), skinPath, name + "_BUTTONINFO");
    store.LoadLabels(hwnd(), skinPath, name + "_TEXTINFO");
    OnButtonsAndLabelsLoaded();
    if (name != SUBSCREEN_WITHOUT_EDITS) store.LoadEdits(hwnd(), skinPath, name + "_EDITBOXINFO");
    OnEditBoxesLoaded();
    list = CreateSkinList(hwnd(), skinPath, name + "_LISTINFO", WantsVirtualListRows());
    OnListLoaded();
    SortByReadingOrder(hwnd());
    return true;
}

void CSubMainSkin::Rescale() {
    rect = ToRect(layout);
    MoveWindow(hwnd(), rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, TRUE);
    store.Rescale();
    if (list) list->Rescale();
    Invalidate(true);
}

void CSubMainSkin::ButtonPressed(const std::string&) {}

void CSubMainSkin::ButtonClicked(int index) { ButtonPressed(store.ButtonName(index)); }

void CSubMainSkin::MouseOverName(const std::string&) {}

LRESULT CSubMainSkin::OnEraseBkgnd(HDC) { return 1; }  // the picture covers the whole client area

void CSubMainSkin::OnPaint() {
    {
        PaintDC dc(hwnd());
        if (dc.get()) DrawSkinImage(dc.get(), store.normalImage, ClientRect(), true);
    }
    for (auto& b : store.buttons) b->Invalidate(true);
    for (auto& l : store.labels) l->Invalidate(true);
    if (list) list->Invalidate(true);
}

void CSubMainSkin::OnLButtonDown(UINT, int x, int y) {
    BeginBackgroundDrag(hwnd(), x, y);
    Default();
}

void CSubMainSkin::OnMouseMove(UINT, int, int) {
    Default();
    MouseOverName("");
}

void CSubMainSkin::OnTimer(UINT_PTR) {}

LRESULT CSubMainSkin::OnMessage(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_DESTROYTREE:
        OnDestroyTree();
        if (hwnd()) SendDestroyTree(hwnd());
        return 0;
    case WM_ENABLESCANBUTTON:
        store.EnableButton("BUTTON_SCAN", true);
        return 0;
    default:
        return Window::OnMessage(msg, wp, lp);
    }
}
