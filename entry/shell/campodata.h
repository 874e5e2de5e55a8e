#pragma once

class QDateEdit;

namespace orva::ui {

// Typing a date in a date picker: DD/MM/YYYY with or without the slashes
// ("28/11/2015", "28112015", "5/3/2015") gives exactly that date. The digits
// fill day, month and year in turn whatever section the picker was on; a "/"
// after one digit pads it with a zero, after a complete part it is passed
// over. An impossible date or one outside the picker's range is refused with
// a warning naming the field (its hint) and the date shown before stays.
// Typing left unfinished when the focus leaves brings the earlier date back
// with a beep. Keys other than digits, "/" and Backspace reach the picker.
void makeDateField(QDateEdit *edit);

} // namespace orva::ui
