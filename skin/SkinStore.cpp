// CSkinStore: element lookups, the operations of the skinned windows, and the section loaders.
#include "skin/SkinStore.h"

#include "skin/SkinImage.h"
#include "skin/SkinNames.h"
#include "skin/SkinReader.h"
#include "skin/SkinScale.h"

RECT ToRect(const SkinRect& r) {
    const SkinRect s = ScaleSkinRect(r, SkinDpi());
    return RECT{s.left, s.top, s.right, s.bottom};
}

namespace {
void MoveTo(HWND hwnd, const RECT& rect) {
    MoveWindow(hwnd, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, TRUE);
}
}  // namespace

CSkinButton* CSkinStore::FindButton(const std::string& name) const {
    for (const auto& b : buttons) {
        if (b->name == name) return b.get();
    }
    return nullptr;
}

CSkinLabel* CSkinStore::FindLabel(const std::string& name) const {
    for (const auto& l : labels) {
        if (l->name == name) return l.get();
    }
    return nullptr;
}

CSkinEdit* CSkinStore::FindEdit(const std::string& name) const {
    for (const auto& e : edits) {
        if (e->name == name) return e.get();
    }
    return nullptr;
}

std::string CSkinStore::ButtonName(int index) const {
    if (index < 0 || index >= static_cast<int>(buttons.size())) return std::string();
    return buttons[static_cast<size_t>(index)]->name;
}

void CSkinStore::SetButtonCheck(const std::string& name, int state) {
    if (CSkinButton* b = FindButton(name)) b->SetCheck(state);
}

int CSkinStore::GetButtonCheck(const std::string& name) const {
    CSkinButton* b = FindButton(name);
    return b ? b->GetCheck() : 0;
}

namespace {
// A disabled window cannot keep the keyboard focus: it goes to the next control Tab reaches, so that
// the keyboard keeps working (a page's tile disables itself once pressed).
void EnableKeepingFocus(HWND button, bool enable) {
    if (!enable && GetFocus() == button) {
        HWND root = GetAncestor(button, GA_ROOT);
        HWND next = GetNextDlgTabItem(root, button, FALSE);
        if (next && next != button) SendMessageA(root, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(next), TRUE);
    }
    EnableWindow(button, enable);
}
}  // namespace

void CSkinStore::EnableButton(const std::string& name, bool enable) {
    if (CSkinButton* b = FindButton(name)) EnableKeepingFocus(b->hwnd(), enable);
}

void CSkinStore::HideButton(const std::string& name, bool hide) {
    if (CSkinButton* b = FindButton(name)) ShowWindow(b->hwnd(), hide ? SW_HIDE : SW_SHOW);
}

void CSkinStore::EnableAllButtons(bool enable) {
    for (const auto& b : buttons) EnableKeepingFocus(b->hwnd(), enable);
}

void CSkinStore::SetLabelText(const std::string& name, const std::string& text) {
    if (CSkinLabel* l = FindLabel(name)) {
        l->SetText(text);
        l->Invalidate(true);
    }
}

bool CSkinStore::UpdateLabelText(const std::string& name, const std::string& text) {
    CSkinLabel* l = FindLabel(name);
    if (!l || l->Text() == text) return false;
    l->SetText(text);
    l->Invalidate(true);
    return true;
}

void CSkinStore::SetEditText(const std::string& name, const std::string& text) {
    if (CSkinEdit* e = FindEdit(name)) e->SetText(text);
}

std::string CSkinStore::GetEditText(const std::string& name) const {
    CSkinEdit* e = FindEdit(name);
    return e ? e->GetText() : std::string();
}

void CSkinStore::Reset() {
    normalImage.reset();
    overImage.reset();
    downImage.reset();
    disabledImage.reset();
    // Reset may run inside a button's own click; such a button is deleted once its handler returns.
    for (auto& b : buttons) {
        b->Destroy();
        Window::DeleteWhenIdle(std::move(b));
    }
    for (auto& l : labels) l->Destroy();
    for (auto& e : edits) {
        e->nameLabel.Destroy();
        e->Destroy();
    }
    buttons.clear();
    labels.clear();
    edits.clear();
}

void CSkinStore::LoadPictures(const std::string& folder, const std::string (&names)[4], SIZE& size) {
    GdiBitmap* pictures[4] = {&normalImage, &overImage, &downImage, &disabledImage};
    KeepPicturePaths(folder, names);
    for (int i = 0; i < 4; ++i) LoadSkinImage(picturePaths_[i], *pictures[i], size);
}

void CSkinStore::KeepPicturePaths(const std::string& folder, const std::string (&names)[4]) {
    for (int i = 0; i < 4; ++i) picturePaths_[i] = folder + names[i];
}

void CSkinStore::LoadStatePictures(bool normal, bool over, bool down, bool disabled) {
    GdiBitmap* pictures[4] = {&normalImage, &overImage, &downImage, &disabledImage};
    const bool wanted[4] = {normal, over, down, disabled};
    SIZE size{};
    for (int i = 0; i < 4; ++i) {
        if (!wanted[i] || picturePaths_[i].empty()) continue;
        pictures[i]->reset();
        LoadSkinImage(picturePaths_[i], *pictures[i], size);
    }
}

