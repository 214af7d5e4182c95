#pragma once

namespace zentrova {

// How palette entries 16-255 are made from the 16 base colours: the fixed xterm cube and grey ramp,
// or interpolation in CIE L*a*b* between the base colours (harmonious: the background always stays at
// the cube's origin, also on a light theme).
enum class Ansi256PaletteStrategy { xterm, base16Lab, base16LabHarmonious };

} // namespace zentrova
