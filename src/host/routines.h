// The host's library routines the module relies on.
#pragma once
#include <string>
#include <string_view>

#include "host/clock.h"
#include "host/dataset.h"

namespace dru {

// Blanks added on the right / left up to n characters; never cuts.
std::string PadR(std::string_view s, int n);
std::string PadL(std::string_view s, int n);
// Exactly n characters: cut or blank-padded, left-aligned / right-aligned.
std::string TamFixo(std::string_view s, int n);
std::string TamFixoR(std::string_view s, int n);
// The text brought to width n, its leading characters kept at its start.
std::string Ajusta(std::string_view s, int n);
// Zero fill on the left up to n; an empty text stays empty, a longer text is returned whole.
std::string AjustaZero(std::string_view s, int n);
std::string Replicate(std::string_view c, int n);
// s centred in n characters.
std::string Centraliza(std::string_view s, int n);
bool EmptyString(std::string_view s);

template <class T>
T iif(bool cond, T a, T b) {
    return cond ? a : b;
}
inline std::string iif(bool cond, const char* a, const char* b) { return cond ? a : b; }

// A short pause through the module's clock (the host always passes 1).
void Delay(Clock& clock, int n);
// x cut to two decimals toward zero, without losing a cent to binary floating point.
double Trunc2(double x);
// t1 - t2 as "hh:nn:ss", preceded by "-" when negative. A difference of a day or
// more reads "23:59:59", so the text always parses as a time and still counts as large.
std::string SubtDataHoraLum(TDateTime t1, TDateTime t2);

// A table's filter set as the host always sets it, in three steps: filtering
// off, the text, filtering on (or left off when `on` is false). A refused
// filter leaves the table's filter, switch and cursor as they were.
void SetTableFilter(TClientDataSet& ds, std::string_view expression, bool on = true);
// Filtering off and no filter text.
void ClearTableFilter(TClientDataSet& ds);

}  // namespace dru
