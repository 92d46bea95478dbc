// What the subsystems ask of the bar that hosts them. The bar implements
// it; tests drive a subsystem with a stand-in.
#pragma once
#include <windows.h>

namespace qaz {

class Host {
public:
    // The window that owns the subsystems' windows and message boxes.
    virtual HWND OwnerWindow() const = 0;
    // True for an instance started with names, which ends after showing them.
    virtual bool CommandLineMode() const = 0;

    // Whether the queue steps by itself (AutoLoadFiles).
    virtual bool AutoLoad() const = 0;
    virtual void SetAutoLoad(bool on) = 0;

    // The queue's next step: armed to come in ms milliseconds, or stopped.
    virtual void ArmQueue(UINT ms) = 0;
    virtual void StopQueue() = 0;
    virtual bool QueueArmed() const = 0;
    // The delay the queue was last armed with.
    virtual UINT QueueDelay() const = 0;

    // The busy animation of the bar's icon.
    virtual void StartAnimation() = 0;
    virtual void StopAnimation() = 0;

protected:
    ~Host() = default;
};

}  // namespace qaz