void CSkinStore::CutButtonPictures() {
    for (auto& b : buttons) {
        b->CutPictures(normalImage, overImage, downImage, disabledImage, ToRect(b->layout));
        b->Invalidate(true);
    }
}

void CSkinStore::Rescale() {
    LoadStatePictures(true, true, true, true);
    for (auto& b : buttons) MoveTo(b->hwnd(), ToRect(b->layout));
    CutButtonPictures();
    for (auto& l : labels) {
        const RECT rect = ToRect(l->layout.rect);
        MoveTo(l->hwnd(), rect);
        l->CutBackground(normalImage, rect);
        GdiFont font = CreateSkinFont(l->layout.face, l->layout.bold, l->layout.italic, l->layout.height);
        l->SetFont(font.get());
        l->Invalidate(true);
    }
    for (auto& e : edits) {
        const RECT rect = ToRect(e->layout.rect);
        MoveTo(e->hwnd(), rect);
        e->font = CreateSkinFont(e->layout.face, e->layout.bold, e->layout.italic, e->layout.height);
        CutImage(nullptr, e->background, normalImage, rect);
        e->Invalidate(true);
    }
}

int CSkinStore::LoadButtons(HWND parent, const std::string& path, const std::string& section) {
    int created = 0;
    for (const auto& line : ReadNumberedSection(path, section)) {
        const SkinButtonLine b = ParseButtonLine(line.value);
        const RECT rect = ToRect(b.rect);
        auto button = std::make_unique<CSkinButton>();
        if (!button->Create(parent, rect, line.index, b.name, b.toggle)) continue;
        button->layout = b.rect;
        NameSkinControl(button->hwnd(), section, b.name);  // read by a screen reader, never drawn
        button->CutPictures(normalImage, overImage, downImage, disabledImage, rect);
        buttons.push_back(std::move(button));
        ++created;
    }
    return created;
}

int CSkinStore::LoadLabels(HWND parent, const std::string& path, const std::string& section) {
    int created = 0;
    for (const auto& line : ReadNumberedSection(path, section)) {
        const SkinTextLine t = ParseTextLine(line.value);
        const RECT rect = ToRect(t.rect);
        auto label = std::make_unique<CSkinLabel>();
        if (!label->Create(parent, rect, t.text)) continue;
        label->CutBackground(normalImage, rect);
        label->layout = t;
        label->index = line.index;
        label->name = t.name;
        label->colour = static_cast<COLORREF>(t.colour);
        GdiFont font = CreateSkinFont(t.face, t.bold, t.italic, t.height);
        label->SetFont(font.get());
        labels.push_back(std::move(label));
        ++created;
    }
    return created;
}

int CSkinStore::LoadEdits(HWND parent, const std::string& path, const std::string& section) {
    int created = 0;
    for (const auto& line : ReadNumberedSection(path, section)) {
        const SkinTextLine t = ParseTextLine(line.value);
        const RECT rect = ToRect(t.rect);
        auto edit = std::make_unique<CSkinEdit>();
        if (!edit->Create(parent, rect, t.text)) continue;
        edit->layout = t;
        NameSkinControl(edit->hwnd(), section, t.name);
        const std::string label = SkinControlNameFor(section, t.name);
        const RECT none{rect.left, rect.top, rect.left, rect.top};
        if (!label.empty() && edit->nameLabel.CreateControl("STATIC", 0, WS_CHILD | WS_VISIBLE, label.c_str(), none,
                                                            parent, 0)) {
            // Just before the box, in the box's place of the reading order.
            HWND before = GetWindow(edit->hwnd(), GW_HWNDPREV);
            SetWindowPos(edit->nameLabel.hwnd(), before ? before : HWND_TOP, 0, 0, 0, 0,
                         SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
            NameSkinControl(edit->nameLabel.hwnd(), section, t.name);
        }
        edit->index = line.index;
        edit->name = t.name;
        edit->colour = static_cast<COLORREF>(t.colour);
        edit->font = CreateSkinFont(t.face, t.bold, t.italic, t.height);
        CutImage(nullptr, edit->background, normalImage, rect);  // for the screen, as the buttons' pictures
        edits.push_back(std::move(edit));
        ++created;
    }
    return created;
}

std::unique_ptr<CSkinList> CreateSkinList(HWND parent, const std::string& path, const std::string& section,
                                          bool virtualRows, const char* key) {
    const std::string value = GetSkinString(path, section, key, "");
    if (value.empty()) return nullptr;
    const SkinListLine l = ParseListLine(value);
    auto list = std::make_unique<CSkinList>();
    if (!list->Create(parent, ToRect(l.rect), l.columns, virtualRows)) return nullptr;
    list->layout = l.rect;
    NameSkinControl(list->hwnd(), section, key);
    return list;
}
