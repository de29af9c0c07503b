// What the Flash document asks of the view that shows its template's clips: which clip the user
// selected, and a rebuild once the template changed. The gestures bar implements it.
#pragma once

class flash_gesture_selection {
public:
    // The template clip index of the selection; -1 when none.
    virtual int GetSelectedGesture() const = 0;
    // Rebuilds the thumbnails when the template path changed; false without a path.
    virtual bool OnCharacterChanged(bool invalidate) = 0;

protected:
    ~flash_gesture_selection() = default;
};
