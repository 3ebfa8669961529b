// The About window: title, typed notice, memory figures and the help viewer.
#pragma once

#include "forms/windows/form.h"
#include "platform/services.h"

#include <QLocale>
#include <QString>

#include <cstdint>

namespace velti {

const forms::FormDescription& form3Description();

// Made afresh at each opening, so every opening starts from the design.
class Form3 final : public forms::Dialog {
    Q_OBJECT
public:
    Form3(forms::Runtime& runtime, const Services& services, QWidget* owner);

    forms::LabelArray Label1{*this, "Label1"};        // 0: the title; 1 to 3: the typed lines
    forms::Label Label2{*this, "Label2"};             // subtitle
    forms::Label Label6{*this, "Label6"};             // version
    forms::CommandButton Command3{*this, "Command3"}; // "&Memoria"
    forms::CommandButton Command2{*this, "Command2"}; // "&Crediti"
    forms::Label Label7{*this, "Label7"};             // the maker's name
    forms::CommandButton Command1{*this, "Command1"}; // "OK"
    forms::Label Label5{*this, "Label5"};             // the rights notice
    forms::Label Label3{*this, "Label3"};             // total physical memory
    forms::Label Label4{*this, "Label4"};             // available physical memory
    forms::Label Label8{*this, "Label8"};             // available virtual memory
    forms::Timer Timer1{*this, "Timer1"};

    QString Stringa;         // the notice; a "§" ends each line
    std::int16_t Sc = 0;     // position in Stringa of the character of this tick, from 1
    std::int16_t Indice = 0; // the element of Label1 that is being typed into

private:
    void Form_Load();
    void Command1_Click();
    void Command2_Click();
    void Command3_Click();
    void Timer1_Timer();

    void typeNextCharacter();
    void showMemoryStatus();

    Services services_;

    // A line of the memory panel as last written, with the figure it was written from.
    struct PanelLine {
        std::uint64_t figure = 0;
        QString caption;
    };
    // Label8, Label3 and Label4, and the locale their figures were written in.
    PanelLine panelLines_[3];
    QLocale panelLocale_;
};

} // namespace velti
