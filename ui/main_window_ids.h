// The identifiers of the main window's controls. The Send button is 1, the platform's IDOK, so
// that Enter outside the text box is a click on it.
#pragma once

namespace quillon::ui {

inline constexpr int FORM1_SEND = 1;
inline constexpr int FORM1_PORTFRAME = 100;
inline constexpr int FORM1_BAUDFRAME = 105;
inline constexpr int FORM1_HINT = 110;
inline constexpr int FORM1_BAUD9600 = 115;
inline constexpr int FORM1_BAUD4800 = 120;
inline constexpr int FORM1_BAUD2400 = 125;
inline constexpr int FORM1_BAUD1200 = 130;
inline constexpr int FORM1_COM1 = 135;
inline constexpr int FORM1_COM2 = 140;
inline constexpr int FORM1_COM3 = 145;
inline constexpr int FORM1_COM4 = 150;
inline constexpr int FORM1_COM5 = 155;
inline constexpr int FORM1_COM6 = 160;
inline constexpr int FORM1_COM7 = 165;
inline constexpr int FORM1_COM8 = 170;
inline constexpr int FORM1_TEXT = 175;
inline constexpr int FORM1_CLEAR = 180;

}  // namespace quillon::ui
