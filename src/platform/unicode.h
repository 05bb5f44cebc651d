// Text between the encodings the builds meet: UTF-8 inside the FAR 3 build
// and on POSIX, UTF-16 in the wide-character calls of Windows, and the OEM
// code page in which the 1.x builds kept their texts. A conversion either
// gives exactly the same characters or fails: invalid UTF-8 and an unpaired
// surrogate are errors, never a U+FFFD in their place, so that a name which
// cannot be converted is reported, not exchanged for another.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace Platform {

// A text the 1.x builds stored (a registry value written through the ANSI
// calls, holding the host's OEM code page) as UTF-8. Windows: from the OEM
// code page, false for a byte it does not define; POSIX: the text itself,
// which must be UTF-8.
bool LegacyTextToUtf8(std::string_view text, std::string& utf8);

#ifdef _WIN32
// False, leaving Wide empty, for invalid UTF-8 (a stray or missing
// continuation byte, an overlong form, an encoded surrogate, beyond U+10FFFF).
bool Utf8ToWide(std::string_view utf8, std::wstring& wide);
// False, leaving Utf8 empty, for a surrogate without its pair.
bool WideToUtf8(std::wstring_view wide, std::string& utf8);

// A path as the wide-character calls open it at any length. Windows opens
// no plain path of MAX_PATH characters or more, and makes no folder of 248
// or more, so a path of 248 characters or more gets the "\\?\" form ("X:\"
// becomes "\\?\X:\", "\\server\share" becomes "\\?\UNC\server\share"), in
// which Windows takes every character as it is. So only a plain absolute
// path takes that form: with the separators as backslashes, no part "." or
// "..", no empty part and no part ending in a dot or a blank, which the
// plain form would have dropped or resolved. Any other path, and one that
// already has a "\\?\" or "\\.\" form, is given back as it is: a long one
// then fails to open, it never opens another file.
std::wstring LongPathForm(std::wstring_view path);

// The arguments of the program this code runs in (for a plug-in: its
// host's), without the program's own name, each in the OEM code page as
// the host hands texts to 1.x plug-ins, a character that page lacks as '?'.
std::vector<std::string> HostArgumentsInOemCodePage();
#endif

} // namespace Platform
