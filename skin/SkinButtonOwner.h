// The window that receives a skinned button's clicks by index.
#pragma once

// A skinned window (the dialog base, the sub-screen) derives from this as well as from its window
// class; a button finds it with the run-time type test WindowAs<SkinButtonOwner>.
class SkinButtonOwner {
public:
    virtual ~SkinButtonOwner() = default;
    // A button of this window was released under the mouse; `index` is its key number - 1.
    virtual void ButtonClicked(int index) = 0;
};
