#include "TString.h"
#include "TextFunctions.h"

#include <cstdlib>
#include <cstring>
#include <new>

namespace Tr {

// ---------------------------------------------------------------------------
// TStringBuffer

TStringBuffer* TStringBuffer::create(const char* text, int length, int capacity)
{
    if (text == nullptr || length < 0)
        length = 0;
    if (capacity < length)
        capacity = length;
    void* block = std::malloc(sizeof(TStringBuffer) + static_cast<size_t>(capacity) + 1);
    if (block == nullptr)
        throw std::bad_alloc();
    TStringBuffer* buffer = new (block) TStringBuffer(capacity);
    if (length > 0)
        std::memcpy(buffer->text(), text, static_cast<size_t>(length));
    buffer->text()[length] = '\0';
    return buffer;
}

TStringBuffer* TStringBuffer::createEmpty()
{
    return create("", 0, -1);
}

void TStringBuffer::destroy(TStringBuffer* buffer)
{
    buffer->~TStringBuffer();
    std::free(buffer);
}

// ---------------------------------------------------------------------------
// The shared empty strings. Storage of g_emptyString is zero before its
// initialiser runs, so a string default-constructed earlier (by another
// start-up initialiser) gets a fresh empty buffer from addRef(nullptr).

const TString g_emptyString("", TString::kNoLimit, 0);

const TString& emptyString()
{
    static const TString empty;
    return empty;
}

// ---------------------------------------------------------------------------
// Construction and assignment

TString::TString() : m_buffer(TStringBuffer::addRef(g_emptyString.m_buffer)) {}

TString::TString(const char* text, int maxLength, int capacity)
    : m_buffer(TStringBuffer::create(text, strLength(text, maxLength), capacity))
{
}

TString& TString::operator=(const TString& other)
{
    return assign(other);
}

TString& TString::assign(const TString& other)
{
    TStringBuffer* incoming = TStringBuffer::addRef(other.m_buffer);
    TStringBuffer::release(m_buffer);
    m_buffer = incoming;
    return *this;
}

TString& TString::assign(const char* text, int length)
{
    const int n = strLength(text, length);
    if (m_buffer->capacity() >= n && m_buffer->refCount() < 2)
    {
        // In place; memmove because text may lie inside this very buffer.
        if (n > 0)
            std::memmove(m_buffer->text(), text, static_cast<size_t>(n));
        m_buffer->text()[n] = '\0';
        return *this;
    }
    // A new buffer; the old one (which text may point into) lives until the copy is made.
    const int capacity = m_buffer->capacity() > n ? m_buffer->capacity() : n;
    TStringBuffer* fresh = TStringBuffer::create(text, n, capacity);
    TStringBuffer::release(m_buffer);
    m_buffer = fresh;
    return *this;
}

void TString::clear()
{
    if (m_buffer->refCount() != 1)
        assign(g_emptyString);
    else
        m_buffer->text()[0] = '\0';
}

// ---------------------------------------------------------------------------
// Capacity

void TString::reserve(int n)
{
    if (m_buffer->capacity() >= n && m_buffer->refCount() < 2)
        return;
    const int capacity = m_buffer->capacity() > n ? m_buffer->capacity() : n;
    TStringBuffer* fresh = TStringBuffer::create(m_buffer->text(), length(), capacity);
    TStringBuffer::release(m_buffer);
    m_buffer = fresh;
}

void TString::reserveEmpty(int n)
{
    if (m_buffer->capacity() >= n && m_buffer->refCount() < 2)
    {
        m_buffer->text()[0] = '\0';
        return;
    }
    const int capacity = m_buffer->capacity() > n ? m_buffer->capacity() : n;
    TStringBuffer* fresh = TStringBuffer::create("", 0, capacity);
    TStringBuffer::release(m_buffer);
    m_buffer = fresh;
}

void TString::setCapacity(int n)
{
    reserve(n < 0 ? m_buffer->capacity() : n);
}

void TString::setLength(int n)
{
    if (n > length())
    {
        reserve(n);
        return;
    }
    setCapacity(n);
    m_buffer->text()[n > 0 ? n : 0] = '\0';
}

// ---------------------------------------------------------------------------
// Appending and concatenation

void TString::append(const char* text, int maxLength)
{
    const int n = strLength(text, maxLength);
    if (n < 1)
        return;
    // text may point into this string's own buffer, which reserve may replace:
    // remember where, and read from the same place in the new buffer.
    const uintptr_t own = reinterpret_cast<uintptr_t>(m_buffer->text());
    const uintptr_t where = reinterpret_cast<uintptr_t>(text);
    const bool inside = where >= own && where <= own + static_cast<uintptr_t>(m_buffer->capacity());
    const size_t offset = where - own;
    const int oldLength = length();
    reserve(oldLength + n);
    const char* source = inside ? m_buffer->text() + offset : text;
    std::memmove(m_buffer->text() + oldLength, source, static_cast<size_t>(n));
    m_buffer->text()[oldLength + n] = '\0';
}

TString& TString::operator+=(const char* text)
{
    append(text, kNoLimit);
    return *this;
}

TString& TString::operator+=(const TString& other)
{
    if (other.isEmpty())
        return *this;
    const int oldLength = length();
    const int otherLength = other.length();
    reserve(oldLength + otherLength);
    // other may be this string itself: its text now lives at the start of the
    // reserved buffer, and the ranges read and written do not overlap.
    std::memcpy(m_buffer->text() + oldLength, other.c_str(), static_cast<size_t>(otherLength));
    m_buffer->text()[oldLength + otherLength] = '\0';
    return *this;
}

TString concat(const char* a, int lengthA, const char* b, int lengthB)
{
    TStringBuffer* buffer = TStringBuffer::create(a, lengthA, lengthA + lengthB);
    if (lengthB > 0)
        std::memcpy(buffer->text() + lengthA, b, static_cast<size_t>(lengthB));
    buffer->text()[lengthA + lengthB] = '\0';
    return TString(buffer, TString::Adopt());
}

TString operator+(const TString& a, const char* b)
{
    return concat(a.c_str(), a.length(), b, strLength(b));
}

TString operator+(const TString& a, const TString& b)
{
    return concat(a.c_str(), a.length(), b.c_str(), b.length());
}

TString operator+(const char* a, const TString& b)
{
    return concat(a, strLength(a), b.c_str(), b.length());
}

// ---------------------------------------------------------------------------
// Access and comparison

int TString::length() const
{
    return static_cast<int>(std::strlen(m_buffer->text()));
}

int strCompare(const char* a, const char* b, bool ignoreCase, int maxLength)
{
    if (a == nullptr)
        a = "";
    if (b == nullptr)
        b = "";
    if (!ignoreCase)
    {
        const int result = maxLength == TString::kNoLimit
                               ? std::strcmp(a, b)
                               : std::strncmp(a, b, static_cast<size_t>(maxLength < 0 ? 0 : maxLength));
        return result < 0 ? -1 : (result > 0 ? 1 : 0);
    }
    for (int i = 0; i < maxLength; ++i)
    {
        if (a[i] == '\0' || b[i] == '\0')
        {
            if (a[i] != '\0')
                return 1;
            return b[i] != '\0' ? -1 : 0;
        }
        const signed char ua = static_cast<signed char>(toUpperChar(a[i]));
        const signed char ub = static_cast<signed char>(toUpperChar(b[i]));
        if (ua != ub)
            return ua < ub ? -1 : 1;
    }
    return 0;
}

bool TString::operator==(const TString& other) const
{
    return m_buffer == other.m_buffer || strCompare(c_str(), other.c_str(), false) == 0;
}

bool TString::equals(const TString& other, bool ignoreCase) const
{
    return strCompare(c_str(), other.c_str(), ignoreCase) == 0;
}

bool TString::equalsIgnoreCase(const TString& other) const
{
    return equals(other, true);
}

bool operator==(const TString& a, const char* b)
{
    return strCompare(a.c_str(), b, false) == 0;
}

bool operator!=(const TString& a, const char* b)
{
    return !(a == b);
}

bool operator<(const TString& a, const TString& b)
{
    return strCompare(a.c_str(), b.c_str(), false) < 0;
}

// ---------------------------------------------------------------------------
// Search

int TString::indexOf(char c, bool ignoreCase) const
{
    const char* text = c_str();
    const char wanted = ignoreCase ? toUpperChar(c) : c;
    for (int i = 0; text[i] != '\0'; ++i)
    {
        const char here = ignoreCase ? toUpperChar(text[i]) : text[i];
        if (here == wanted)
            return i;
    }
    return -1;
}

int TString::lastIndexOf(char c, bool ignoreCase) const
{
    const char* text = c_str();
    const char wanted = ignoreCase ? toUpperChar(c) : c;
    for (int i = length() - 1; i >= 0; --i)
    {
        const char here = ignoreCase ? toUpperChar(text[i]) : text[i];
        if (here == wanted)
            return i;
    }
    return -1;
}

TString TString::substring(int start, int count) const
{
    if (start < 0)
        start = 0;
    const int len = length();
    if (count == 0 || (start > 0 && start >= len))
        return TString();
    return TString(c_str() + start, count < 0 ? kNoLimit : count);
}

int TString::find(const TString& what, bool ignoreCase) const
{
    if (what.isEmpty())
        return -1;
    if (ignoreCase)
        return toLower().find(what.toLower(), false);
    const char* found = std::strstr(c_str(), what.c_str());
    return found == nullptr ? -1 : static_cast<int>(found - c_str());
}

bool TString::contains(const TString& what, bool ignoreCase) const
{
    return find(what, ignoreCase) >= 0;
}

TString TString::toLower() const
{
    TString lower(c_str());
    strToLower(lower.m_buffer->text());
    return lower;
}

// ---------------------------------------------------------------------------
// Path parts

TString TString::extractFileName() const
{
    const int separator = lastIndexOf(kPathSeparator);
    return separator < 0 ? *this : TString(c_str() + separator + 1);
}

TString TString::changeExtension(const TString& extension) const
{
    const int dot = lastIndexOf('.');
    const int separator = lastIndexOf(kPathSeparator);
    if (dot > separator)
        return concat(c_str(), dot, extension.c_str(), extension.length());
    return *this + extension;
}

} // namespace Tr
