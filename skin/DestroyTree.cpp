// The tree walk of WM_DESTROYTREE.
#include "skin/DestroyTree.h"

#include <vector>

#include "skin/SkinMessages.h"
#include "framework/Window.h"

namespace {
void listDescendants(HWND parent, std::vector<HWND>& out) {
    for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        out.push_back(child);
        listDescendants(child, out);
    }
}
}  // namespace

int SendDestroyTree(HWND root) {
    std::vector<HWND> tree;
    if (root) listDescendants(root, tree);
    int sent = 0;
    for (HWND h : tree) {
        // Asked again now: a receiver earlier in the list may have destroyed this window.
        if (!IsWindow(h) || !Window::FromHandle(h)) continue;
        SendMessageA(h, WM_DESTROYTREE, 0, 0);
        ++sent;
    }
    return sent;
}
