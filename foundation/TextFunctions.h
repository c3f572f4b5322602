// Free text functions on Tr::TString and on NUL-terminated text: numbers to
// and from text, printf-style messages, comparison and search, path parts,
// case and UTF-16 to 8-bit conversion. None keeps state; all are thread-safe.
#pragma once

#include "TString.h"

#include <cstddef>

namespace Tr {

/** The separator of the platform's file paths. */
constexpr char kPathSeparator = '/';

// Numbers from text
/** Decimal digits with an optional leading minus sign. The empty text and a
    lone "-" give true and 0; the value wraps in 32 bits. */
bool tryParseInt(const TString& text, int& value);
int toInt(const TString& text, int defaultValue);
/** The hexadecimal number in the count characters from the 1-based position
    start. Any other character, or positions outside the text, give false and 0;
    count 0 gives true and 0. */
bool tryParseHex(const TString& text, int start, int count, int& value);
int hexToInt(const TString& text, int start, int count);

// Numbers to text
TString toString(int value);
/** Upper-case hexadecimal digits, at least minDigits (1 or more) and at most
    maxDigits (1..8, else 8); a negative value always gives maxDigits digits. */
TString toHexDigits(int value, int minDigits, int maxDigits);
TString toHex(int value, int minDigits);

// Messages: "%s" takes a string, "%d" an int, "%%" is a percent sign. The
// result is always the whole text. A format whose conversions do not match
// the arguments given gives the format text followed by the arguments.
TString formatStr(const TString& format, const TString& s);
TString formatInt(const TString& format, int n);
TString formatStrInt(const TString& format, const TString& s, int n);
TString formatStrStr(const TString& format, const TString& s1, const TString& s2);

// Comparison and search
bool isEqual(const TString& a, const TString& b);
bool startsWith(const TString& text, const TString& prefix, bool ignoreCase = false);
/** Whether part stands in text at the 1-based position (0 counts as 1). */
bool matchesAt(const TString& text, const TString& part, int position, bool ignoreCase = false);
bool endsWith(const TString& text, const TString& suffix, bool ignoreCase = false);
int lastIndexOf(const TString& text, char c);
/** The bytes from position up to the next separator or the end; position is
    left on the separator (or at the length). */
TString readToken(const TString& text, int& position, char separator);

// Path parts (see also TString::extractFileName and TString::changeExtension)
/** The part before the last separator: empty without one, a lone separator
    when the last one is the first character. */
TString extractDirectory(const TString& path);

// Case
void strToLower(char* text);
char toUpperChar(char c);

// UTF-16 text
/** The 8-bit form: each unit up to U+00FF becomes the byte of that value; a
    text holding any other unit, an empty text and null give the empty string. */
TString fromWide(const char16_t* text);

// Null-safe primitives on NUL-terminated text
int strLength(const char* text);
int strLength(const char* text, int maxLength);
int strCmp(const char* a, const char* b);
int strCompareN(const char* a, const char* b, int count);
const char* strFind(const char* haystack, const char* needle);
void* memSet(void* target, int value, size_t count);
void* memCopy(void* target, const void* source, size_t count);
int wideLength(const char16_t* text);

} // namespace Tr
