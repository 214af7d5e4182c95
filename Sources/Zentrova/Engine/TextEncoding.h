#pragma once

namespace zentrova {

// The encodings text export writes. UTF-8 holds every character; the other two hold only the
// characters of their range, so a row they cannot hold is left out of an export.
enum class TextEncoding { utf8, ascii, isoLatin1 };

} // namespace zentrova
