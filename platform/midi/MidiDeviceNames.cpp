#include "midi/MidiDeviceNames.h"

namespace PlatformMidi
{
namespace
{
bool isContinuation(unsigned char byte)
{
    return (byte & 0xC0u) == 0x80u;
}

/** Length of the sequence that starts with lead (0 for a byte that cannot
    start one). */
size_t sequenceLength(unsigned char lead)
{
    if (lead < 0x80u)
        return 1;
    if (lead >= 0xC2u && lead <= 0xDFu)
        return 2;
    if (lead >= 0xE0u && lead <= 0xEFu)
        return 3;
    if (lead >= 0xF0u && lead <= 0xF4u)
        return 4;
    return 0;
}
} // namespace

std::string cutUtf8(const std::string& text, size_t maxBytes)
{
    if (text.size() <= maxBytes)
        return text;
    size_t end = maxBytes;
    while (end > 0 && isContinuation(static_cast<unsigned char>(text[end])))
        --end;
    return text.substr(0, end);
}

unsigned utf16Bytes(const std::string& text)
{
    return static_cast<unsigned>((utf8ToUtf16(text).size() + 1) * sizeof(char16_t));
}

std::string percentEscaped(const std::string& text)
{
    static const char hex[] = "0123456789ABCDEF";
    std::string result;
    result.reserve(text.size());
    for (const char c : text)
    {
        const unsigned char byte = static_cast<unsigned char>(c);
        if (byte < 0x80u && c != '%')
        {
            result += c;
            continue;
        }
        result += '%';
        result += hex[byte >> 4];
        result += hex[byte & 0x0Fu];
    }
    return result;
}

std::u16string utf8ToUtf16(const std::string& text)
{
    std::u16string result;
    size_t at = 0;
    while (at < text.size())
    {
        const unsigned char lead = static_cast<unsigned char>(text[at]);
        const size_t length = sequenceLength(lead);
        bool valid = length != 0 && at + length <= text.size();
        char32_t code = length == 1 ? lead : (lead & (0xFFu >> (length + 1)));
        for (size_t i = 1; valid && i < length; ++i)
        {
            const unsigned char next = static_cast<unsigned char>(text[at + i]);
            valid = isContinuation(next);
            code = (code << 6) | (next & 0x3Fu);
        }
        const char32_t smallest[] = {0, 0, 0x80, 0x800, 0x10000};
        valid = valid && code >= smallest[length] && code <= 0x10FFFF && (code < 0xD800 || code > 0xDFFF);
        if (!valid)
        {
            result += u'\xFFFD';
            ++at;
            continue;
        }
        if (code >= 0x10000)
        {
            code -= 0x10000;
            result += static_cast<char16_t>(0xD800 + (code >> 10));
            result += static_cast<char16_t>(0xDC00 + (code & 0x3FF));
        }
        else
            result += static_cast<char16_t>(code);
        at += length;
    }
    return result;
}
} // namespace PlatformMidi
