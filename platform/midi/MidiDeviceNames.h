// Text helpers for device names and interface paths: product names are cut
// to the caps record's room on a UTF-8 character boundary, interface paths
// are kept ASCII and travel as UTF-16.
#pragma once

#include <cstddef>
#include <string>

namespace PlatformMidi
{
/** Room for a product name in the caps records, NUL excluded. */
constexpr size_t kProductNameBytes = 31;

/** text cut to at most maxBytes bytes, never inside a UTF-8 sequence. */
std::string cutUtf8(const std::string& text, size_t maxBytes = kProductNameBytes);

/** The size in bytes of text as NUL-terminated UTF-16. */
unsigned utf16Bytes(const std::string& text);

/** text with every byte of 0x80 and above, and '%' itself, written as "%XX"
    (upper-case hex): an identity built from names stays ASCII (callers may
    read it as Latin-1 or narrower), and two different names never give the
    same text. */
std::string percentEscaped(const std::string& text);

/** text (UTF-8) as UTF-16; a byte that is not valid UTF-8 becomes U+FFFD. */
std::u16string utf8ToUtf16(const std::string& text);
} // namespace PlatformMidi
