#pragma once

#include <QObject>
#include <QTimer>
#include <chrono>

// Stops the text caret's blinking after a time without keyboard or mouse input, and starts
// it again at the next input. While stopped the caret stays shown, so an untouched window
// makes no wake-ups. Focus, selection and the caret's place are not touched: only the
// application's caret flash time changes.
class TCaretBlinkPause : public QObject {
public:
    static constexpr std::chrono::milliseconds DefaultIdleTime{10000};

    explicit TCaretBlinkPause(std::chrono::milliseconds idleTime = DefaultIdleTime);
    ~TCaretBlinkPause() override;

    bool Paused() const { return FPaused; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Pause();
    void Resume();

    QTimer FIdle;
    int FFlashTime = 0; // the flash time in force before the pause
    bool FPaused = false;
};
