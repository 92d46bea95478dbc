// A stand-in for the bar: it records what a subsystem asks of it, and
// holds what the bar would hand down (settings, drop queue, bound library).
#pragma once
#include <windows.h>

#include <functional>

#include "archive/drop_context.h"
#include "core/host.h"

namespace qaztest {

class FakeHost : public qaz::Host {
public:
    FakeHost() {
        owner_ = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, GetModuleHandleA(nullptr),
                                 nullptr);
        SetWindowLongPtrA(owner_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    }
    ~FakeHost() { DestroyWindow(owner_); }
    FakeHost(const FakeHost&) = delete;
    FakeHost& operator=(const FakeHost&) = delete;

    HWND OwnerWindow() const override { return owner_; }
    bool CommandLineMode() const override { return commandLine; }
    bool AutoLoad() const override { return autoLoad; }
    void SetAutoLoad(bool on) override { autoLoad = on; }
    // The queue is armed on a real timer; its step runs onStep.
    void ArmQueue(UINT ms) override {
        armed = true;
        delay = ms;
        SetTimer(owner_, 1, ms, &FakeHost::Step);
    }
    void StopQueue() override {
        armed = false;
        KillTimer(owner_, 1);
    }
    bool QueueArmed() const override { return armed; }
    UINT QueueDelay() const override { return delay; }
    void StartAnimation() override { animating = true; }
    void StopAnimation() override { animating = false; }

    bool commandLine = false;
    bool autoLoad = true;
    bool armed = false;
    UINT delay = 0;
    bool animating = false;
    std::function<void()> onStep;

private:
    static void CALLBACK Step(HWND owner, UINT, UINT_PTR, DWORD) {
        auto* self = reinterpret_cast<FakeHost*>(GetWindowLongPtrA(owner, GWLP_USERDATA));
        if (!self) return;
        self->StopQueue();
        if (self->onStep) self->onStep();
    }

    HWND owner_ = nullptr;
};

// The settings, drop queue and library binding of a bar, without the bar.
struct Bench {
    Bench() { queue.Create(host.OwnerWindow(), 1); }
    ~Bench() { binding.Unbind(); }
    FakeHost host;
    qaz::Settings settings;
    qaz::DropQueue queue;
    qaz::LibraryBinding binding;
    qaz::DropContext context{host, settings, queue, binding};
};

}  // namespace qaztest
