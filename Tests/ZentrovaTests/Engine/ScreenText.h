#pragma once

#include <string>

namespace zentrova {

class Terminal;

// The rows shown, as text for golden comparisons: rows joined by "|", each without its trailing
// blanks, trailing empty rows left out. An empty cell reads as a space and the right half of a wide
// character as nothing, so "漢" takes one character of text for its two columns.
std::string screenText(Terminal& terminal);

// The attribute of every cell, in the same layout: "." for the default attribute and a letter per
// other attribute in order of first appearance ("a", "b", ...); trailing dots left out.
std::string screenAttributes(Terminal& terminal);

// "x,y" of the cursor.
std::string cursorText(Terminal& terminal);

} // namespace zentrova
