#include "TextFunctions.h"

#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

namespace Tr {

// ---------------------------------------------------------------------------
// Numbers from text. The walks run from the last character to the first and
// accumulate in unsigned 32-bit arithmetic, which wraps without overflow.

bool tryParseInt(const TString& text, int& value)
{
    const char* chars = text.c_str();
    uint32_t result = 0;
    uint32_t place = 1;
    bool ok = true;
    for (int i = text.length() - 1; i >= 0; --i)
    {
        const char c = chars[i];
        if (c >= '0' && c <= '9')
            result += static_cast<uint32_t>(c - '0') * place;
        else if (c == '-' && i == 0)
            result = 0u - result;
        else
        {
            ok = false;
            break;
        }
        place *= 10u;
    }
    value = static_cast<int>(result);
    return ok;
}

int toInt(const TString& text, int defaultValue)
{
    int value = 0;
    return tryParseInt(text, value) ? value : defaultValue;
}

static int hexDigitValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

bool tryParseHex(const TString& text, int start, int count, int& value)
{
    value = 0;
    if (count == 0)
        return true;
    // Positions outside the text are refused rather than read.
    if (count < 0 || start < 1 || start - 1 > text.length() - count)
        return false;
    const char* chars = text.c_str();
    uint32_t result = 0;
    uint32_t place = 1;
    for (int position = start + count - 1; position >= start; --position)
    {
        const int digit = hexDigitValue(chars[position - 1]);
        if (digit < 0)
        {
            value = 0;
            return false;
        }
        result += static_cast<uint32_t>(digit) * place;
        place *= 16u;
    }
    value = static_cast<int>(result);
    return true;
}

int hexToInt(const TString& text, int start, int count)
{
    int value = 0;
    return tryParseHex(text, start, count, value) ? value : -1;
}

// ---------------------------------------------------------------------------
// Numbers to text

TString toString(int value)
{
    char digits[16];
    int pos = static_cast<int>(sizeof digits) - 1;
    digits[pos] = '\0';
    // The magnitude in unsigned arithmetic, so the most negative value works too.
    uint32_t magnitude = value < 0 ? 0u - static_cast<uint32_t>(value) : static_cast<uint32_t>(value);
    do
    {
        digits[--pos] = static_cast<char>('0' + magnitude % 10u);
        magnitude /= 10u;
    } while (magnitude != 0);
    if (value < 0)
        digits[--pos] = '-';
    return TString(digits + pos);
}

TString toHexDigits(int value, int minDigits, int maxDigits)
{
    static const char table[] = "0123456789ABCDEF";
    if (maxDigits < 1 || maxDigits > 8)
        maxDigits = 8;
    if (minDigits < 1)
        minDigits = 1;
    char reversed[8];
    int produced = 0;
    int32_t rest = value;
    while (produced < maxDigits)
    {
        if (rest == 0 && produced >= minDigits)
            break;
        reversed[produced++] = table[rest & 0xF];
        rest >>= 4; // sign fill: a negative value never reaches 0
    }
    char digits[9];
    for (int i = 0; i < produced; ++i)
        digits[i] = reversed[produced - 1 - i];
    digits[produced] = '\0';
    return TString(digits);
}

TString toHex(int value, int minDigits)
{
    return toHexDigits(value, minDigits, 0);
}

// ---------------------------------------------------------------------------
// Messages. A format may come from a translation file, so it is checked
// against the arguments before the runtime formatter sees it.

namespace {

enum class Arg { String, Int };

/** Whether format's conversions are exactly "%s"/"%d" for the given argument
    kinds in their order, with "%%" allowed anywhere. */
bool formatMatches(const char* format, const Arg* args, int argCount)
{
    int used = 0;
    for (const char* p = format; *p != '\0'; ++p)
    {
        if (*p != '%')
            continue;
        ++p;
        if (*p == '%')
            continue;
        if (used >= argCount)
            return false;
        const char wanted = args[used] == Arg::String ? 's' : 'd';
        if (*p != wanted)
            return false;
        ++used;
    }
    return used == argCount;
}

/** The format text followed by each argument after a space. */
TString appendArguments(const TString& format, const TString* strings[], int stringCount, const int* number)
{
    TString result(format);
    for (int i = 0; i < stringCount; ++i)
    {
        result += " ";
        result += *strings[i];
    }
    if (number != nullptr)
    {
        result += " ";
        result += toString(*number);
    }
    return result;
}

/** Runs snprintf into a stack buffer, or into one of the exact size when the
    text is longer, and returns the whole result. */
template <typename... Args>
TString runFormatter(const TString& format, Args... args)
{
    char stackBuffer[4000];
    const int needed = std::snprintf(stackBuffer, sizeof stackBuffer, format.c_str(), args...);
    if (needed < 0)
        return format;
    if (static_cast<size_t>(needed) < sizeof stackBuffer)
        return TString(stackBuffer, needed);
    std::vector<char> heapBuffer(static_cast<size_t>(needed) + 1);
    std::snprintf(heapBuffer.data(), heapBuffer.size(), format.c_str(), args...);
    return TString(heapBuffer.data(), needed);
}

} // namespace

TString formatStr(const TString& format, const TString& s)
{
    static const Arg kinds[] = {Arg::String};
    if (!formatMatches(format.c_str(), kinds, 1))
    {
        const TString* strings[] = {&s};
        return appendArguments(format, strings, 1, nullptr);
    }
    return runFormatter(format, s.c_str());
}

TString formatInt(const TString& format, int n)
{
    static const Arg kinds[] = {Arg::Int};
    if (!formatMatches(format.c_str(), kinds, 1))
        return appendArguments(format, nullptr, 0, &n);
    return runFormatter(format, n);
}

TString formatStrInt(const TString& format, const TString& s, int n)
{
    static const Arg kinds[] = {Arg::String, Arg::Int};
    if (!formatMatches(format.c_str(), kinds, 2))
    {
        const TString* strings[] = {&s};
        return appendArguments(format, strings, 1, &n);
    }
    return runFormatter(format, s.c_str(), n);
}

TString formatStrStr(const TString& format, const TString& s1, const TString& s2)
{
    static const Arg kinds[] = {Arg::String, Arg::String};
    if (!formatMatches(format.c_str(), kinds, 2))
    {
        const TString* strings[] = {&s1, &s2};
        return appendArguments(format, strings, 2, nullptr);
    }
    return runFormatter(format, s1.c_str(), s2.c_str());
}

// ---------------------------------------------------------------------------
// Comparison and search

bool isEqual(const TString& a, const TString& b)
{
    return strCmp(a.c_str(), b.c_str()) == 0;
}

static bool sameBytes(const char* a, const char* b, int count, bool ignoreCase)
{
    for (int i = 0; i < count; ++i)
    {
        const char ca = ignoreCase ? toUpperChar(a[i]) : a[i];
        const char cb = ignoreCase ? toUpperChar(b[i]) : b[i];
        if (ca != cb)
            return false;
    }
    return true;
}

bool startsWith(const TString& text, const TString& prefix, bool ignoreCase)
{
    return matchesAt(text, prefix, 1, ignoreCase);
}

bool matchesAt(const TString& text, const TString& part, int position, bool ignoreCase)
{
    if (position < 1)
        position = 1;
    const int partLength = part.length();
    const int remaining = text.length() - (position - 1);
    if (remaining < partLength)
        return false;
    return sameBytes(text.c_str() + (position - 1), part.c_str(), partLength, ignoreCase);
}

bool endsWith(const TString& text, const TString& suffix, bool ignoreCase)
{
    const int textLength = text.length();
    const int suffixLength = suffix.length();
    if (textLength < suffixLength)
        return false;
    return matchesAt(text, suffix, textLength - suffixLength + 1, ignoreCase);
}

int lastIndexOf(const TString& text, char c)
{
    return text.lastIndexOf(c, false);
}

TString readToken(const TString& text, int& position, char separator)
{
    const int textLength = text.length();
    if (position < 0)
        position = 0;
    if (position >= textLength)
    {
        position = textLength;
        return TString();
    }
    const char* chars = text.c_str();
    const int start = position;
    while (position < textLength && chars[position] != separator)
        ++position;
    return TString(chars + start, position - start);
}

// ---------------------------------------------------------------------------
// Path parts

TString extractDirectory(const TString& path)
{
    const int separator = path.lastIndexOf(kPathSeparator);
    if (separator < 0)
        return TString();
    if (separator == 0)
        return TString(path.c_str(), 1);
    return TString(path.c_str(), separator);
}

// ---------------------------------------------------------------------------
// Case

void strToLower(char* text)
{
    if (text == nullptr)
        return;
    for (; *text != '\0'; ++text)
        *text = static_cast<char>(std::tolower(static_cast<unsigned char>(*text)));
}

char toUpperChar(char c)
{
    return static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
}

// ---------------------------------------------------------------------------
// UTF-16 text

TString fromWide(const char16_t* text)
{
    const int units = wideLength(text);
    if (units == 0)
        return TString();
    TString result(nullptr, 0, units);
    char chunk[64];
    int filled = 0;
    for (int i = 0; i < units; ++i)
    {
        if (text[i] > 0xFF)
            return TString();
        chunk[filled++] = static_cast<char>(static_cast<unsigned char>(text[i]));
        if (filled == static_cast<int>(sizeof chunk))
        {
            result.append(chunk, filled);
            filled = 0;
        }
    }
    result.append(chunk, filled);
    return result;
}

// ---------------------------------------------------------------------------
// Null-safe primitives

int strLength(const char* text)
{
    return text == nullptr ? 0 : static_cast<int>(std::strlen(text));
}

int strLength(const char* text, int maxLength)
{
    if (text == nullptr || maxLength <= 0)
        return 0;
    if (maxLength == TString::kNoLimit)
        return strLength(text);
    int n = 0;
    while (n < maxLength && text[n] != '\0')
        ++n;
    return n;
}

int strCmp(const char* a, const char* b)
{
    return strCompare(a, b, false);
}

int strCompareN(const char* a, const char* b, int count)
{
    if (count <= 0)
        return 0;
    const int result = std::strncmp(a == nullptr ? "" : a, b == nullptr ? "" : b, static_cast<size_t>(count));
    return result < 0 ? -1 : (result > 0 ? 1 : 0);
}

const char* strFind(const char* haystack, const char* needle)
{
    if (haystack == nullptr || needle == nullptr)
        return nullptr;
    return std::strstr(haystack, needle);
}

void* memSet(void* target, int value, size_t count)
{
    return std::memset(target, value, count);
}

void* memCopy(void* target, const void* source, size_t count)
{
    return std::memcpy(target, source, count);
}

int wideLength(const char16_t* text)
{
    if (text == nullptr)
        return 0;
    int n = 0;
    while (text[n] != 0)
        ++n;
    return n;
}

} // namespace Tr
