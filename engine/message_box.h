#pragma once

// Message box types and answers, with the values the system's message box uses.
namespace mb {

constexpr unsigned kIconStop = 0x10;
constexpr unsigned kIconExclamation = 0x30;
constexpr unsigned kYesNoQuestion = 0x24; // Yes and No buttons, question icon
constexpr unsigned kIconInformation = 0x40;

constexpr int kIdOk = 1;
constexpr int kIdYes = 6;
constexpr int kIdNo = 7;

} // namespace mb
