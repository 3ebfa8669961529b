// A small window of the tests' own, whose handlers each take a step, fail at a control operation
// the test chooses, and would take one more step after it: the run-time error convention seen on
// every kind of handler, apart from the real windows' own steps.
#pragma once

#include "core/runtime_error.h"
#include "forms/windows/form.h"

#include <QString>

namespace velti::test {

inline const forms::FormDescription& probeDescription() {
    using namespace forms;
    // clang-format off
    static const FormDescription description{
        .name = "Probe",
        .caption = "Probe",
        .clientWidth = 3000,
        .clientHeight = 1500,
        .controls = {
            {.kind = ControlKind::CommandButton, .name = "Command1", .caption = "&Prova",
             .left = 0, .top = 0, .width = 900, .height = 375, .tabIndex = 0},
            {.kind = ControlKind::CommandButton, .name = "Command2", .caption = "&Bene",
             .left = 1000, .top = 0, .width = 900, .height = 375, .tabIndex = 1},
            {.kind = ControlKind::CommandButton, .name = "Command3", .caption = "Spento",
             .left = 2000, .top = 0, .width = 900, .height = 375, .tabIndex = 2},
            {.kind = ControlKind::Label, .name = "Label1", .index = 0, .left = 0, .top = 600,
             .width = 3000, .height = 255},
            {.kind = ControlKind::Label, .name = "Label2", .left = 0, .top = 900, .width = 3000,
             .height = 255},
            {.kind = ControlKind::Timer, .name = "Timer1", .interval = 1},
        },
    };
    // clang-format on
    return description;
}

// The failing operations, one of each run-time error the window layer raises.
enum class Failure { None, InvalidCall, NoSuchElement, Overflow, NoSuchControl, Unloaded };

struct Failing {
    Failure load = Failure::None;
    Failure click = Failure::None; // Command1
    Failure timer = Failure::None;
    Failure unload = Failure::None;
};

class Probe final : public forms::Window {
public:
    // elsewhere: a control of another window, gone when the step runs.
    Probe(forms::Runtime& runtime, Failing failing = {}, forms::Label* elsewhere = nullptr)
        : Window(probeDescription(), runtime), elsewhere_(elsewhere), failing_(failing) {
        onClick(Command1, &Probe::Command1_Click);
        onClick(Command2, &Probe::Command2_Click);
        onTimer(Timer1, &Probe::Timer1_Timer);
        onLoad(&Probe::Form_Load);
    }

    forms::CommandButton Command1{*this, "Command1"}; // fails where the test says
    forms::CommandButton Command2{*this, "Command2"};
    forms::CommandButton Command3{*this, "Command3"}; // disabled at load
    forms::LabelArray Label1{*this, "Label1"};
    forms::Label Label2{*this, "Label2"};
    forms::Label Missing{*this, "Label9"}; // no such control in the design
    forms::Timer Timer1{*this, "Timer1"};

    std::int16_t cancelBeforeFailure = 0;
    // How often each handler ran past its failing step; the step after it also writes Label2.
    int afterLoad = 0, afterClick = 0, afterTimer = 0, afterUnload = 0;
    int goodClicks = 0; // Command2, which never fails

protected:
    void Form_Unload(std::int16_t& cancel) override {
        cancel = cancelBeforeFailure;
        steps("chiusura", failing_.unload, afterUnload, nullptr);
        cancel = 0;
    }

private:
    // A first step, the failure asked for, then a count and a last step.
    void steps(const char* first, Failure failure, int& after, const char* last) {
        Label1.item(0).setCaption(QString::fromUtf8(first));
        fail(failure);
        ++after;
        if (last != nullptr)
            Label2.setCaption(QString::fromUtf8(last));
    }
    void Form_Load() {
        Command3.setEnabled(false);
        steps("caricato", failing_.load, afterLoad, "caricato fino in fondo");
    }
    void Command1_Click() {
        steps("cliccato", failing_.click, afterClick, "cliccato fino in fondo");
    }
    void Command2_Click() { Label2.setCaption(QStringLiteral("bene %1").arg(++goodClicks)); }
    void Timer1_Timer() { steps("tic", failing_.timer, afterTimer, "tic fino in fondo"); }

    void fail(Failure failure) {
        switch (failure) {
        case Failure::None:
            break;
        case Failure::InvalidCall:
            Command3.setFocus(); // disabled
            break;
        case Failure::NoSuchElement:
            Label1.item(7).setCaption(QStringLiteral("x"));
            break;
        case Failure::Overflow:
            checkedAdd(32767, 1);
            break;
        case Failure::NoSuchControl:
            Missing.setCaption(QStringLiteral("x"));
            break;
        case Failure::Unloaded:
            elsewhere_->setCaption(QStringLiteral("x"));
            break;
        }
    }

    forms::Label* elsewhere_;
    Failing failing_;
};

} // namespace velti::test
