#pragma once

#include "Component.h"
#include "Cursors.h"

// The screen object: the screen-wide cursor. Any value other than crDefault is shown over
// every window of the program; crDefault lets each control show its own. It does not nest.
class TScreen : public TComponent {
    DECLARE_CLASS_INFO
public:
    TScreen();
    ~TScreen() override;

    TCursor Cursor() const { return FCursor; }
    void SetCursor(TCursor cursor);
    int Width() const;
    int Height() const;
    int PixelsPerInch() const;

private:
    TCursor FCursor = crDefault;
};

extern TScreen* Screen;
