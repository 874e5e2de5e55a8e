#pragma once

class QDateEdit;

namespace orva::ui {

// Typing a date in a date picker: DD/MM/YYYY with or without the slashes
// ("28/11/2015", "28112015", "5/3/2015") gives exactly that date. The digits
// fill day, month and year in turn from the section the picker was on (a
// click on the month part types the month and keeps day and year); a "/"
// after one digit pads it with a zero, after a complete part it is passed
// over. When the focus leaves, a two-digit year is completed inside the
// picker's range ("25/7/15" is 25/07/2015), and so is a day and month alone
// ("5/3") when the range is one year. Tab and Shift+Tab leave the field
// (the arrows move between its parts); entered by them, typing starts at the
// day. An impossible date, one outside the range or
// typing that cannot be completed is refused with a warning naming the field
// (its hint) and the focus stays there: the picker never holds, nor shows
// once the typing is over, another date than the one typed. Esc gives the
// earlier date back. Keys other than digits, "/" and Backspace reach the picker.
void makeDateField(QDateEdit *edit);

// What a save calls first: completes typing still under way in the picker.
// False when that typing was refused (the warning is shown, the focus put
// back on the picker): nothing may be saved then.
bool confirmDate(QDateEdit *edit);

} // namespace orva::ui
