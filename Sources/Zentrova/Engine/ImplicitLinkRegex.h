#pragma once

#include <unicode/regex.h>

#include <string_view>

namespace zentrova {

// URLs of the common schemes, and paths: relative (./, ../), home (~/), variable ($HOME/), hidden
// (.config/), absolute (/usr/bin) and word/word.ext. Paths may hold single spaces between parts that
// end in "/" or "." (a folder name with a space), and trailing "," and "." after a URL are not part
// of it. Matched over UTF-16 text with ICU syntax.
inline constexpr std::string_view implicitLinkPattern =
    R"re((?:https?://|mailto:|ftp://|file:|ssh:|git://|ssh://|tel:|magnet:|ipfs://|ipns://|gemini://|gopher://|news:)(?:(?:\[[:0-9a-fA-F]+\](?::[0-9]+)?)|[\w\-.~:/?#@!$&*+,;=%](?:(?:[\(\[]\w*[\)\]]))?)+(?<![,.])|(?:\.\.\/|\.\/|(?<!\w)~\/|(?:[\w][\w\-.]*\/)*(?<!\w)\$[A-Za-z_]\w*\/|\.[\w][\w\-.]*\/|(?<![\w~\/])\/(?!\/))(?:(?=[\w\-.~:\/?#@!$&*+;=%]*\.)[\w\-.~:\/?#@!$&*+;=%]+(?:(?<!:) (?!\w+:\/\/)[\w\-.~:\/?#@!$&*+;=%]*[\/.])*(?<!:)(?: +(?= *$))?|(?![\w\-.~:\/?#@!$&*+;=%]*\.)[\w\-.~:\/?#@!$&*+;=%]+(?:(?<!:) (?!\w+:\/\/)[\w\-.~:\/?#@!$&*+;=%]+)*(?<!:)(?: +(?= *$))?)|(?=[\w\-.~:\/?#@!$&*+;=%]*\.)(?<!\w)[\w][\w\-.]*\/[\w\-.~:\/?#@!$&*+;=%]+(?:(?<!:) (?!\w+:\/\/)[\w\-.~:\/?#@!$&*+;=%]*[\/.])*(?<!:)(?: +(?= *$))?)re";

// The compiled pattern, built on first use and shared by every terminal of the process (matchers
// made from it are per use, so it may be read from any thread); null when ICU refuses it, which
// turns implicit links off.
const icu::RegexPattern* implicitLinkRegex();

} // namespace zentrova
